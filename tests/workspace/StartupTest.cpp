// Start-up: the creation order, and a later start that hands the activation
// to the running copy and exits.
#include "WorkspaceFixture.h"

#include "capture/MGrab.h"
#include "capture/MSplit.h"
#include "capture/MSplitLive.h"
#include "platform/system/SingleInstance.h"
#include "settings/MDMMain.h"
#include "settings/MDataOptions.h"
#include "workspace/MAbout.h"
#include "workspace/MDigit.h"
#include "workspace/MImagePrint.h"
#include "workspace/MSplash.h"
#include "workspace/MValue.h"

#include "tests/support/FirebirdDatabase.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <csignal>
#include <functional>

namespace {

using StartupTest = WorkspaceTest;

TEST_F(StartupTest, FormsAreCreatedInTheFixedOrderMainWindowFirst)
{
    const std::vector<std::string> order{
        "TFormMeasure",   "TDataModuleOptions", "TDlgRule",        "TAboutBox",          "TFormOptions",
        "TFormGrab",      "TFormValue",         "TFormZoom",       "TFormRule",          "TFormGrabConfig",
        "TFormSplitLive", "TFormSplit",         "TFormSum",        "TDMMain",            "TFormImagePrint",
        "TFormImagePrintPreview", "TFormImagePrintOption", "TFormRuleValue", "TFormRuleHoriVert", "TFormDigit"};
    std::vector<std::string> listed;
    for (const TFormEntry& entry : FormCreationOrder())
        listed.emplace_back(entry.ClassName);
    EXPECT_EQ(listed, order);

    const std::vector<std::string> created = CreateForms();
    EXPECT_EQ(created, order);
    EXPECT_NE(FormMeasure, nullptr);
    EXPECT_NE(DataModuleOptions, nullptr);
    EXPECT_NE(AboutBox, nullptr);
    EXPECT_NE(FormValue, nullptr);
    EXPECT_NE(DMMain, nullptr);
    EXPECT_NE(FormDigit, nullptr);
    EXPECT_NE(FormImagePrint, nullptr);

    DestroyForms();
    EXPECT_EQ(FormMeasure, nullptr);
    EXPECT_EQ(DataModuleOptions, nullptr);
    EXPECT_EQ(FormValue, nullptr);
    EXPECT_EQ(DMMain, nullptr);
    EXPECT_EQ(FormDigit, nullptr);
    EXPECT_EQ(FormImagePrint, nullptr);
}

TEST_F(StartupTest, MainWindowIsCreatedBeforeTheDataModulesItMustNotReach)
{
    // Its creation opens no store: the settings wait for the first showing.
    CreateForms();
    EXPECT_FALSE(FormMeasure->SettingsLoaded);
    EXPECT_FALSE(QFile::exists("Config/Config.dat"));
    FormMeasure->show();
    EXPECT_TRUE(FormMeasure->SettingsLoaded);
    EXPECT_TRUE(QFile::exists("Config/Config.dat"));
}

// What only a window's own commands use is made when the window is first
// shown, not while the program starts.
TEST_F(StartupTest, WindowsMakeTheirDialogsAndGlyphsWhenFirstShown)
{
    CreateForms();
    EXPECT_EQ(FormGrab->ColorDialog, nullptr);
    EXPECT_EQ(FormSplit->OpenDialogImage, nullptr);
    EXPECT_EQ(FormSplitLive->OpenDialogImage, nullptr);
    EXPECT_TRUE(FormSplit->SBGrabLeft->icon().isNull());
    EXPECT_TRUE(AboutBox->ProgramIcon->pixmap().isNull());

    for (QWidget* window : std::initializer_list<QWidget*>{FormGrab, FormSplit, FormSplitLive, AboutBox}) {
        window->show();
        window->hide();
    }
    EXPECT_NE(FormGrab->ColorDialog, nullptr);
    EXPECT_NE(FormSplit->OpenDialogImage, nullptr);
    EXPECT_NE(FormSplitLive->OpenDialogImage, nullptr);
    EXPECT_FALSE(FormSplit->SBGrabLeft->icon().isNull());
    EXPECT_FALSE(FormSplitLive->SBOpenRight->icon().isNull());
    EXPECT_FALSE(AboutBox->ProgramIcon->pixmap().isNull());
    DestroyForms();
}

TEST_F(StartupTest, EveryDialogStaysAboveTheToolWindowsThatStayOnTop)
{
    // The value, magnifier and numeric windows stay on top of every window;
    // a form shown as a dialog without the same hint would open hidden behind
    // them. (A dialog with a parent window is kept above that parent.)
    CreateForms();
    std::vector<std::string> hidden;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QDialog*>(window) && !window->parentWidget()
            && !window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            hidden.push_back(window->metaObject()->className() + std::string(" ") + window->objectName().toStdString());
    }
    EXPECT_TRUE(hidden.empty()) << ::testing::PrintToString(hidden);
    DestroyForms();
}

TEST(SplashTest, SplashTakesHalfTheDesktop)
{
    EXPECT_EQ(SplashSize(QRect(0, 0, 1280, 1024)), QSize(640, 512));
    EXPECT_EQ(SplashSize(QRect(0, 0, 1365, 767)), QSize(682, 383));
}

// The picture is drawn at the size the window is shown at, so it is shown
// as drawn, never stretched as a bitmap.
TEST(SplashTest, ThePictureFillsTheWindowAtItsShownSize)
{
    for (const QSize size : {QSize(640, 512), QSize(682, 383)}) {
        TFormSplash splash;
        splash.resize(size);
        splash.show();
        const QPixmap picture = splash.ImageSplash->pixmap();
        EXPECT_EQ(picture.size(), splash.ImageSplash->contentsRect().size());
        EXPECT_EQ(picture.size(), size);
        const QColor sky = picture.toImage().pixelColor(2, 2);
        EXPECT_NEAR(sky.red(), 0x1f, 2) << "the sky at the top";
        EXPECT_NEAR(sky.green(), 0x3b, 2);
        EXPECT_NEAR(sky.blue(), 0x57, 2);
    }
}

TEST_F(StartupTest, SecondStartActivatesTheRunningCopyAndExits)
{
    StoreOptions({{OPT_EXIT_CONFIRM, "0"}});
    const QString marker = QStringLiteral("quorvex-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    TFormMeasure* runningWindow = nullptr;
    int secondResult = -1;
    bool restored = false;

    // Runs inside the first copy's message loop, once its window is shown.
    std::function<void()> waitForHandOver;
    std::function<void()> whenRunning = [&] {
        if (!FormMeasure || !FormMeasure->isVisible()) {
            QTimer::singleShot(10, whenRunning);
            return;
        }
        runningWindow = FormMeasure;
        FormMeasure->showMinimized();
        secondResult = StartQuorvex(marker);
        // The hand-over arrives through the loop, sooner or later on a busy
        // machine; then (or after a generous wait) the first copy ends.
        waitForHandOver();
    };
    const QDeadlineTimer deadline(10000);
    waitForHandOver = [&] {
        restored = FormMeasure && !FormMeasure->isMinimized();
        if (!restored && !deadline.hasExpired()) {
            QTimer::singleShot(10, waitForHandOver);
            return;
        }
        FormMeasure->close();
    };
    QTimer::singleShot(0, whenRunning);
    EXPECT_EQ(StartQuorvex(marker), 0);

    EXPECT_NE(runningWindow, nullptr);
    EXPECT_EQ(secondResult, 0);
    EXPECT_TRUE(restored);
    EXPECT_EQ(FormMeasure, nullptr); // the forms are freed after the loop
    TSingleInstance next(marker);    // and the marker is free again
    EXPECT_EQ(next.Acquire(), TSingleInstance::TStart::First);
}

// The records of the server database's table, read on a connection of their own.
std::vector<ConfigRecord> ServerConfigRecords()
{
    ServerTableConnection connection("Config/Config.fdb");
    return ReadConfigRecords(connection.Table);
}

TEST_F(StartupTest, TerminationSignalsEndTheProgramAsExitDoes)
{
    struct Case {
        const char* Store;
        std::function<void()> Create;
        std::function<std::vector<ConfigRecord>()> Records;
        int Signal;
    };
    const Case cases[] = {
        {"Config.dat", [] { CreateConfigDatabase({}); }, &DatabaseConfigRecords, SIGTERM},
        {"Config.dat", [] { CreateConfigDatabase({}); }, &DatabaseConfigRecords, SIGINT},
        {"Config.xml", [] { AppendXmlConfigRecords({}); }, &XmlConfigRecords, SIGTERM},
        {"Config.xml", [] { AppendXmlConfigRecords({}); }, &XmlConfigRecords, SIGINT},
    };
    for (const Case& c : cases) {
        QDir("Config").removeRecursively();
        QDir().mkdir("Config");
        c.Create();
        ResetSingletons();
        const QString marker = QStringLiteral("quorvex-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        bool stillRunning = false;
        // The signal comes once the window is up; the exit question (on by
        // default) is not asked. Should the program go on, the test ends it.
        std::function<void()> whenRunning = [&] {
            if (!FormMeasure || !FormMeasure->isVisible()) {
                QTimer::singleShot(10, whenRunning);
                return;
            }
            std::raise(c.Signal);
            QTimer::singleShot(5000, FormMeasure, [&] {
                stillRunning = true;
                FormMeasure->ConfirmBox = [](const QString&) { return true; };
                FormMeasure->close();
            });
        };
        QTimer::singleShot(0, whenRunning);
        EXPECT_EQ(StartQuorvex(marker), 0) << c.Store;
        EXPECT_FALSE(stillRunning) << c.Store << " " << c.Signal;
        EXPECT_EQ(FormMeasure, nullptr);
        std::vector<std::string> stored;
        for (const ConfigRecord& record : c.Records())
            stored.push_back(record[1]);
        EXPECT_NE(std::find(stored.begin(), stored.end(), std::to_string(OPT_SIZE_MAIN)), stored.end())
            << "the layout is stored in " << c.Store;
    }
}

// The server engine's client takes both signals for itself when it first
// connects, which in the program comes after start-up set its handlers: only
// the program itself, started afresh, shows that they are taken back.
TEST_F(StartupTest, TerminationSignalsEndTheProgramOnTheServerDatabaseToo)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        QDir("Config").removeRecursively();
        QDir().mkdir("Config");
        CreateFirebirdDatabase("Config/Config.fdb");
        QTemporaryDir runtime;
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        // The engine's client library keeps what it allocates until the
        // process ends, by design; the test programs' own main tells the
        // leak checker so, the program's does not.
        environment.insert("ASAN_OPTIONS", "detect_leaks=0");
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(QUORVEX_PROGRAM), {});
        ASSERT_TRUE(program.waitForStarted(10000));
        // The settings are loaded once the program holds the database file
        // open; the signal comes a moment after that.
        const QString database = QFileInfo("Config/Config.fdb").canonicalFilePath();
        const QDeadlineTimer deadline(30000);
        const auto holdsDatabase = [&] {
            const QString fds = "/proc/" + QString::number(program.processId()) + "/fd";
            for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::Files | QDir::System))
                if (fd.symLinkTarget() == database)
                    return true;
            return false;
        };
        while (!holdsDatabase() && !deadline.hasExpired() && program.state() == QProcess::Running)
            QThread::msleep(20);
        QThread::msleep(1000);
        ::kill(pid_t(program.processId()), signal);
        EXPECT_TRUE(program.waitForFinished(5000)) << "still running 5 s after signal " << signal;
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << signal;
        std::vector<std::string> stored;
        for (const ConfigRecord& record : ServerConfigRecords())
            stored.push_back(record[1]);
        EXPECT_NE(std::find(stored.begin(), stored.end(), std::to_string(OPT_SIZE_MAIN)), stored.end())
            << "the layout is stored, signal " << signal;
    }
}

} // namespace
