#pragma once

// The readout protocol of the transducer's diagnostic arrays (the raw signal,
// the spectrum and the residual): the control command, its confirmation
// rounds, the block reads with their repeats, and the reset of the command.
// Needs no window: the program and the command-line tool both use it.

#include <QString>

#include <functional>

namespace tals {

class Ttals352;
struct TProgramModes;

// The outcome of one readout.
struct TArrayReadResult
{
    int Status = 0; // 0 done, 2 command failed, 3 not confirmed, 4 interrupted, 666 error
    QString Text;
};

class TArrayReader
{
public:
    static constexpr int kSignalBlocks = 103;
    static constexpr int kSpectrumBlocks = 32;
    static constexpr int kAttempts = 5;
    static constexpr int kConfirmRounds = 5;

    // One exchange of the command with the device: 0 on success.
    using TExecute = std::function<int(quint8 code)>;
    // Repeats a command up to the given attempts: true once one succeeds.
    using TRetry = std::function<bool(quint8 code, const QString &text, int attempts)>;
    using TShowProgress = std::function<void(const QString &text, int position, int count)>;

    TArrayReader(Ttals352 &model, TProgramModes &modes, TExecute execute);

    // Replaces the plain repeat of the control commands (the window's own
    // repeat with its progress and stop button).
    void SetRetry(TRetry retry) { m_retry = std::move(retry); }
    void SetProgress(TShowProgress show, std::function<void()> close);

    // Reads the array named by the model's ControlCommand (1 signal,
    // 2 spectrum, 4 residual) into the model.
    TArrayReadResult Read();

private:
    bool ExecuteWithRetries(quint8 code, const QString &text);
    bool ReadBlocks(int blocks, const QString &progressText, TArrayReadResult &result);
    void Show(const QString &text, int position, int count) const;
    void Close() const;

    Ttals352 &m_model;
    TProgramModes &m_modes;
    TExecute m_execute;
    TRetry m_retry;
    TShowProgress m_show;
    std::function<void()> m_close;
};

} // namespace tals
