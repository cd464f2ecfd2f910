#include "capture/GrabChoices.h"

#include "platform/videograb/TVideoSampleGrab.h"
#include "settings/MParam.h"
#include "shapes/MTool.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace capture {

int PackSize(TSize size) { return MTool::PackPoint({size.cx, size.cy}); }

TSize UnpackSize(int packed)
{
    TPoint point;
    MTool::UnpackPoint(packed, point);
    return {point.x, point.y};
}

std::string SizeText(TSize size) { return std::to_string(size.cx) + " x " + std::to_string(size.cy); }

bool ReadDevices(TVideoSampleGrab& grabber, MParam& param, QComboBox& combo, std::vector<std::string>& names,
                 std::string& deviceName)
{
    QVariant list;
    if (grabber.GetDeviceNames(list) < 0)
        return false;
    names.clear();
    for (const QVariant& name : list.toList())
        if (name.typeId() == QMetaType::QString)
            names.push_back(name.toString().toStdString());

    std::string saved;
    param.GetText(OPT_GRAB_DEVICE, saved);
    int selection = 0;
    const QSignalBlocker blocker(combo);
    combo.clear();
    for (const std::string& name : names) {
        combo.addItem(QString::fromStdString(name));
        if (!saved.empty() && saved == name) {
            deviceName = name;
            selection = combo.count() - 1;
        }
    }
    if (combo.count() > selection)
        combo.setCurrentIndex(selection);
    if (deviceName.empty() && combo.count() > 0)
        deviceName = combo.currentText().toStdString();
    // The control starts on its first device.
    if (!deviceName.empty() && selection != 0)
        grabber.SetDevice(QString::fromStdString(deviceName));
    return true;
}

void ApplySavedFrameSize(TVideoSampleGrab& grabber, MParam& param, TSize& frameSize)
{
    std::int32_t saved = 0;
    param.GetLong(OPT_GRAB_FORMAT, saved);
    if (saved > 0) {
        frameSize = UnpackSize(saved);
        grabber.SetVideoSize(saved);
    }
}

void ClearFormats(QComboBox& combo, std::map<std::string, int>& formats)
{
    formats.clear();
    const QSignalBlocker blocker(combo);
    combo.clear();
}

bool TakePickedDevice(TVideoSampleGrab& grabber, const QComboBox& devices, std::string& deviceName,
                      QComboBox& formatCombo, std::map<std::string, int>& formats)
{
    const std::string text = devices.currentText().toStdString();
    if (text.empty() || text == deviceName)
        return false;
    deviceName = text;
    grabber.SetDevice(QString::fromStdString(text));
    ClearFormats(formatCombo, formats);
    return true;
}

int TakePickedFormat(TVideoSampleGrab& grabber, const QComboBox& combo, const std::map<std::string, int>& formats,
                     TSize& frameSize)
{
    const auto format = formats.find(combo.currentText().toStdString());
    if (format == formats.end() || format->second == PackSize(frameSize))
        return 0;
    frameSize = UnpackSize(format->second);
    grabber.SetVideoSize(format->second);
    return format->second;
}

void BuildFormatList(TVideoSampleGrab& grabber, MParam& param, bool useSaved, QComboBox& combo,
                     std::map<std::string, int>& formats, TSize& frameSize)
{
    int packed = 0;
    grabber.GetVideoDefault(packed);
    const TSize standard = UnpackSize(packed);
    grabber.GetVideoMin(packed);
    const TSize smallest = UnpackSize(packed);
    grabber.GetVideoMax(packed);
    const TSize largest = UnpackSize(packed);

    frameSize = standard;
    if (useSaved) {
        std::int32_t saved = 0;
        param.GetLong(OPT_GRAB_FORMAT, saved);
        if (saved > 0)
            frameSize = UnpackSize(saved);
    }

    ClearFormats(combo, formats);
    const QSignalBlocker blocker(combo);
    int selection = 0;
    const auto add = [&](TSize size, const std::string& text) {
        combo.addItem(QString::fromStdString(text));
        if (size == frameSize)
            selection = combo.count() - 1;
        formats.emplace(text, PackSize(size)); // a text already listed keeps its first size
    };
    TSize size = smallest;
    if (smallest.cx > 0 && smallest.cy > 0) {
        while (size.cx < largest.cx) {
            add(size, SizeText(size) + (size == standard ? "(default)" : ""));
            size.cx += smallest.cx;
            size.cy += smallest.cy;
        }
    }
    if (largest.cx + smallest.cx > size.cx)
        add(largest, SizeText(largest));
    if (combo.count() > selection)
        combo.setCurrentIndex(selection);
}

} // namespace capture
