#pragma once

#include "device/register_table.h"
#include "ui/application/window_registry.h"

#include <QString>
#include <QWidget>

#include <deque>
#include <functional>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QToolButton;

namespace tals {

class TApplication;
class TBadZone;
class TCalibrFftPanel;
class TCalibrMmpPanel;
class TEditNum;
class TiniComboBox;
class Ttals352;
struct TParControl;
struct TParGroup;
struct TParPage;
struct TProgramModes;

// What the parameters window needs from the rest of the program: it never
// talks to the device itself but runs the main window's actions by name.
struct TFormTalsParHooks
{
    std::function<void(const QString &action)> ExecuteAction;
    // Refresh of every open window; without it the window refreshes itself.
    std::function<void()> RefreshAllWindows;
    // The entry dialog of one bad zone; without it InputBadZone.
    std::function<bool(TBadZone &zone)> EditBadZone;
};

// The parameters window "Параметры ТАЛС35xИ": every configuration register of
// the device model on its page, edited straight into the model. Refresh copies
// the model into the controls (never writing back); a finished edit or a list
// selection applies the edited controls to the model through the setters; a
// check box writes its own register at once. The window frees itself when
// closed and keeps its position in the window-position store.
class TFormTalsPar : public QWidget, public TRefreshable
{
    Q_OBJECT

public:
    TFormTalsPar(Ttals352 &model, const TProgramModes &modes, TFormTalsParHooks hooks,
                 QWidget *parent = nullptr);
    ~TFormTalsPar() override;

    QTabWidget *Pages() const { return m_pages; }
    // The procedures of the page "Калибровка".
    TCalibrFftPanel *FftPanel() const { return m_fftPanel; }
    TCalibrMmpPanel *MmpPanel() const { return m_mmpPanel; }
    bool IsUpdating() const { return m_updating; }

public slots:
    // Model to window.
    void Refresh() override;
    // Window to model: every control whose value the operator changed since
    // the last refresh, through the model's setters in the register order.
    void Apply();
    // Points every list at INI/Parameters.ini and reloads its items; a refresh
    // then shows the model's values again.
    void ReloadLists();
    // Makes the page "Заводские" (which has no tab) the active page.
    void ShowFactoryPage();
    // Rebuilds the grid, title and buttons of the page "Плохие зоны".
    void RebuildBadZones();
    // The same for a given number of zones (0 to 5, as a device may report).
    void ShowBadZones(int count);
    // Opens the entry dialog of bad zone 1..5; other numbers are ignored.
    void EditBadZone(int zone);
    // Asks and, unless the answer is No, sets the typical values.
    void SetTypicalValues();
    // Opened again from the main window: reload the lists and refresh.
    void Reopened();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Makes the window as wide as its visible tabs need.
    void FitTabs();

    // One control and the model value and text it last showed.
    struct TBinding
    {
        const TParControl *Spec = nullptr;
        TEditNum *Edit = nullptr;
        TiniComboBox *List = nullptr;
        QCheckBox *Check = nullptr;
        QLabel *Text = nullptr;
        QLabel *Second = nullptr; // the second text of a pair
        QLabel *Label = nullptr;  // the caption beside it
        QString ShownText;
        int ShownIndex = -1;
        bool ShownChecked = false;
        bool Shown = false; // refreshed at least once
    };

    QWidget *BuildPage(const TParPage &page);
    QGroupBox *BuildGroup(const TParGroup &group);
    void AddControl(QGridLayout *grid, int row, const TParControl &control);
    void AddPairHeader(QGridLayout *grid, const TParGroup &group);
    QWidget *BuildBadZonePart();
    void AddCalibrationPanel(QGroupBox *box, const TParGroup &group);
    TBinding *Binding(TProp property);
    void RefreshBinding(TBinding &b);
    void RefreshModelLimits();
    bool IsChanged(const TBinding &b) const;
    double ControlValue(const TBinding &b) const;
    void OnFinishEdit(TBinding *b);
    void OnCheckClicked(TBinding *b);
    void RunActions(const QString &actions);

    Ttals352 &m_model;
    const TProgramModes &m_modes;
    TFormTalsParHooks m_hooks;
    bool m_updating = false;
    // Grid cell last opened for editing on the calibration page.
    int m_calibrColumn = 0;
    int m_calibrRow = 0;

    QTabWidget *m_pages = nullptr;
    TCalibrFftPanel *m_fftPanel = nullptr;
    TCalibrMmpPanel *m_mmpPanel = nullptr;
    std::deque<TBinding> m_bindings; // stable addresses for the handlers
    TEditNum *m_lastFinished = nullptr;

    QTableWidget *m_asgBadZones = nullptr;
    QLabel *m_lblBadZone = nullptr;
    QToolButton *m_sbBadZoneChange = nullptr;
    QToolButton *m_sbBadZonesWrite = nullptr;
    int m_selectedZone = 1;
};

// Registers the factory of the parameters window "FormTalsPar" with the
// started application. Call after TApplication::Start and before the main
// window.
void RegisterParametersWindow(TApplication &app);

} // namespace tals
