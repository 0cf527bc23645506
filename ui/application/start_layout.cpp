#include "ui/application/start_layout.h"

#include <algorithm>

namespace tals {

namespace {

// A left column narrower than this is not worth keeping beside the
// parameters window.
constexpr int kNarrowestColumn = 500;

// The outer size of a window of the given inner size.
QSize Outer(const QSize &inner)
{
    return inner + QSize(2 * kFrameBorder, kFrameTitle + kFrameBorder);
}

// The inner geometry of a window whose frame starts at `topLeft`.
QRect Inner(const QPoint &topLeft, const QSize &inner)
{
    return QRect(topLeft + QPoint(kFrameBorder, kFrameTitle), inner);
}

} // namespace

QHash<QString, QRect> StartLayout(const QRect &area, const QHash<QString, QSize> &sizes)
{
    QHash<QString, QRect> layout;
    const int maxInnerHeight = area.height() - kFrameTitle - kFrameBorder;

    // The parameters window takes the right edge from top to bottom.
    int left = area.right() + 1; // the left column ends here
    if (sizes.contains(QStringLiteral("FormTalsPar"))) {
        QSize size = sizes.value(QStringLiteral("FormTalsPar"));
        size.setHeight(std::min(size.height(), maxInnerHeight));
        left = area.right() + 1 - Outer(size).width();
        layout.insert(QStringLiteral("FormTalsPar"), Inner(QPoint(left, area.top()), size));
    }
    const bool besideParameters =
        sizes.contains(QStringLiteral("FormTalsPar")) && left >= area.left() + kNarrowestColumn;
    if (!besideParameters) {
        // No room for a column beside it: it keeps to the right edge on top.
        left = area.right() + 1;
        if (layout.contains(QStringLiteral("FormTalsPar"))) {
            const QSize size = layout.value(QStringLiteral("FormTalsPar")).size();
            const int x = std::max(area.left(), area.right() + 1 - Outer(size).width());
            layout.insert(QStringLiteral("FormTalsPar"), Inner(QPoint(x, area.top()), size));
        }
    }
    const int columnWidth = left - area.left();

    // The main window on top of the left column, no wider than it.
    int top = area.top();
    if (sizes.contains(QStringLiteral("FormMain"))) {
        QSize size = sizes.value(QStringLiteral("FormMain"));
        // Narrowed only to keep beside the parameters window.
        if (besideParameters)
            size.setWidth(std::clamp(columnWidth - 2 * kFrameBorder, 1, size.width()));
        layout.insert(QStringLiteral("FormMain"), Inner(area.topLeft(), size));
        top += Outer(size).height();
    }

    // Under it the readings, and beside them the communications window with
    // the command selection under it.
    int x = area.left();
    const int roomBelow = area.bottom() + 1 - top - kFrameTitle - kFrameBorder;
    if (sizes.contains(QStringLiteral("FormTals352I"))) {
        QSize size = sizes.value(QStringLiteral("FormTals352I"));
        size.setHeight(std::clamp(roomBelow, 1, size.height()));
        layout.insert(QStringLiteral("FormTals352I"), Inner(QPoint(x, top), size));
        x += Outer(size).width();
    }
    int y = top;
    for (const char *name : {"FormReqAns", "FormSelectCMD"}) {
        const QString key = QString::fromLatin1(name);
        if (!sizes.contains(key))
            continue;
        QSize size = sizes.value(key);
        // Where the column is too narrow, the window keeps its width and
        // stays on the screen.
        const int xFit = std::clamp(x, area.left(), area.right() + 1 - Outer(size).width());
        layout.insert(key, Inner(QPoint(xFit, y), size));
        y += Outer(size).height();
    }
    return layout;
}

} // namespace tals
