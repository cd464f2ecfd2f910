#include "platform/system/AtomicFile.h"
#include "tests/support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>


namespace {

std::string ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

TEST(AtomicFile, ReplacesContentOfExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.xml");
    platform::WriteFileAtomically(path.toStdString(), "old");
    platform::WriteFileAtomically(path.toStdString(), "new content");
    EXPECT_EQ(ReadAll(path), "new content");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";
}

TEST(AtomicFile, FailureNamesTheFileAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("missing-folder/out.bmp").toStdString();
    try {
        platform::WriteFileAtomically(path, "data");
        FAIL() << "writing into a missing folder must fail";
    } catch (const platform::FileWriteError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos);
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
}

TEST(AtomicFile, WriteThatFailsPartWayKeepsTheOldContent)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("Config.xml").toStdString();
    platform::WriteFileAtomically(path, "old");

    {
        FileSizeLimit diskFull(100);
        EXPECT_THROW(platform::WriteFileAtomically(path, std::string(1000, 'x')), platform::FileWriteError);
    }

    EXPECT_EQ(ReadAll(QString::fromStdString(path)), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";
}

} // namespace
