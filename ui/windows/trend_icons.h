#pragma once

// The tool-bar icons of the trend windows, drawn in code so that they scale
// with the screen: one per action name (an empty icon for others).

#include <QIcon>
#include <QString>

namespace tals {

QIcon TrendIcon(const QString &action);

} // namespace tals
