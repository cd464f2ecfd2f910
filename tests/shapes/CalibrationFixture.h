// Fresh parameter store, toolbox and unit converter for each test, and a way
// to put a calibration in force as the calibration window leaves it.
#pragma once

#include "settings/MParam.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <gtest/gtest.h>

#include <string>

class CalibrationFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        MParam::ResetForTesting();
        MTool::ResetInstanceForTesting();
        MRuleTool::ResetInstanceForTesting();
    }
    void TearDown() override { SetUp(); }

    // Scale (units per pixel), unit, and the user's display unit (none: "").
    static void Calibrate(double scale, const std::string& unit, const std::string& userUnit = "")
    {
        MParam* param = MParam::GetInstance();
        param->SetDouble(OPT_RULE_SCALE, scale, false);
        param->SetText(OPT_RULE_UNIT, unit, false);
        param->SetText(OPT_RULE_UNIT_USER, userUnit, false);
    }
};
