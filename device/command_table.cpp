#include "device/command_table.h"

namespace tals {

const TCommandInfo *FindCommand(int code)
{
    for (const TCommandInfo &c : kCommandTable)
        if (code >= c.First && code <= c.Last)
            return &c;
    return nullptr;
}

const TCommandInfo *FindCommandByName(std::string_view name)
{
    for (const TCommandInfo &c : kCommandTable)
        if (name == c.Name)
            return &c;
    return nullptr;
}

std::span<const TCommandInfo> CommandTable()
{
    return kCommandTable;
}

} // namespace tals
