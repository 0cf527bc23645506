#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tals {

// Saves the window's current picture as a PNG file, creating the folders on the
// way. Pending paint events are processed first. False when nothing was saved.
bool SaveWindowPicture(QWidget *window, const QString &path);

// Saves each visible top-level window whose object name is listed as
// folder/<object name>.png. Returns the paths written, in the order of the names.
QStringList SaveWindowPictures(const QString &folder, const QStringList &objectNames);

// After delayMs of the running event loop saves the listed windows as above, then,
// when quit is set, ends the event loop with exit code 0 if every window was saved
// and 1 otherwise. For unattended pictures of a running program.
void ScheduleWindowPictures(const QString &folder, const QStringList &objectNames, int delayMs,
                            bool quit);

} // namespace tals
