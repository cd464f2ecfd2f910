// Paradox tables as pxlib reads them, through the program tools/PxlibRead.cpp
// (which says why it is a program of its own and what it prints).
#pragma once

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace jettest {

// The lines pxlib_read prints for the table (and its primary index).
inline std::vector<std::string> PxlibRead(const std::string& table, const std::string& index = "")
{
    QStringList arguments{QString::fromStdString(table)};
    if (!index.empty())
        arguments << QString::fromStdString(index);
    QProcess reader;
    reader.start(PXLIB_READ, arguments);
    reader.waitForFinished(60000);
    EXPECT_EQ(reader.exitCode(), 0) << "pxlib cannot read " << table;
    std::vector<std::string> lines;
    std::istringstream output(reader.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(output, line);)
        lines.push_back(line);
    return lines;
}

} // namespace jettest
