// A working directory with an empty Config folder and both data modules, as
// at start-up, for the tests of the configuration store.
#pragma once

#include "settings/MDMMain.h"
#include "settings/MDataOptions.h"
#include "settings/MParam.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WorkingFolder.isValid());
        QDir::setCurrent(WorkingFolder.path());
        QDir().mkdir("Config");
        MParam::ResetForTesting();
        DataModuleOptions = new TDataModuleOptions();
        DMMain = new TDMMain();
    }

    void TearDown() override
    {
        MParam::ResetForTesting();
        delete DMMain;
        DMMain = nullptr;
        delete DataModuleOptions;
        DataModuleOptions = nullptr;
        QDir::setCurrent(PreviousFolder);
    }

    MParam& Param() { return *MParam::GetInstance(); }

    // Closes the store and opens a new one on new data modules, as the next
    // run of the program would.
    void Restart()
    {
        Param().Close();
        MParam::ResetForTesting();
        const bool withMainModule = DMMain != nullptr;
        delete DMMain;
        DMMain = withMainModule ? new TDMMain() : nullptr;
        delete DataModuleOptions;
        DataModuleOptions = new TDataModuleOptions();
        ASSERT_TRUE(Param().Open());
    }

    std::string Text(int id)
    {
        std::string text;
        Param().GetText(id, text);
        return text;
    }

    QTemporaryDir WorkingFolder;
    QString PreviousFolder = QDir::currentPath();
};
