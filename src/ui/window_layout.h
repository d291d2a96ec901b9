// The window's fixed layout: control ids, places, sizes and captions, and the device-button grid.
#pragma once

#include <array>

#include "ui/controls_port.h"

namespace zt::layout {

inline constexpr WindowSpec kWindow{"ZentariToolMainWindow", "Zentari Tool", 350, 235};

inline constexpr int kStatusBarId = 211;
inline constexpr int kStatusRightPartWidth = 40;
inline constexpr int kProgressBarId = 221;
inline constexpr Rect kProgressRect{222, 32, 104, 20};
inline constexpr int kMarqueeIntervalMs = 50;
inline constexpr int kProgressTop = 99;  // the stepped bar runs from 0 to 99

inline constexpr int kSlotCount = 8;           // action slots; slot 7 has no button
inline constexpr int kCommandButtonCount = 7;  // slots 0 to 6

// Command buttons, slots 0 to 6.
inline constexpr std::array<ControlSpec, kCommandButtonCount> kCommandButtons{{
    {ControlKind::CommandButton, 201, "Find Devices", {10, 2, 104, 79}, true, 0},
    {ControlKind::CommandButton, 202, "Update", {10, 86, 104, 79}, false, 0},
    {ControlKind::CommandButton, 203, "", {116, 86, 104, 24}, false, 0},
    {ControlKind::CommandButton, 204, "", {222, 86, 104, 24}, false, 0},
    {ControlKind::CommandButton, 205, "", {116, 113, 104, 24}, false, 0},
    {ControlKind::CommandButton, 206, "", {222, 113, 104, 24}, false, 0},
    {ControlKind::CommandButton, 207, "", {169, 141, 104, 24}, false, 0},
}};

// Device button of catalogue row i: id 301 + 4i, created hidden at (0, 0), 104 x 79.
inline constexpr int kDeviceButtonFirstId = 301;
inline constexpr int kDeviceButtonIdStep = 4;
inline constexpr Rect kDeviceButtonRect{0, 0, 104, 79};

// Captions of slots 2 to 6 for the two kinds of preset device ("" = stays hidden).
inline constexpr std::array<const char*, 5> kPresetCaptions{
    "Save Presets", "", "Load Presets", "", ""};
inline constexpr std::array<const char*, 5> kBankCaptions{
    "Save Bank A", "Save Bank B", "Load Bank A", "Load Bank B", "Load Wavetables"};

// Where the buttons of found rows go, in order: a three-column grid whose first cell belongs to
// the search button.
struct Point {
    int x, y;
};
inline constexpr std::array<Point, 11> kDevicePositions{{
    {116, 2}, {222, 2},
    {10, 86}, {116, 86}, {222, 86},
    {10, 170}, {116, 170}, {222, 170},
    {10, 254}, {116, 254}, {222, 254},
}};

// The four file dialogs.
inline constexpr FileDialogSpec kFirmwareDialog{
    FileDialogKind::Open, "Firmware File (*.hex;*kzt;*kzp)", "*.hex;*.kzt;*.kzp", nullptr, 260};
inline constexpr FileDialogSpec kLoadPresetsDialog{
    FileDialogKind::Open, "Presets File (*.zentari)", "*.zentari", nullptr, 255};
inline constexpr FileDialogSpec kSavePresetsDialog{
    FileDialogKind::Save, "Preset File (*.zentari)", "*.zentari", "zentari", 260};
inline constexpr FileDialogSpec kWavetablesDialog{
    FileDialogKind::Open, "Wavetables File (*.zentari)", "*.zentari", nullptr, 260};

}  // namespace zt::layout
