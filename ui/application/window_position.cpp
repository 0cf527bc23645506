#include "ui/application/window_position.h"

#include "platform/ini_file.h"
#include "platform/paths.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tals {

namespace {

const QString kName = QStringLiteral("Name");
const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
const QString kState = QStringLiteral("WindowState");

// How much of a window must lie on a screen for it to count as visible there.
constexpr qint64 kVisibleWidth = 100;
constexpr qint64 kVisibleHeight = 30;

// A rectangle in 64 bits, so that stored extremes cannot overflow.
struct TSpan
{
    qint64 Left, Top, Width, Height;
    qint64 Right() const { return Left + Width; }
    qint64 Bottom() const { return Top + Height; }
};

TSpan SpanOf(const QRect &r)
{
    return {r.left(), r.top(), r.width(), r.height()};
}

// Area of the part of `a` that lies on `b`.
qint64 Overlap(const TSpan &a, const TSpan &b, qint64 *width = nullptr, qint64 *height = nullptr)
{
    const qint64 w = std::max<qint64>(0, std::min(a.Right(), b.Right()) - std::max(a.Left, b.Left));
    const qint64 h = std::max<qint64>(0, std::min(a.Bottom(), b.Bottom()) - std::max(a.Top, b.Top));
    if (width)
        *width = w;
    if (height)
        *height = h;
    return w * h;
}

// Whether enough of the window lies on the area to grab it there.
bool Visible(const TSpan &window, const TSpan &area)
{
    qint64 w = 0, h = 0;
    Overlap(window, area, &w, &h);
    return w >= std::min(kVisibleWidth, window.Width) &&
           h >= std::min(kVisibleHeight, window.Height);
}

bool Contains(const TSpan &area, qint64 x, qint64 y)
{
    return x >= area.Left && x < area.Right() && y >= area.Top && y < area.Bottom();
}

// The area that holds the window's top left corner, else the one it covers
// most; -1 when it lies on none.
int AreaOf(const TSpan &window, const QList<QRect> &areas)
{
    int best = -1;
    qint64 bestOverlap = 0;
    for (int i = 0; i < areas.size(); ++i) {
        const TSpan area = SpanOf(areas[i]);
        if (Contains(area, window.Left, window.Top))
            return i;
        const qint64 overlap = Overlap(window, area);
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = i;
        }
    }
    return best;
}

} // namespace

TWindowPlacement FitPlacement(const TWindowPlacement &stored, const TWindowPlacement &design,
                              const QList<QRect> &areas)
{
    TWindowPlacement p = stored;
    if (p.WindowState < 0 || p.WindowState > 2)
        p.WindowState = 0;
    if (areas.isEmpty())
        return p;
    // A missing size keeps the design size.
    if (p.Width <= 0 || p.Height <= 0) {
        p.Width = design.Width;
        p.Height = design.Height;
    }
    const qint64 w = std::max(1, p.Width);
    const qint64 h = std::max(1, p.Height);

    // Off every screen: the design position.
    int index = AreaOf({p.Left, p.Top, w, h}, areas);
    if (index < 0 || !Visible({p.Left, p.Top, w, h}, SpanOf(areas[index]))) {
        p.Left = design.Left;
        p.Top = design.Top;
        index = std::max(0, AreaOf({p.Left, p.Top, w, h}, areas));
    }
    const QRect &area = areas[index];

    // No larger than its screen; the title bar and a part of the window on it.
    p.Width = int(std::min<qint64>(w, area.width()));
    p.Height = int(std::min<qint64>(h, area.height()));
    const qint64 grabWidth = std::min<qint64>(kVisibleWidth, p.Width);
    const qint64 grabHeight = std::min<qint64>(kVisibleHeight, p.Height);
    p.Left = int(std::clamp<qint64>(p.Left, qint64(area.left()) - p.Width + grabWidth,
                                    qint64(area.left()) + area.width() - grabWidth));
    p.Top =
        int(std::clamp<qint64>(p.Top, area.top(), qint64(area.top()) + area.height() - grabHeight));
    return p;
}

QList<QRect> AvailableScreenAreas()
{
    QList<QRect> areas;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (const QScreen *screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    return areas;
}

TWindowPositionStore::TWindowPositionStore(const QString &startDir)
    : m_path(IniFilePath(startDir, QStringLiteral("WndPos.ini")))
{}

bool TWindowPositionStore::Read(const QString &section, TWindowPlacement &placement) const
{
    if (!QFileInfo::exists(m_path))
        return false;
    const TIniFile ini(m_path);
    if (!ini.SectionExists(section))
        return false;
    placement.Left = ini.ReadInteger(section, kLeft, placement.Left);
    placement.Top = ini.ReadInteger(section, kTop, placement.Top);
    placement.Width = ini.ReadInteger(section, kWidth, placement.Width);
    placement.Height = ini.ReadInteger(section, kHeight, placement.Height);
    placement.WindowState = ini.ReadInteger(section, kState, placement.WindowState);
    return true;
}

void TWindowPositionStore::Write(const QString &section, const TWindowPlacement &placement) const
{
    TIniFile ini(m_path);
    ini.WriteString(section, kName, section);
    ini.WriteInteger(section, kLeft, placement.Left);
    ini.WriteInteger(section, kTop, placement.Top);
    ini.WriteInteger(section, kWidth, placement.Width);
    ini.WriteInteger(section, kHeight, placement.Height);
    ini.WriteInteger(section, kState, placement.WindowState);
    ini.UpdateFile();
}

TWindowPlacement PlacementOf(const QWidget &window)
{
    // A maximised or minimised window keeps its normal bounds for the next start.
    const bool special = window.isMaximized() || window.isMinimized() || window.isFullScreen();
    QRect r = special ? window.normalGeometry() : window.geometry();
    if (!r.isValid())
        r = window.geometry();
    // The left and top edges are those of the frame, as move() takes them.
    const QPoint frameOffset = window.geometry().topLeft() - window.frameGeometry().topLeft();
    TWindowPlacement p;
    p.Left = r.left() - (special ? 0 : frameOffset.x());
    p.Top = r.top() - (special ? 0 : frameOffset.y());
    p.Width = r.width();
    p.Height = r.height();
    p.WindowState = window.isMaximized() ? 2 : window.isMinimized() ? 1 : 0;
    return p;
}

void ApplyPlacement(QWidget &window, const TWindowPlacement &placement)
{
    window.move(placement.Left, placement.Top);
    if (placement.Width > 0 && placement.Height > 0)
        window.resize(placement.Width, placement.Height);
    Qt::WindowStates states = window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (placement.WindowState == 1)
        states |= Qt::WindowMinimized;
    else if (placement.WindowState == 2)
        states |= Qt::WindowMaximized;
    window.setWindowState(states);
}

void TWindowPositionStore::Restore(QWidget &window) const
{
    const TWindowPlacement design = PlacementOf(window);
    TWindowPlacement p = design;
    if (Read(window.objectName(), p))
        ApplyPlacement(window, FitPlacement(p, design, AvailableScreenAreas()));
}

void TWindowPositionStore::Save(const QWidget &window) const
{
    if (!window.objectName().isEmpty())
        Write(window.objectName(), PlacementOf(window));
}

void RestoreWindowPlacement(QWidget &window, const QString &startDir)
{
    TWindowPositionStore(startDir).Restore(window);
}

void SaveWindowPlacement(const QWidget &window, const QString &startDir)
{
    TWindowPositionStore(startDir).Save(window);
}

void RestoreWindowPlacement(QWidget &window)
{
    RestoreWindowPlacement(window, StartDir());
}

void SaveWindowPlacement(const QWidget &window)
{
    SaveWindowPlacement(window, StartDir());
}

} // namespace tals
