// The running-copy marker: a later start hands its message to the running
// copy; a marker left by a copy that died is taken over.
#include "platform/system/SingleInstance.h"

#include <QFile>
#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// A marker name of the test's own, so runs never meet the real program.
QString FreshName()
{
    return QStringLiteral("quorvex-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

TEST(SingleInstanceTest, FirstStartHoldsTheMarker)
{
    TSingleInstance first(FreshName());
    EXPECT_EQ(first.Acquire(), TSingleInstance::TStart::First);
    EXPECT_TRUE(first.HoldsMarker());
    EXPECT_TRUE(QFile::exists(first.LockFileName()));
}

TEST(SingleInstanceTest, SecondStartHandsTheActivationToTheFirst)
{
    const QString name = FreshName();
    TSingleInstance first(name);
    ASSERT_EQ(first.Acquire(), TSingleInstance::TStart::First);
    QSignalSpy received(&first, &TSingleInstance::MessageReceived);

    TSingleInstance second(name);
    EXPECT_EQ(second.Acquire(), TSingleInstance::TStart::HandedOver);
    EXPECT_FALSE(second.HoldsMarker());

    ASSERT_TRUE(received.wait(2000));
    EXPECT_EQ(received.at(0).at(0).toInt(), 0x81B0);
}

TEST(SingleInstanceTest, MarkerIsFreeAgainAfterRelease)
{
    const QString name = FreshName();
    {
        TSingleInstance first(name);
        ASSERT_EQ(first.Acquire(), TSingleInstance::TStart::First);
    }
    TSingleInstance next(name);
    EXPECT_EQ(next.Acquire(), TSingleInstance::TStart::First);
}

TEST(SingleInstanceTest, StaleMarkerOfADeadCopyIsTakenOver)
{
    const QString name = FreshName();
    TSingleInstance probe(name);
    const QString lockName = probe.LockFileName();

    // A lock file as a copy writes it, but naming a process that no longer
    // exists, as a crash leaves it behind.
    QByteArray content;
    {
        QLockFile live(lockName);
        ASSERT_TRUE(live.tryLock(0));
        QFile file(lockName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        content = file.readAll();
        live.unlock();
    }
    const qsizetype endOfPid = content.indexOf('\n');
    ASSERT_GT(endOfPid, 0);
    content.replace(0, endOfPid, "2147483646");
    {
        QFile file(lockName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    TSingleInstance next(name);
    EXPECT_EQ(next.Acquire(), TSingleInstance::TStart::First);
    EXPECT_TRUE(next.HoldsMarker());
}

TEST(SingleInstanceTest, LiveMarkerWithoutListenerLetsTheCopyRunUnmarked)
{
    const QString name = FreshName();
    TSingleInstance probe(name);
    QLockFile held(probe.LockFileName());
    ASSERT_TRUE(held.tryLock(0));

    TSingleInstance next(name);
    EXPECT_EQ(next.Acquire(), TSingleInstance::TStart::Unmarked);
    EXPECT_FALSE(next.HoldsMarker());
}

// Sets an environment variable (or unsets it, for nullopt) while it lives.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<QByteArray> value)
        : Name(name), Saved(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        Set(name, value);
    }
    ~ScopedEnvironment() { Set(Name, Saved); }

private:
    static void Set(const char* name, const std::optional<QByteArray>& value)
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

    const char* Name;
    std::optional<QByteArray> Saved;
};

TEST(SingleInstanceTest, WithoutARuntimeFolderTheMarkerLivesInAPrivateFolderOfTheUser)
{
    QTemporaryDir temporary;
    const ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    const ScopedEnvironment tmp("TMPDIR", temporary.path().toLocal8Bit());
    const QString folder = temporary.path() + "/quorvex-" + QString::number(geteuid());
    EXPECT_EQ(TSingleInstance::MarkerFolder(), folder);
    struct stat status {};
    ASSERT_EQ(lstat(folder.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(status.st_uid, geteuid());

    TSingleInstance first(FreshName());
    EXPECT_EQ(first.Acquire(), TSingleInstance::TStart::First);
    EXPECT_TRUE(first.LockFileName().startsWith(folder + "/"));
}

// Another user, sharing the temporary folder, plants a lock naming a live
// process and a listener on the socket's name, where the marker was once
// kept and in the folder a copy would make for it.
TEST(SingleInstanceTest, MarkerPlantedByAnotherUserDoesNotStopTheProgram)
{
    QTemporaryDir temporary;
    const ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    const ScopedEnvironment tmp("TMPDIR", temporary.path().toLocal8Bit());
    const QString name = FreshName();
    const QString planted = temporary.path() + "/quorvex-" + QString::number(geteuid());
    ASSERT_TRUE(QDir().mkdir(planted));
    std::vector<std::unique_ptr<QLockFile>> locks;
    std::vector<std::unique_ptr<QLocalServer>> listeners;
    for (const QString& folder : {temporary.path(), planted}) {
        locks.push_back(std::make_unique<QLockFile>(folder + "/" + name + ".lock"));
        ASSERT_TRUE(locks.back()->tryLock(0));
        listeners.push_back(std::make_unique<QLocalServer>());
        ASSERT_TRUE(listeners.back()->listen(folder + "/" + name + ".socket"));
    }
    // Made by another user: owned by nobody where the test may give files
    // away, else open to every user.
    if (geteuid() == 0)
        ASSERT_EQ(chown(planted.toLocal8Bit().constData(), 65534, 65534), 0);
    else
        ASSERT_EQ(chmod(planted.toLocal8Bit().constData(), 0777), 0);

    EXPECT_EQ(TSingleInstance::MarkerFolder(), QString());
    TSingleInstance copy(name);
    EXPECT_EQ(copy.Acquire(), TSingleInstance::TStart::Unmarked);
}

// Two copies of the program reduced to the single-instance check, started
// together in a runtime folder of the test's own.
class CopiesStartedTogether : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Runtime.isValid());
        ASSERT_EQ(chmod(Runtime.path().toLocal8Bit().constData(), 0700), 0);
        Environment.insert("XDG_RUNTIME_DIR", Runtime.path());
    }

    std::unique_ptr<QProcess> Start(const QString& marker)
    {
        auto copy = std::make_unique<QProcess>();
        copy->setProcessEnvironment(Environment);
        copy->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy->start(QStringLiteral(SINGLE_INSTANCE_PROBE), {marker});
        EXPECT_TRUE(copy->waitForStarted(10000));
        EXPECT_EQ(Line(*copy), "ready");
        return copy;
    }

    static std::string Line(QProcess& copy)
    {
        while (!copy.canReadLine() && copy.waitForReadyRead(10000)) {
        }
        return copy.readLine().trimmed().toStdString();
    }

    // Lets both copies check at once; their answers, in start order.
    std::vector<std::string> Go(std::vector<std::unique_ptr<QProcess>>& copies)
    {
        for (auto& copy : copies)
            copy->write("go\n");
        for (auto& copy : copies)
            copy->waitForBytesWritten(10000);
        std::vector<std::string> answers;
        for (auto& copy : copies)
            answers.push_back(Line(*copy));
        return answers;
    }

    // Starts two copies together; exactly one must run and hear the other's
    // activation request. Then both end.
    void ExpectOneOfTwoRuns(const QString& marker, int round)
    {
        std::vector<std::unique_ptr<QProcess>> copies;
        copies.push_back(Start(marker));
        copies.push_back(Start(marker));
        const std::vector<std::string> answers = Go(copies);
        const auto first = std::find(answers.begin(), answers.end(), "first");
        ASSERT_NE(first, answers.end()) << "round " << round;
        EXPECT_EQ(std::count(answers.begin(), answers.end(), "first"), 1) << "round " << round;
        EXPECT_EQ(std::count(answers.begin(), answers.end(), "handed-over"), 1) << "round " << round;
        QProcess& running = *copies[std::size_t(first - answers.begin())];
        EXPECT_EQ(Line(running), "message 33200") << "round " << round;
        for (auto& copy : copies) {
            copy->closeWriteChannel();
            EXPECT_TRUE(copy->waitForFinished(10000));
        }
    }

    QTemporaryDir Runtime;
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
};

constexpr int kDoubleStarts = 50;

TEST_F(CopiesStartedTogether, ExactlyOneRunsAndTheOtherHandsOver)
{
    for (int round = 0; round < kDoubleStarts; ++round) {
        ExpectOneOfTwoRuns(FreshName(), round);
        if (HasFailure())
            return;
    }
}

TEST_F(CopiesStartedTogether, ExactlyOneRunsRightAfterTheRunningCopyWasKilled)
{
    for (int round = 0; round < kDoubleStarts; ++round) {
        const QString marker = FreshName();
        std::vector<std::unique_ptr<QProcess>> killed;
        killed.push_back(Start(marker));
        ASSERT_EQ(Go(killed), std::vector<std::string>{"first"});
        ::kill(pid_t(killed.front()->processId()), SIGKILL);
        killed.front()->waitForFinished(10000);
        ExpectOneOfTwoRuns(marker, round);
        if (HasFailure())
            return;
    }
}

} // namespace
