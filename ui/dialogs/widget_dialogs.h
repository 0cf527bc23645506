#pragma once

// The dialog service of the running program: message boxes, questions, text
// input and file dialogs as Qt widgets. The application installs one with
// InstallDialogService at start-up.

#include "platform/dialogs.h"

class QWidget;

namespace tals {

class TWidgetDialogs : public TDialogService
{
public:
    // parent: the window the boxes are centred on (may be null).
    explicit TWidgetDialogs(QWidget *parent = nullptr) : m_parent(parent) {}

    void SetParent(QWidget *parent) { m_parent = parent; }

    void Message(const QString &text, TDialogIcon icon = TDialogIcon::Warning,
                 const QString &caption = QString()) override;
    TDialogButton Question(const QString &text, const QList<TDialogButton> &buttons,
                           TDialogButton defaultButton,
                           const QString &caption = QString()) override;
    bool InputText(const QString &caption, const QString &prompt, QString &value) override;
    QString OpenFileName(const QString &caption, const QString &folder,
                         const QString &filter) override;
    QString SaveFileName(const QString &caption, const QString &folder,
                         const QString &filter) override;

private:
    QWidget *m_parent = nullptr;
};

} // namespace tals
