#pragma once

// A timer whose enabled state and interval persist in <start directory>/INI/
// <IniName> (Timer.ini), one section per timer named after the timer. The
// integer Tag is free for the owner (the poll timer keeps its device cursor
// there) and may be read and written from any thread.

#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>

namespace tals {

class TCustomTimer : public QTimer
{
public:
    explicit TCustomTimer(QObject *parent = nullptr);

    QString IniName() const { return m_iniName; }
    void SetIniName(const QString &name) { m_iniName = name; }
    // <start directory>/INI/<IniName>, the INI folder found without regard to case.
    QString IniFilePath() const;

    // Creates an empty INI file if none exists, then reads "Enabled" (default
    // false) and "Interval" (default 200) of the timer's section.
    void LoadFromIni();
    // Writes "Enabled" and "Interval" of the current state.
    void SaveToIni() const;

    bool IsEnabled() const { return isActive(); }
    void SetEnabled(bool enabled);
    // Enabled := not paused, without notification.
    void SetPaused(bool paused) { SetEnabled(!paused); }
    // Enable or disable, then call OnStateChange.
    void Start();
    void Stop();

    std::function<void(TCustomTimer *)> OnStateChange;

    int Tag() const { return m_tag.load(); }
    void SetTag(int tag) { m_tag.store(tag); }

private:
    QString m_iniName = QStringLiteral("Timer.ini");
    std::atomic<int> m_tag{0};
};

} // namespace tals
