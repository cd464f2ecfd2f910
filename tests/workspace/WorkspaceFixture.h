// A fresh program for each test: a temporary working directory with the
// run-time folders and the start-up picture, singletons as at start, and the
// forms created in their start-up order.
#pragma once

#include "platform/gui/TApplication.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"
#include "workspace/Quorvex.h"
#include "workspace/Startup.h"
#include "tests/support/ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <string>

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WorkingDir.isValid());
        QDir::setCurrent(WorkingDir.path());
        for (const char* folder : {"Config", "Images", "Output"})
            QDir().mkpath(QString::fromLatin1(folder));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVEX_SOURCE_DIR "/Images/Default.bmp"),
                                QStringLiteral("Images/Default.bmp")));
        ResetSingletons();
        // What the program's application object does from its start.
        TApplication::KeepDialogsAboveOpeners();
    }

    void TearDown() override
    {
        DestroyForms();
        ResetSingletons();
        QDir::setCurrent(SavedDir);
    }

    static void ResetSingletons()
    {
        MParam::ResetForTesting();
        MLan::ResetForTesting();
        MTool::ResetInstanceForTesting();
        MRuleTool::ResetInstanceForTesting();
    }

    // Creates the forms and shows the main window, which loads the settings.
    TFormMeasure& StartForms()
    {
        CreateForms();
        // The exit question, on by default, is answered Yes unless a test asks.
        FormMeasure->ConfirmBox = [](const QString&) { return true; };
        FormMeasure->show();
        return *FormMeasure;
    }

    QTemporaryDir WorkingDir;
    QString SavedDir = QDir::currentPath();
};
