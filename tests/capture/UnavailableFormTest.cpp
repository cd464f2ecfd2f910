// The capture and compare windows, until capture exists: however they are
// closed, the modal result is Cancel.
#include "capture/MGrab.h"
#include "capture/MGrabConfig.h"
#include "capture/MSplit.h"
#include "capture/MSplitLive.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(UnavailableFormTest, EveryWayOutGivesCancel)
{
    TFormGrab grab;
    TFormGrabConfig config;
    TFormSplitLive splitLive;
    TFormSplit split;
    const std::function<void(QDialog*)> ways[] = {
        [](QDialog* d) { d->findChild<QDialogButtonBox*>("BBCancel")->button(QDialogButtonBox::Cancel)->click(); },
        [](QDialog* d) { d->close(); },
        [](QDialog* d) { d->accept(); },
    };
    for (QDialog* dialog : std::initializer_list<QDialog*>{&grab, &config, &splitLive, &split}) {
        for (const auto& way : ways) {
            QTimer::singleShot(0, dialog, [dialog, &way] { way(dialog); });
            EXPECT_EQ(dialog->exec(), mrCancel) << dialog->objectName().toStdString();
        }
    }
}

} // namespace
