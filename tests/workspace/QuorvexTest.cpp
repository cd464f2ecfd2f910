#include "workspace/Quorvex.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// The main window looks for its pictures relative to the working directory,
// as the program does when started in the repository root.
class InRepositoryRoot : public ::testing::Test {
protected:
    void SetUp() override { QDir::setCurrent(QUORVEX_SOURCE_DIR); }
    void TearDown() override { QDir::setCurrent(saved); }
    QString saved = QDir::currentPath();
};

TEST_F(InRepositoryRoot, MainWindowShowsTheStartUpPicture)
{
    TFormMeasure form;
    EXPECT_EQ(form.windowTitle(), "Quorvex");
    EXPECT_EQ(form.ImageBitmap().Width(), 800);
    EXPECT_EQ(form.ImageBitmap().Height(), 600);
}

TEST_F(InRepositoryRoot, FailedLoadKeepsTheCurrentPicture)
{
    TFormMeasure form;
    const QImage before = form.ImageBitmap().Image();
    EXPECT_FALSE(form.LoadImageFile("Images/NoSuchPicture.bmp"));
    EXPECT_FALSE(form.LoadImageFile("Images/NoSuchPicture.jpg"));
    EXPECT_EQ(form.ImageBitmap().Image(), before);
}

} // namespace
