#pragma once

// The window-position store INI/WndPos.ini under the start folder: one section
// per window, named after the window's component name (its objectName).

#include <QList>
#include <QRect>
#include <QString>

class QWidget;

namespace tals {

struct TWindowPlacement
{
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int WindowState = 0; // 0 normal, 1 minimised, 2 maximised
};

class TWindowPositionStore
{
public:
    // The store of the given start folder (the file is INI/WndPos.ini below it).
    explicit TWindowPositionStore(const QString &startDir);

    QString FilePath() const { return m_path; }

    // The section's values; false, leaving `placement` as given, when the file or
    // the section is missing. Reading never creates the file.
    bool Read(const QString &section, TWindowPlacement &placement) const;
    // Writes every key of the section; the file is created when missing.
    void Write(const QString &section, const TWindowPlacement &placement) const;

    // Applies the window's section to it; without a section the window keeps its
    // design position and size. A saved state takes effect when the window is shown.
    void Restore(QWidget &window) const;
    void Save(const QWidget &window) const;

private:
    QString m_path;
};

// The placement of a window as it stands (its normal geometry when maximised or
// minimised) and the application of a placement to a window.
TWindowPlacement PlacementOf(const QWidget &window);
void ApplyPlacement(QWidget &window, const TWindowPlacement &placement);

// A stored placement brought onto the given screen areas: no larger than the
// screen it lies on, its top edge and at least a corner of it visible. A
// placement that lies off every area takes the design position instead (kept
// on the first area). The size of 0 or less means "keep the window's size".
TWindowPlacement FitPlacement(const TWindowPlacement &stored, const TWindowPlacement &design,
                              const QList<QRect> &areas);
// The available areas of the screens, the primary one first.
QList<QRect> AvailableScreenAreas();

// Restore and save of a window's placement in the store of the given start
// folder, or of the program's start folder (StartDir()).
void RestoreWindowPlacement(QWidget &window, const QString &startDir);
void SaveWindowPlacement(const QWidget &window, const QString &startDir);
void RestoreWindowPlacement(QWidget &window);
void SaveWindowPlacement(const QWidget &window);

} // namespace tals
