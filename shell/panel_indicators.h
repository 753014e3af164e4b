// The LCD area of the control panel: the clock and blinking prompt while the
// power is off, then the tags, value texts, volume bar and icons.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace lx {

constexpr int kClockId = 4801;
constexpr int kPromptId = 4802;
constexpr int kQualityTextId = 4001;
constexpr int kFilterTextId = 4002;
constexpr int kFileTextId = 4003;
constexpr int kVolumeTextId = 4004;
constexpr int kSoundIconId = 4005;
constexpr int kFilterIconId = 4006;
constexpr int kVolumeBarId = 4008;
constexpr int kFreezeIconId = 4009;
constexpr int kEffectIconId = 4010;
constexpr int kSizeLabelId = 4511;
constexpr int kLengthLabelId = 4512;

constexpr char kPowerPrompt[] = "Press the button  [Power]";

// 0 or 15; flips with every clock tick.
extern int32_t blinkPhase;

// The empty clock and prompt of the off state.
void CreateClockAndPrompt();
// Once a second until power-on: the time, and the prompt shown every other
// second.
void ClockTick();
std::string ClockText(const SYSTEMTIME& time);
void DestroyClockAndPrompt();

// The indicators of the on state with their first values.
void CreateIndicators();
// Sets the text of a panel indicator.
void SetIndicatorText(int id, const std::string& text);
// The volume text and the width of the volume bar.
void ShowVolumeIndicator(int32_t volume);

}  // namespace lx
