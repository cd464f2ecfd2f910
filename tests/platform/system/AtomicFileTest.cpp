#include "platform/system/AtomicFile.h"
#include "tests/support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

TEST(AtomicFile, TemporaryFilesAreToldApartFromTheOperatorsFiles)
{
    struct Case {
        const char* Name;
        pid_t Maker; // 0: not a temporary file of ours
    };
    const Case cases[] = {
        {"Config.xml.4242.0.quorvex-tmp", 4242},
        {"Config.dat.4242.17.new.quorvex-tmp", 4242},
        {"Config.dat.4242.0.new.quorvex-tmp-journal", 4242},
        {"test.mdb.9.3.repair.quorvex-tmp-wal", 9},
        {".Config.dat.4242.0.new.quorvex-tmp.lock", 4242},
        {".Config.dat.lock", 0},
        {"Config.dat.4242.0.new.quorvex-tmp.lock", 0},
        {"Config.xml", 0},
        {"Config.xml.a1B2c3", 0},            // a name another program's writer may leave
        {"Config.dat.4242.0.new", 0},
        {"Config.xml.bak", 0},
        {"notes.quorvex-tmp", 0},
        {".4242.0.quorvex-tmp", 0},          // no target before the process id
        {"Config.xml.0.0.quorvex-tmp", 0},   // no process has id 0
        {"Config.xml.x42.0.quorvex-tmp", 0},
        {"Config.xml.4242.quorvex-tmp", 0},  // the counter is missing
        {"Config.xml.99999999999999999999.0.quorvex-tmp", 0},
        {"Config.xml.4242.0.quorvex-tmp.bak", 0},
    };
    for (const Case& c : cases) {
        pid_t maker = 0;
        EXPECT_EQ(platform::IsTemporaryFileName(c.Name, maker), c.Maker != 0) << c.Name;
        if (c.Maker != 0)
            EXPECT_EQ(maker, c.Maker) << c.Name;
    }
    pid_t maker = 0;
    const std::string fresh = platform::FreshNameBeside("Config/Config.dat", ".new");
    EXPECT_TRUE(platform::IsTemporaryFileName(fresh.substr(fresh.rfind('/') + 1), maker)) << fresh;
    EXPECT_EQ(maker, getpid());
}

TEST(AtomicFile, LeftoversOfEndedProcessesAreRemovedAndOthersStay)
{
    QTemporaryDir dir;
    // 2147483646 names no process; 1 always runs.
    const QStringList ended{"Config.xml.2147483646.0.quorvex-tmp", "Config.dat.2147483646.1.new.quorvex-tmp",
                            "Config.dat.2147483646.1.new.quorvex-tmp-journal"};
    const QStringList kept{"Config.xml.1.0.quorvex-tmp", "Config.xml.a1B2c3", "Config.xml", "Config.dat.bak",
                           QString::fromStdString("Config.xml." + std::to_string(getpid()) + ".0.quorvex-tmp")};
    for (const QStringList& names : {ended, kept})
        for (const QString& name : names) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    const std::vector<std::string> removed = platform::RemoveLeftoverTemporaryFiles(dir.path().toStdString());
    EXPECT_EQ(removed.size(), 3u);
    QStringList left = QDir(dir.path()).entryList(QDir::Files);
    QStringList expected = kept;
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected);
}

TEST(AtomicFile, ReplacedFileKeepsItsPermissions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Config.xml");
    platform::WriteFileAtomically(path.toStdString(), "old");
    ASSERT_EQ(chmod(path.toLocal8Bit().constData(), 0640), 0);
    platform::WriteFileAtomically(path.toStdString(), "new");
    struct stat status {};
    ASSERT_EQ(stat(path.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadAll(path), "new");
}

} // namespace
