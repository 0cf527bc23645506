#include "ui/application/window_position.h"

#include "platform/ini_file.h"
#include "platform/paths.h"

#include <QFileInfo>
#include <QWidget>

namespace tals {

namespace {

const QString kName = QStringLiteral("Name");
const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
const QString kState = QStringLiteral("WindowState");

} // namespace

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
    TWindowPlacement p = PlacementOf(window);
    if (Read(window.objectName(), p))
        ApplyPlacement(window, p);
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
