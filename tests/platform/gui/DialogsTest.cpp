// Placing a dialog in the middle of the screen: where it stands when shown,
// the first time and every time after.
#include "platform/gui/Dialogs.h"
#include "tests/support/WindowPlace.h"

#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// A dialog as the program's forms are made: captions set and the window
// centred whenever it is shown, shown modally and closed again.
class CentredDialog : public QDialog {
public:
    std::function<void()> FormShow = [] {};

    // Opens the dialog `times` times and gives where it stood each time.
    std::vector<QRect> PlacesWhenOpened(int times)
    {
        std::vector<QRect> places;
        for (int opening = 0; opening < times; ++opening) {
            QTimer::singleShot(0, this, [this, &places] {
                places.push_back(SettledGeometry(this));
                reject();
            });
            exec();
        }
        return places;
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        FormShow();
        PlaceAtScreenCentre(this);
        QDialog::showEvent(event);
    }
};

TEST(PlaceAtScreenCentreTest, ADialogOpensInTheMiddleOfTheScreenEveryTime)
{
    CentredDialog dialog;
    dialog.resize(300, 200);
    const std::vector<QRect> places = dialog.PlacesWhenOpened(4);
    for (const QRect& place : places) {
        EXPECT_EQ(place.size(), QSize(300, 200));
        EXPECT_TRUE(InTheMiddle(place)) << PlaceText(place);
        EXPECT_EQ(place, places.front()) << PlaceText(place) << " after " << PlaceText(places.front());
    }
}

TEST(PlaceAtScreenCentreTest, ADialogSizedByItsLayoutIsCentredAtTheSizeItShowsWith)
{
    // Captions set when the dialog is shown change the size its layout
    // fixes, as a change of language does.
    CentredDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* caption = new QLabel(QStringLiteral("Short"));
    caption->setMinimumHeight(40);
    layout->addWidget(caption);
    dialog.FormShow = [caption] { caption->setText(QString(40, QLatin1Char('W'))); };
    const std::vector<QRect> places = dialog.PlacesWhenOpened(1);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_GT(places.front().width(), 300);
    EXPECT_TRUE(InTheMiddle(places.front())) << PlaceText(places.front());
}

} // namespace
