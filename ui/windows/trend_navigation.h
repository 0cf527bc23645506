#pragma once

// The mouse on a trend chart and the history of its views: the wheel zooms
// the time axis around the cursor (with Ctrl the value axis), dragging with
// the middle button or with Shift pans, a click without dragging is reported
// for the cursors; every change of the view by the operator can be taken
// back and forward again.

#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>

#include <vector>

namespace tals {

struct TTrendView
{
    QCPRange x;
    QCPRange y;
    bool operator==(const TTrendView &o) const { return x == o.x && y == o.y; }
};

class TTrendNavigation : public QObject
{
    Q_OBJECT

public:
    explicit TTrendNavigation(QCustomPlot *chart);

    TTrendView View() const;
    // Remembers the view as it is, before the caller changes it; the
    // forward steps are forgotten.
    void Push();
    bool CanBack() const { return !m_back.empty(); }
    bool CanForward() const { return !m_forward.empty(); }
    // One step back or forward; false when there is none.
    bool Back();
    bool Forward();
    void Clear();
    // Ignores the mouse (while the archive is being read).
    void SetEnabled(bool enabled) { m_enabled = enabled; }

signals:
    // The operator moved or zoomed the view with the mouse.
    void viewChanged();
    // A click that did not drag, at pos (chart coordinates).
    void clicked(const QPoint &pos);
    // The history went one step back or forward.
    void restored();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Apply(const TTrendView &view);

    QCustomPlot *m_chart;
    std::vector<TTrendView> m_back;
    std::vector<TTrendView> m_forward;
    bool m_enabled = true;
    bool m_panning = false;
    QPoint m_pressPos;
    bool m_pressed = false;
    TTrendView m_pressView;
    QElapsedTimer m_sinceWheel;
};

} // namespace tals
