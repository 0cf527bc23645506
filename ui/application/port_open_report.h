#pragma once

// Notes what the port says when it fails to open, so that the status bar can
// name the reason later. Installed around an opening of the port; the message
// is passed on to the dialogs in force unless the report is quiet.

#include "platform/dialogs.h"

namespace tals {

class TPortOpenReport : public TDialogService
{
public:
    // quiet: the message is only noted, not shown.
    explicit TPortOpenReport(bool quiet = false);
    ~TPortOpenReport() override;
    TPortOpenReport(const TPortOpenReport &) = delete;
    TPortOpenReport &operator=(const TPortOpenReport &) = delete;

    // The cause of the last failure (the message's second line, or the whole
    // message when it has one line); empty when nothing was reported.
    QString Reason() const { return m_reason; }

    void Message(const QString &text, TDialogIcon icon, const QString &caption) override;
    TDialogButton Question(const QString &text, const QList<TDialogButton> &buttons,
                           TDialogButton defaultButton, const QString &caption) override;
    bool InputText(const QString &caption, const QString &prompt, QString &value) override;
    QString OpenFileName(const QString &caption, const QString &folder,
                         const QString &filter) override;
    QString SaveFileName(const QString &caption, const QString &folder,
                         const QString &filter) override;

private:
    TDialogService *m_previous = nullptr;
    bool m_quiet = false;
    QString m_reason;
};

} // namespace tals
