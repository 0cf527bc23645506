#pragma once

// The layout of the parameters window as tables: its pages in order, their
// groups, and in each group the controls with the register they stand for.
// Captions and list sections come from the register table unless a row gives
// its own.

#include "device/register_table.h"

#include <span>

namespace tals {

enum class TParControlKind {
    Edit,         // a numeric edit (TEditNum) bound to the register
    ReadOnlyEdit, // a numeric edit that only shows the register
    List,         // a list (TiniComboBox) whose item index is the register value
    Check,        // a check box: 1 when checked, 0 when not; written at once on a click
    Text,         // a read-only text in decimal
    TextPair,     // two read-only texts: the register and the next one of the table
    TextNumber,   // a read-only text with thousands separators and 3 decimals
};

// The field limits of a row that takes them from the model at every refresh
// (they follow the high-frequency mode).
inline constexpr double kModelLimits = -1e300;

struct TParControl
{
    const char *ObjectName; // nullptr for texts: "lbl" + the property name
    TProp Property;
    TParControlKind Kind;
    int Decimals = 0;
    double Minimum = 0; // kModelLimits: the model's current limits
    double Maximum = 0;
    const char *Label = nullptr; // UTF-8; nullptr: the register table's caption
    bool Hidden = false;         // kept out of sight, still refreshed and applied
};

struct TParGroup
{
    const char *ObjectName;
    const char *Caption; // UTF-8
    std::span<const TParControl> Controls;
    // Titles of the two value columns of TextPair rows, or nullptr.
    const char *FirstColumn = nullptr;
    const char *SecondColumn = nullptr;
};

// A button of a page that runs a main-window action.
struct TParButton
{
    const char *ObjectName;
    const char *Caption;        // UTF-8
    const char *Actions;        // one or more action names, separated by blanks
    const char *Hint = nullptr; // UTF-8; nullptr: the caption
};

enum class TParPageShown { Always, FullAccess, Never };

struct TParPage
{
    const char *ObjectName;
    const char *Caption; // UTF-8
    TParPageShown Shown;
    std::span<const TParGroup> Groups;
    std::span<const TParButton> Buttons;
};

// The pages in their order.
std::span<const TParPage> ParameterPages();

// The properties the apply step passes through their setters, in this order
// (SystemAddress and PlantNumber first).
std::span<const TProp> ParameterApplyOrder();

// The caption of the number-of-steps field in the normal and the
// high-frequency mode.
const char *CountStepsCaption(bool highFrequency);

} // namespace tals
