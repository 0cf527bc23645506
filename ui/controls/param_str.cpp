#include "ui/controls/param_str.h"

#include "platform/paths.h"
#include "platform/user_folders.h"
#include "ui/controls/ini_combo_box.h"

namespace tals {

QString ParameterListSection(const QString &property)
{
    for (const TParameterList &list : kParameterLists) {
        if (property == QLatin1String(list.property))
            return QString::fromUtf8(list.section);
    }
    return QString();
}

QString ParametersIniPath()
{
    return ProgramDataIniPath(QStringLiteral("Parameters.ini"));
}

bool LoadParameterList(TiniComboBox &box, const QString &property)
{
    box.SetFileName(ParametersIniPath());
    box.SetSectionName(ParameterListSection(property));
    return box.LoadItems();
}

} // namespace tals
