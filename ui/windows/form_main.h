#pragma once

#include "ui/application/window_registry.h"
#include "ui/windows/main_actions.h"
#include "ui/windows/operator_procedures.h"

#include <QHash>
#include <QMainWindow>

#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolBar;

namespace tals {

class TApplication;
class TTimerControl;
class TCustomTimer;
class TCustomTimerControl;

// The main window "Tals35xI-ModBus": menus, tool bar and the action list through
// which every operator command runs; polling control, the operating modes and
// the refresh of all open windows.
class TFormMain : public QMainWindow, public TProcedureHost
{
    Q_OBJECT

public:
    explicit TFormMain(TApplication &app, QWidget *parent = nullptr);
    ~TFormMain() override;

    TApplication &App() { return m_app; }

    // Runs the named action if it exists and is enabled (a hidden action still
    // runs); returns whether it ran.
    bool ExecuteAction(const QString &name) override;
    QAction *Action(const QString &name) const;
    // The action's own enabled state, whatever its visibility.
    bool IsActionEnabled(const QString &name) const;
    QToolBar *ToolBar() const { return m_toolBar; }

    void RefreshAllWindows() override;
    void ApplyModeVisibility() override;
    void UpdatePollDependentActions();
    void UpdateGaugeRanges();
    bool IsPolling() const;
    // The status bar: port and its state, polling, mode, last exchange.
    void UpdateStatusBar();

    // Up to `attempts` tries of one command with the progress window; true on the
    // first success. Clears the stop request first.
    bool ExecuteWithRetries(quint8 code, const QString &text, int attempts);
    // Shows the progress window for `seconds` seconds.
    void WaitWithCountdown(int seconds);

    TWindowRegistry &Windows() { return m_windows; }
    QWidget *FindWindow(const QString &name) override;
    void ShowComparison(const TComparison &comparison) override;
    TOperatorProcedures &Procedures() { return *m_procedures; }
    TTimerControl &SignalTimer();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend struct TMainActionTable;
    class TShortcutFilter;

    struct TActionEntry
    {
        const TActionDef *def = nullptr;
        QAction *action = nullptr;
        bool enabled = true;
    };

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    // The windows opened at start-up that have no stored place go side by side.
    void PlaceStartWindows();
    void SetActionEnabled(const QString &name, bool enabled);
    void SetActionChecked(const QString &name, bool checked) override;
    void Run(const TActionDef &def);
    void RunDeviceCommand(const TActionDef &def);
    void RunSingleShot(const TActionDef &def);
    void OpenWindow(const QString &name);
    void FailMessage(const QString &text);
    void UpdatePollControls();
    void UpdateSignalControls();
    void PollTick();
    void SignalTick();
    // The signal readout of the signal timer, with polling and the timer paused.
    void ReadSignalAutomatically();
    // The application-wide keys; true when the key was taken.
    bool HandleApplicationKey(int key, Qt::KeyboardModifiers modifiers, QWidget *receiver);
    void ApplyCurrentOutputCheck();
    void ShutDown();

    // Handlers named by the action table.
    void OnLoadParameters(const TActionDef &);
    void OnSaveParameters(const TActionDef &);
    void OnPollStart(const TActionDef &);
    void OnPollStop(const TActionDef &);
    void OnSignalPollStart(const TActionDef &);
    void OnSignalPollStop(const TActionDef &);
    void OnRadix(const TActionDef &def);
    void OnUpdateProgram(const TActionDef &);
    void OnPasswordOn(const TActionDef &);
    void OnPasswordOff(const TActionDef &);
    void OnSetLevelState(const TActionDef &def);
    void OnFrequencyMode(const TActionDef &def);
    void OnClose(const TActionDef &);
    void OnPortChange(const TActionDef &);
    void OnPollPeriodChange(const TActionDef &);
    void OnSignalPeriodChange(const TActionDef &);
    void OnValueDigits(const TActionDef &);
    void OnSignatureRead(const TActionDef &def);
    void OnAllRead(const TActionDef &);
    void OnAllWrite(const TActionDef &);
    void OnCompareWithDevice(const TActionDef &);
    void OnCompareFiles(const TActionDef &);
    void OnSystemAddressWrite(const TActionDef &def);
    void OnPlantNumberWrite(const TActionDef &def);
    void OnLevelKalibrWrite(const TActionDef &def);
    void OnMultiGraph(const TActionDef &def);
    void OnReadArraySignal(const TActionDef &);
    void OnReadArraySpectrum(const TActionDef &);
    void OnReadArrayNevyzka(const TActionDef &);
    void OnModePredictionWrite(const TActionDef &def);
    void OnChangeValue(const TActionDef &def);
    void OnPPMChange(const TActionDef &);
    void OnNNZChange(const TActionDef &);
    void OnTrainingModeStart(const TActionDef &def);
    void OnTrainingModeStop(const TActionDef &def);
    void OnCorrectionModeStart(const TActionDef &def);
    void OnReadValuesAndTestDistances(const TActionDef &);
    void OnSuperStop(const TActionDef &);

    TApplication &m_app;
    std::unique_ptr<TOperatorProcedures> m_procedures;
    QHash<QString, TActionEntry> m_actions;
    QHash<QString, QActionGroup *> m_groups;
    QToolBar *m_toolBar = nullptr;
    QMenu *m_fullAccessMenu = nullptr;
    QLabel *m_lblPort = nullptr;
    QLabel *m_lblPolling = nullptr;
    QLabel *m_lblMode = nullptr;
    QLabel *m_lblExchange = nullptr;
    TWindowRegistry m_windows;
    TCustomTimer *m_signalTimerObject = nullptr;        // "ctAvtoReadSignal", a child
    std::unique_ptr<TCustomTimerControl> m_signalTimer; // null once freed at exit
    std::unique_ptr<TShortcutFilter> m_shortcuts;
    int m_commandDepth = 0; // commands running; operator triggers wait for them
    bool m_closing = false; // the exit question is open or answered Yes
    bool m_shutDown = false;
};

} // namespace tals
