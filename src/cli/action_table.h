// Which of the window's action slots each command runs, and the status text with which that
// action ends when it succeeded. An action ends on its own text in every case; any other last
// text is a failure, which already carries its result code ("Update failed (1283)").
#pragma once

#include <array>
#include <string>

#include "cli/options.h"

namespace zt::cli {

struct ActionRow {
    Command command;
    char bank;  // 'A' also stands for the only bank of a one-bank kind; 0 for any
    int slot;
    const char* success;
};

inline constexpr std::array<ActionRow, 6> kActions{{
    {Command::Update, 0, 1, "Updated successfully"},
    {Command::Save, 'A', 2, "File saved successfully"},
    {Command::Save, 'B', 3, "File saved successfully"},
    {Command::Load, 'A', 4, "File loaded successfully"},
    {Command::Load, 'B', 5, "Presets loaded successfully"},
    {Command::Wavetables, 0, 6, "Wavetables loaded successfully"},
}};

// The row of a command and bank; nullptr for list.
inline const ActionRow* findAction(Command command, char bank) {
    for (const ActionRow& row : kActions) {
        if (row.command == command && (row.bank == 0 || row.bank == bank)) return &row;
    }
    return nullptr;
}

}  // namespace zt::cli
