#include "workspace/MCalibration.h"

#include "platform/system/FloatText.h"
#include "settings/MParam.h"
#include "shapes/MTool.h"

int StoreCalibration(MParam& param, const MCalibrationEntry& entry)
{
    double hv = 0;
    double vv = 0;
    if (!MTool::TextToNumber(entry.ValueHori, hv) || !MTool::TextToNumber(entry.ValueVert, vv))
        return CALIBRATION_INVALID_INPUT;
    if (!(hv > 0 && vv > 0))
        return CALIBRATION_INVALID_INPUT;
    if (!(entry.HoriPixels > 0 && entry.VertPixels > 0))
        return CALIBRATION_NO_LENGTH;

    param.SetDouble(OPT_RULE_CALIB_VALUE, hv * 0.1, true);
    param.SetText(OPT_RULE_UNIT_HORI, entry.Unit, true);
    param.SetText(OPT_RULE_UNIT_VERT, entry.Unit, true);
    const double sh = hv / entry.HoriPixels;
    const double sv = vv / entry.VertPixels;
    param.SetDouble(OPT_RULE_VALUE_HORI, sh, true);
    param.SetDouble(OPT_RULE_VALUE_VERT, sv, true);

    param.SetRuler(entry.RulerName.empty() ? DEFAULT_RULER_NAME : entry.RulerName,
                   MRulerItem{platform::FloatToStr(sh), platform::FloatToStr(sv), entry.Unit, entry.Unit});
    param.SaveRulers();
    return CALIBRATION_STORED;
}

MRulerAspect ApplyRulerOptions(MParam& param)
{
    double hv = 0;
    double vv = 0;
    std::string uh;
    std::string uv;
    param.GetDouble(OPT_RULE_VALUE_HORI, hv);
    param.GetDouble(OPT_RULE_VALUE_VERT, vv);
    param.GetText(OPT_RULE_UNIT_HORI, uh);
    param.GetText(OPT_RULE_UNIT_VERT, uv);

    MRulerAspect result;
    const bool horiValid = hv > 0 && !uh.empty();
    const bool vertValid = vv > 0 && !uv.empty();
    if (!horiValid || !vertValid) {
        param.SetScale(0);
        return result;
    }
    if (uh != uv) {
        param.SetScale(0);
        result.UnitsDiffer = true;
        return result;
    }
    param.SetText(OPT_RULE_UNIT, uv, true);
    param.SetScale(vv > hv ? vv : hv);
    if (vv > hv) {
        result.Aspect = RULER_ASPECT_WIDTH;
        result.Ratio = hv / vv;
    } else if (hv > vv) {
        result.Aspect = RULER_ASPECT_HEIGHT;
        result.Ratio = vv / hv;
    }
    return result;
}
