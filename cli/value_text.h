#pragma once

// How the tool writes and reads register values: a point as decimal
// separator whatever the locale, integers without fraction, and a single
// precision register with the fewest digits that give the same single back.

#include "device/register_table.h"

#include <QJsonValue>
#include <QString>

#include <optional>

namespace tals::cli {

QString ValueText(const TPropertyInfo &p, double value);
// The same value for JSON output (as a number).
QJsonValue ValueJson(const TPropertyInfo &p, double value);
// A real with the shortest text, for readings (single precision on the wire).
QString SingleText(double value);

// The text as a value of the property: a point or a comma as decimal
// separator; integer kinds take whole numbers only. Empty when not a number.
std::optional<double> ParseValue(const TPropertyInfo &p, const QString &text);

// The table entry of that name (exact, else without regard to case).
const TPropertyInfo *FindProperty(const QString &name);

} // namespace tals::cli
