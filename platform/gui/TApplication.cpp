#include "platform/gui/TApplication.h"

#include "platform/gui/LazyIcons.h"
#include "platform/system/Abort.h"

#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <QWidget>
#include <QWindow>

namespace {

QString& ApplicationTitle()
{
    static QString title;
    return title;
}

// Makes each dialog, as it is shown, transient for the active window: the
// window manager then keeps it above that window.
class TDialogOpenerFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* dialog = static_cast<QWidget*>(watched);
        QWidget* opener = QApplication::activeWindow();
        // The show event comes before the window is mapped, so the window
        // manager meets the dialog already tied to its opener.
        if (dialog->windowType() == Qt::Dialog && opener && opener != dialog && dialog->windowHandle() &&
            opener->windowHandle())
            dialog->windowHandle()->setTransientParent(opener->windowHandle());
        return false;
    }
};

} // namespace

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setStyle(new TLazyStandardIconStyle);
    KeepDialogsAboveOpeners();
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    return Guarded([&] { return QApplication::notify(receiver, event); });
}

bool TApplication::Guarded(const std::function<bool()>& deliver)
{
    try {
        return deliver();
    } catch (const EAbort&) {
        // Ended on purpose; nothing to show.
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void TApplication::HandleException()
{
    Guarded([]() -> bool { throw; });
}

void TApplication::ShowException(const std::exception& error)
{
    ShowException(QString::fromUtf8(error.what()));
}

void TApplication::ShowException(const QString& message)
{
    QMessageBox::critical(activeWindow(), Title(), message);
}

void TApplication::SetTitle(const QString& title)
{
    ApplicationTitle() = title;
    // An empty display name ends every title, so Qt appends nothing.
    setApplicationDisplayName(QString());
}

QString TApplication::Title()
{
    return ApplicationTitle();
}

void TApplication::KeepDialogsAboveOpeners()
{
    static TDialogOpenerFilter* filter = nullptr;
    if (filter)
        return;
    filter = new TDialogOpenerFilter(qApp);
    qApp->installEventFilter(filter);
}

void TApplication::BringToFront(QWidget* window)
{
    QWidget* target = activeModalWidget();
    if (!target)
        target = window;
    if (!target)
        return;
    if (target->isMinimized())
        target->showNormal();
    target->raise();
    target->activateWindow();
}

bool TApplication::SetStandardDialogLanguage(const QString& localeName)
{
    // One translator for the life of the program, loaded anew on each switch.
    static QTranslator* qtTexts = nullptr;
    if (qtTexts) {
        removeTranslator(qtTexts);
        delete qtTexts;
        qtTexts = nullptr;
    }
    if (localeName != QLatin1String("zh_CN") && localeName != QLatin1String("zh_TW"))
        return true;
    auto* translator = new QTranslator;
    if (!translator->load(QLatin1String("qtbase_") + localeName, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    installTranslator(translator);
    qtTexts = translator;
    return true;
}
