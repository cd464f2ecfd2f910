#include "platform/gui/TApplication.h"

#include "platform/system/Abort.h"

#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <QWidget>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
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
    QMessageBox::critical(activeWindow(), applicationDisplayName(), message);
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
