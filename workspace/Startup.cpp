#include "workspace/Startup.h"

#include "capture/MGrab.h"
#include "capture/MGrabConfig.h"
#include "capture/MSplit.h"
#include "capture/MSplitLive.h"
#include "platform/gui/TApplication.h"
#include "platform/system/SingleInstance.h"
#include "platform/system/TerminationSignals.h"
#include "settings/MDMMain.h"
#include "settings/MDataOptions.h"
#include "settings/MOptions.h"
#include "workspace/MAbout.h"
#include "workspace/MDigit.h"
#include "workspace/MDlgRule.h"
#include "workspace/MImagePrint.h"
#include "workspace/MImagePrintOption.h"
#include "workspace/MImagePrintPreview.h"
#include "workspace/MRule.h"
#include "workspace/MRuleHoriVert.h"
#include "workspace/MRuleValue.h"
#include "workspace/MSplash.h"
#include "workspace/MSum.h"
#include "workspace/MValue.h"
#include "workspace/MZoom.h"
#include "workspace/Quorvex.h"

#include <QGuiApplication>
#include <QScreen>

#include <fontconfig/fontconfig.h>

#include <memory>
#include <thread>

namespace {

template <typename T, T*& Global>
void Make()
{
    Global = new T;
}

template <typename T, T*& Global>
void Free()
{
    delete Global;
    Global = nullptr;
}

template <typename T, T*& Global>
TFormEntry Entry(const char* className)
{
    return {className, &Make<T, Global>, &Free<T, Global>};
}

// The splash window, half the desktop in each direction, centred.
std::unique_ptr<TFormSplash> ShowSplash()
{
    auto splash = std::make_unique<TFormSplash>();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        splash->resize(SplashSize(desktop));
        splash->move(desktop.center() - splash->rect().center());
    }
    splash->show();
    splash->repaint();
    QGuiApplication::processEvents();
    return splash;
}

} // namespace

QSize SplashSize(const QRect& desktop)
{
    return {(desktop.x() + desktop.width()) / 2, (desktop.y() + desktop.height()) / 2};
}

const std::vector<TFormEntry>& FormCreationOrder()
{
    static const std::vector<TFormEntry> order{
        Entry<TFormMeasure, FormMeasure>("TFormMeasure"),
        Entry<TDataModuleOptions, DataModuleOptions>("TDataModuleOptions"),
        Entry<TDlgRule, DlgRule>("TDlgRule"),
        Entry<TAboutBox, AboutBox>("TAboutBox"),
        Entry<TFormOptions, FormOptions>("TFormOptions"),
        Entry<TFormGrab, FormGrab>("TFormGrab"),
        Entry<TFormValue, FormValue>("TFormValue"),
        Entry<TFormZoom, FormZoom>("TFormZoom"),
        Entry<TFormRule, FormRule>("TFormRule"),
        Entry<TFormGrabConfig, FormGrabConfig>("TFormGrabConfig"),
        Entry<TFormSplitLive, FormSplitLive>("TFormSplitLive"),
        Entry<TFormSplit, FormSplit>("TFormSplit"),
        Entry<TFormSum, FormSum>("TFormSum"),
        Entry<TDMMain, DMMain>("TDMMain"),
        Entry<TFormImagePrint, FormImagePrint>("TFormImagePrint"),
        Entry<TFormImagePrintPreview, FormImagePrintPreview>("TFormImagePrintPreview"),
        Entry<TFormImagePrintOption, FormImagePrintOption>("TFormImagePrintOption"),
        Entry<TFormRuleValue, FormRuleValue>("TFormRuleValue"),
        Entry<TFormRuleHoriVert, FormRuleHoriVert>("TFormRuleHoriVert"),
        Entry<TFormDigit, FormDigit>("TFormDigit"),
    };
    return order;
}

std::vector<std::string> CreateForms()
{
    std::vector<std::string> created;
    for (const TFormEntry& entry : FormCreationOrder()) {
        entry.Create();
        created.emplace_back(entry.ClassName);
    }
    if (FormMeasure)
        FormMeasure->ConnectToolWindows();
    return created;
}

void DestroyForms()
{
    const std::vector<TFormEntry>& order = FormCreationOrder();
    for (auto entry = order.rbegin(); entry != order.rend(); ++entry)
        entry->Destroy();
}

int StartQuorvex(const QString& instanceName)
{
    try {
        QCoreApplication::setApplicationName(QStringLiteral("Quorvex"));
        TApplication::SetTitle(QStringLiteral("Quorvex"));

        TSingleInstance instance(instanceName);
        if (instance.Acquire(WM_INSTANCE_ACTIVATE) == TSingleInstance::TStart::HandedOver)
            return 0;

        // The end of a desktop session, or Ctrl+C in a terminal: the program
        // ends as on File > Exit, with its layout and settings stored, but
        // without the exit question that nobody is there to answer.
        TTerminationSignals terminationSignals;
        QObject::connect(&terminationSignals, &TTerminationSignals::Requested, qApp, [] {
            if (FormMeasure && FormMeasure->SettingsLoaded)
                FormMeasure->FormClose();
            // Not quit(), which would close the windows and so ask.
            QCoreApplication::exit(0);
        });

        // A later start may knock while the forms are still being made; a
        // knock before the main window exists needs no answer, since that
        // window is about to be shown in front anyway.
        QObject::connect(&instance, &TSingleInstance::MessageReceived, &instance, [](int message) {
            if (FormMeasure)
                FormMeasure->Dispatch(message);
        });
        std::unique_ptr<TFormSplash> splash = ShowSplash();
        CreateForms();
        splash.reset();

        // The program ends when its main window closes, whatever tool
        // windows are still open.
        QObject::connect(FormMeasure, &TFormMeasure::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        FormMeasure->show();
        QApplication::exec();

        DestroyForms();
        instance.Release();
    } catch (const std::exception& error) {
        TApplication::ShowException(error);
    } catch (...) {
        TApplication::ShowException(QString());
    }
    return 0;
}

int RunQuorvex(int argc, char** argv)
{
    // Reading the system's font configuration takes about as long as
    // connecting to the display; the first text drawn (the splash) needs it,
    // so it is read alongside and ready before anything is drawn.
    std::jthread fontConfiguration([] { FcInit(); });
    TApplication application(argc, argv);
    fontConfiguration.join();
    return StartQuorvex(QString::fromLatin1(INSTANCE_MARKER_NAME));
}
