#pragma once

// The operator procedures behind the main window's group and special commands:
// identification, address and plant number, password, level states, firmware
// update, current level, prediction mode, training and correction with their
// countdowns, read all, write all, and the change commands. They talk to the
// device through the central objects and to the operator through the dialog
// service; the main window's actions call them and tests drive them without
// a window.

#include "device/model_compare.h"

#include <QString>

#include <functional>

class QWidget;

namespace tals {

class TApplication;
class Ttals352;

// What the procedures need of the main window.
class TProcedureHost
{
public:
    virtual ~TProcedureHost() = default;
    // Runs a main-window action by name when it is enabled; true when it ran.
    virtual bool ExecuteAction(const QString &name) = 0;
    virtual void RefreshAllWindows() = 0;
    virtual void ApplyModeVisibility() = 0;
    virtual void SetActionChecked(const QString &name, bool checked) = 0;
    // The open window of that component name, or null.
    virtual QWidget *FindWindow(const QString &name) = 0;
    // Shows the result of a comparison in the comparison window.
    virtual void ShowComparison(const TComparison &comparison) { (void)comparison; }
};

class TOperatorProcedures
{
public:
    // Attempts of every repeated command.
    static constexpr int kRetries = 5;

    TOperatorProcedures(TApplication &app, TProcedureHost &host);

    // Up to `attempts` tries of one command with the progress window; true on
    // the first success. Clears the stop request first.
    bool ExecuteWithRetries(quint8 code, const QString &text, int attempts);
    // Shows the progress window for `seconds` seconds, one step a second.
    void WaitWithCountdown(int seconds);
    // "Не выполнена команда" with the command's text.
    void FailMessage(const QString &text);
    // Commands whose every try went without any answer, since the start.
    int SilentFailures() const { return m_silentFailures; }

    void SignatureRead(const QString &hint);
    void AllRead();
    // Reads the device into a second model, compares it with the shown one,
    // asks once listing the registers that would change and writes only the
    // register groups that hold them; nothing when nothing differs.
    void AllWrite();
    // "Сравнить с прибором": the device beside the shown model or a chosen
    // parameter file.
    void CompareWithDevice();
    // "Сравнить файлы параметров": two chosen files.
    void CompareFiles();
    void PasswordOn();
    void PasswordOff();
    void SetLevelState(int state);
    void UpdateProgram();
    void SystemAddressWrite(const QString &hint);
    void PlantNumberWrite(const QString &hint);
    void LevelKalibrWrite(const QString &hint);
    void ModePredictionWrite(const QString &hint);
    void TrainingModeStart(const QString &hint);
    void TrainingModeStop(const QString &hint);
    void CorrectionModeStart(const QString &hint);

    // The change commands: operator entry into one model property. False when
    // the action is no change command.
    bool ChangeValue(const QString &actionName);
    void PPMChange();
    void NNZChange();

private:
    // What the comparisons and the write-all cover in the present mode.
    TCompareScope Scope() const;
    // Reads every register group of the scope from the device into `copy`
    // (never into the shown model); false after the failure message.
    bool ReadDevice(Ttals352 &copy, TCompareScope scope);
    // Up to `attempts` runs of the exchange with the progress window.
    bool Retry(const std::function<int()> &exchange, const QString &text, int attempts);
    // ExecuteWithRetries with another model than the shown one.
    bool ExecuteInto(Ttals352 &copy, quint8 code, const QString &text);
    // After the device refused a block write: the differing registers of the
    // block that it refuses on their own, by caption; all of them when the
    // single writes do not tell.
    QStringList RefusedRegisters(const QList<TModelDifference> &differences, int blockCode);
    // The last answer was the device's refusal (exception 2 or 3).
    bool LastAnswerRefused() const;
    // Runs the steps of a group command in order; after the first step that
    // got no answer at all, asks once whether to go on.
    void RunGroup(const char *const *steps, int count);

    TApplication &m_app;
    TProcedureHost &m_host;
    int m_silentFailures = 0;
};

} // namespace tals
