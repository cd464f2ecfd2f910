// The running-copy marker: a later start hands its message to the running
// copy; a marker left by a copy that died is taken over.
#include "platform/system/SingleInstance.h"

#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QUuid>
#include <gtest/gtest.h>

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

} // namespace
