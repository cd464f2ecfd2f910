// The range record of one video amplifier property of the capture control:
// 28 bytes, laid out as the control has always handed it out, one per
// property (AMP_BRIGHTNESS to AMP_SATURATION). The control owns the four
// records for its whole life and updates Current whenever a value is set.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int AMP_BRIGHTNESS = 0;
inline constexpr int AMP_CONTRAST = 1;
inline constexpr int AMP_HUE = 2;
inline constexpr int AMP_SATURATION = 3;
inline constexpr int AMP_COUNT = 4;

struct TVideoAmpRange {
    std::int32_t Min = 0;
    std::int32_t Max = 0;
    std::int32_t Step = 0;       // the device's step between values
    std::int32_t Default = 0;    // the device's default value
    std::int32_t Initial = 0;    // the position to show when no current value is known
    std::uint8_t Enabled = 0;    // not 0: the property exists and can be set
    std::uint8_t HasCurrent = 0; // not 0: Current holds the device's value
    std::uint8_t Reserved[2] = {0, 0};
    std::int32_t Current = 0;
};

static_assert(sizeof(TVideoAmpRange) == 28);
static_assert(offsetof(TVideoAmpRange, Enabled) == 20);
static_assert(offsetof(TVideoAmpRange, Current) == 24);
