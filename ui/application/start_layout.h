#pragma once

// Where the windows opened at start-up go when the window-position store has
// no place for them: side by side on the screen, none over another where the
// screen leaves room. The main window and the windows under it on the left,
// the parameters window on the right.

#include <QHash>
#include <QRect>
#include <QSize>
#include <QString>

namespace tals {

// Room a window manager takes around a window: the title bar and the borders.
inline constexpr int kFrameTitle = 30;
inline constexpr int kFrameBorder = 2;

// Geometries (without the frame) of "FormMain", "FormTals352I", "FormReqAns",
// "FormSelectCMD" and "FormTalsPar" on the given available screen area, from
// the sizes the windows have by design. A window missing from `sizes` gets
// no place.
QHash<QString, QRect> StartLayout(const QRect &area, const QHash<QString, QSize> &sizes);

} // namespace tals
