#pragma once

// The progress window of long operations on the user-interface thread, at
// most one at a time. While it exists it holds back user input to every
// window that was open when it appeared, so the events it lets the user
// interface process cannot start another command inside the running one.
// Modal boxes opened later (a failure message) and the stop controls stay usable.

#include <QKeyCombination>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

class QProgressBar;

namespace tals {

// position * 100 / maximum rounded to the nearest integer, halves to the even
// neighbour; none when maximum is 0 or the quotient is not finite.
std::optional<int> ProgressPercent(int position, int maximum);

class TFormProgressBar : public QWidget
{
    Q_OBJECT

public:
    // Creates the window on the first call (keeping text and maximum),
    // moves the bar to the rounded percentage of position (position >= 0),
    // sets the caption text + " " + percent + "%", lets pending events be
    // processed when the percentage changed and shows the window.
    static void ShowProgress(const QString &text, int position, int maximum);
    // Destroys the window if one exists.
    static void CloseProgress();
    // The window, while one exists.
    static TFormProgressBar *Current();
    // Whether a long operation shows progress: timers that start commands
    // skip their tick while this is true.
    static bool Active() { return Current() != nullptr; }

    // Keys that still reach the program while the window is shown (the
    // stop key Ctrl+C by default).
    static void SetPassThroughKeys(const QList<QKeyCombination> &keys);
    // A control that still takes input while the window is shown (the stop
    // button); forgotten when it is destroyed.
    static void AddPassThroughWidget(QWidget *widget);

    QProgressBar *pbProgress = nullptr;

    QString Text() const { return m_text; }
    int Maximum() const { return m_maximum; }
    int Percent() const { return m_percent; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TFormProgressBar(const QString &text, int maximum);
    ~TFormProgressBar() override;
    void UpdateCaption();
    bool Step(int position);

    class TInputGuard;
    TInputGuard *m_guard = nullptr;
    QString m_text;
    int m_maximum = 0;
    int m_percent = 0;
};

inline void ShowProgress(const QString &text, int position, int maximum)
{
    TFormProgressBar::ShowProgress(text, position, maximum);
}
inline void CloseProgress()
{
    TFormProgressBar::CloseProgress();
}

} // namespace tals
