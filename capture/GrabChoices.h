// The device and frame-size choices that the capture window and the live
// compare window make alike: the device list read from the capture control
// with the remembered device selected, and the list of frame sizes from the
// smallest to the largest the device offers, stepping by the smallest.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <map>
#include <string>
#include <vector>

class MParam;
class QComboBox;
class TVideoSampleGrab;

namespace capture {

// Packed sizes: height * 10000 + width.
int PackSize(TSize size);
TSize UnpackSize(int packed);

// The text of a size in the format list: "640 x 480".
std::string SizeText(TSize size);

// Reads the device names from the control into `names` and `combo`, selects
// the remembered device (option 301) when it is listed, else the first,
// and makes it `deviceName`; the control is told only when the remembered
// device is not its first. False, with nothing changed, when the control
// cannot list its devices.
bool ReadDevices(TVideoSampleGrab& grabber, MParam& param, QComboBox& combo, std::vector<std::string>& names,
                 std::string& deviceName);

// The remembered frame size (option 302), when there is one, becomes
// `frameSize` and the control's size.
void ApplySavedFrameSize(TVideoSampleGrab& grabber, MParam& param, TSize& frameSize);

// Fills `combo` and `formats` with the sizes the control offers; the
// default size is marked "(default)". With `useSaved` the remembered size
// becomes `frameSize`, else the device's default; the entry of `frameSize`
// is selected. A smallest size without width or height cannot be stepped
// by: then only the largest size is offered.
void BuildFormatList(TVideoSampleGrab& grabber, MParam& param, bool useSaved, QComboBox& combo,
                     std::map<std::string, int>& formats, TSize& frameSize);

void ClearFormats(QComboBox& combo, std::map<std::string, int>& formats);

// The device the operator picked in `devices`, when it is another than
// `deviceName`, becomes `deviceName` and the control's device, and the
// format list is emptied for its sizes. False when nothing changes.
bool TakePickedDevice(TVideoSampleGrab& grabber, const QComboBox& devices, std::string& deviceName,
                      QComboBox& formatCombo, std::map<std::string, int>& formats);

// The size the operator picked in `combo`, when it is another than
// `frameSize`, becomes `frameSize` and the control's size for its next
// preview; its packed value is answered. 0 when nothing changes.
int TakePickedFormat(TVideoSampleGrab& grabber, const QComboBox& combo, const std::map<std::string, int>& formats,
                     TSize& frameSize);

} // namespace capture
