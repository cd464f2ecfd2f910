// A working folder of its own (Config/, Images/, Output/) with a fresh
// parameter store opened on Config/Config.xml, the main window and the
// calibration window, as the program has them after start-up.
#pragma once

#include "platform/db/TClientDataSet.h"
#include "settings/MDataOptions.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"
#include "workspace/MRuleHoriVert.h"
#include "workspace/Quorvex.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

class WorkingFolderFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WorkingFolder.isValid());
        PreviousFolder = QDir::currentPath();
        QDir::setCurrent(WorkingFolder.path());
        for (const char* folder : {"Config", "Images", "Output"})
            QDir().mkdir(folder);
        ResetServices();
        DataModuleOptions = new TDataModuleOptions();
        ASSERT_TRUE(Param().Open());
        FormMeasure = new TFormMeasure;
        FormRuleHoriVert = new TFormRuleHoriVert(FormMeasure);
    }

    void TearDown() override
    {
        delete FormMeasure; // owns the calibration window
        FormMeasure = nullptr;
        FormRuleHoriVert = nullptr;
        Param().Close();
        delete DataModuleOptions;
        DataModuleOptions = nullptr;
        ResetServices();
        QDir::setCurrent(PreviousFolder);
    }

    static void ResetServices()
    {
        MParam::ResetForTesting();
        MLan::ResetForTesting();
        MTool::ResetInstanceForTesting();
        MRuleTool::ResetInstanceForTesting();
    }

    static MParam& Param() { return *MParam::GetInstance(); }

    static std::string Option(int id)
    {
        std::string text;
        Param().GetText(id, text);
        return text;
    }

    // The value of a record in Config/Config.xml, read by a dataset of its
    // own; "" when there is none.
    static std::string Stored(const std::string& configName, const std::string& optionName)
    {
        TClientDataSet dataSet;
        dataSet.SetFileName("Config/Config.xml");
        dataSet.Open();
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
            if (dataSet.FieldByName("ConfigName").AsString() == configName &&
                dataSet.FieldByName("OptionName").AsString() == optionName)
                return dataSet.FieldByName("OptionValue").AsString();
        return "";
    }

    static std::string StoredOption(int id) { return Stored("DEFAULT", std::to_string(id)); }

    QTemporaryDir WorkingFolder;
    QString PreviousFolder;
};
