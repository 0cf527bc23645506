#pragma once

#include "ui/application/main_services.h"
#include "ui/application/window_registry.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace tals {

class TIODoubleVisual;
class TIODouble;
class TVHistogram;
class Ttals352;
struct TProgramModes;
struct TReadingRow;

// Runs a main-window action by its object name ("actGraphDistance").
using TExecuteAction = std::function<void(const QString &actionName)>;

// Text of the error register: the negative link code in decimal, otherwise
// "0x" + four hex digits + "=[" + sixteen bits from bit 15 down + "]".
QString ErrorRegisterText(int errorCode);
// Background of the readings group: button face when there is no error,
// yellow for the signal-level codes 8 to 11, red for anything else.
QColor ReadingsGroupColor(int errorCode, const QColor &buttonFace);

// The readings window "Показания ТАЛС35xИ": level gauge, value labels, error
// register and list, and in full-access mode the test distances. The level,
// free space, distance and temperature follow the model's holders through bound
// holders; the rest is re-read by Refresh. The window frees itself when closed
// and keeps its position in the window-position store.
class TFormTals352I : public QWidget, public TRefreshable
{
    Q_OBJECT

public:
    TFormTals352I(Ttals352 &model, const TProgramModes &modes, TExecuteAction executeAction,
                  QWidget *parent = nullptr);
    ~TFormTals352I() override;

    TVHistogram *Gauge() const { return m_gauge; }
    // Where the window learns whether exchanges can be made at all; without
    // it the port counts as open.
    void SetPortStatusQuery(std::function<TPortStatus()> query);

public slots:
    // Re-reads the model: mode visibility, errors, test distances, ranges, colours.
    void Refresh() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *BuildReadingsGroup();
    QWidget *BuildErrorsGroup();
    QWidget *BuildTestDistancesGroup();
    QLabel *AddRow(class QGridLayout *grid, int row, const TReadingRow &reading);
    void CreateBoundHolders();

    Ttals352 &m_model;
    const TProgramModes &m_modes;
    TExecuteAction m_executeAction;
    std::function<TPortStatus()> m_portStatus;

    TVHistogram *m_gauge = nullptr;
    QLabel *m_stxLevel = nullptr;
    QGroupBox *m_gbReadings = nullptr;
    QGroupBox *m_gbTestDistances = nullptr;
    QLabel *m_lblDistance = nullptr;
    QLabel *m_lblLevelFree = nullptr;
    QLabel *m_lblLevel = nullptr;
    QLabel *m_lblTmp = nullptr;
    QLabel *m_lblCurrentOutput = nullptr;
    std::vector<QWidget *> m_currentOutputRow;
    QLabel *m_lblErrorRegister = nullptr;
    QPlainTextEdit *m_memErrors = nullptr;
    QLabel *m_lblTestDistance = nullptr;
    QLabel *m_lblTestDistanceFlt = nullptr;
    QLabel *m_lblTestDistanceDiff = nullptr;

    // Bound holders and the model holders they follow, in the same order.
    std::vector<std::unique_ptr<TIODoubleVisual>> m_bound;
    std::vector<TIODouble *> m_sources;
};

} // namespace tals
