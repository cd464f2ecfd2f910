#include "workspace/MSum.h"

#include "platform/gui/Dialogs.h"
#include "settings/MLan.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QShowEvent>

TFormSum* FormSum = nullptr;

namespace {

// Tab stops every eight columns, so cells padded to a common width line up.
constexpr int kTabColumns = 8;

} // namespace

TFormSum::TFormSum(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setupUi(this);
    // Above the tool windows, which stay on top of the main window.
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::WindowStaysOnTopHint);
    setObjectName(QStringLiteral("FormSum"));
    Lan = MLan::GetInstance();
    // Enter must not close the window through a default button.
    BBExcel->setAutoDefault(false);
    BBConfirm->setAutoDefault(false);
    connect(BBExcel, &QPushButton::clicked, this, &TFormSum::BBExcelClick);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormSum::BBConfirmClick);
}

void TFormSum::SetLines(const std::vector<std::string>& lines)
{
    QString text;
    for (const std::string& line : lines) {
        QString shown = QString::fromStdString(line);
        if (shown.endsWith(QLatin1Char('\n')))
            shown.chop(1);
        text += shown;
        text += QLatin1Char('\n');
    }
    if (!text.isEmpty())
        text.chop(1);
    MemoSum->setPlainText(text);
}

void TFormSum::showEvent(QShowEvent* event)
{
    // The cells are padded by columns: a fixed-pitch font shows them as
    // columns. Looking the font up is left to the first show, not start-up.
    if (MemoSum->font() != QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        MemoSum->setFont(fixed);
        MemoSum->setTabStopDistance(QFontMetricsF(fixed).horizontalAdvance(QLatin1Char(' ')) * kTabColumns);
    }
    FormShow();
    if (!event->spontaneous())
        PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
    // The window opens with Confirm taking the keyboard.
    BBConfirm->setFocus();
}

void TFormSum::FormShow()
{
    setWindowTitle(QString::fromStdString(Lan->Texts[250]));
    BBExcel->setText(QString::fromStdString(Lan->Texts[162]));
    BBConfirm->setText(QString::fromStdString(Lan->Texts[156]));
}

void TFormSum::BBExcelClick()
{
    Q_EMIT ExcelClicked();
}

void TFormSum::BBConfirmClick()
{
    close();
}
