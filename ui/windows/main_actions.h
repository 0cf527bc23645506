#pragma once

// The main window's action list as one table: every operator command with its
// caption, hint, menu, mode flags, check group, shortcut, icon and what it runs.

#include <QString>

#include <span>

namespace tals {

class TFormMain;
struct TActionDef;

// What an action runs.
enum class TActionKind {
    Handler,       // a handler of the main window
    DeviceCommand, // one command code with retries and the failure message
    SingleShot,    // one command code without retries or message
    OpenWindow,    // creates or raises the window named in `target`
    Trend,         // the trend window of slot `code` for the archive name `target`
};

// Flags of an action.
enum TActionFlag : unsigned {
    afNone = 0,
    afFull = 1u << 0,          // visible only in full-access mode
    afPollDependent = 1u << 1, // disabled while polling is on
    afNewSoftware = 1u << 2,   // does nothing unless the device runs the new software
    afGauges = 1u << 3,        // UpdateGaugeRanges after success
    afRefresh = 1u << 4,       // RefreshAllWindows after success
    afSeparator = 1u << 5,     // a separator stands before it in its menu
    afCheckable = 1u << 6,     // carries a check mark
};

struct TActionDef
{
    const char *name;
    const char *caption;
    const char *hint; // nullptr: the caption
    const char *menu; // nullptr: in no menu
    unsigned flags;
    const char *group;    // exclusive check group, nullptr for none
    const char *shortcut; // nullptr for none
    const char *icon;     // resource path, nullptr for none
    TActionKind kind;
    int code;           // command code or trend slot
    const char *target; // window name or archive name
    void (TFormMain::*handler)(const TActionDef &);

    QString Name() const { return QString::fromLatin1(name); }
    QString Caption() const { return QString::fromUtf8(caption); }
    QString Hint() const { return QString::fromUtf8(hint ? hint : caption); }
    bool Has(TActionFlag f) const { return (flags & f) != 0; }
};

// The actions in menu order (menus in the order of the menu bar); actions in no
// menu come last.
std::span<const TActionDef> MainActions();
const TActionDef *FindMainAction(const QString &name);

// Menu titles in menu-bar order.
std::span<const char *const> MainMenus();
// Title of the menu that is shown only in full-access mode.
inline const char *FullAccessMenu()
{
    return "Массив";
}

// The tool bar from left to right; "|" is a separator. Names that are no action
// are the tool bar's own buttons.
std::span<const char *const> MainToolBar();

} // namespace tals
