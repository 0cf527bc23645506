#pragma once

#include "platform/dialogs.h"

#include <QStringList>

#include <deque>

namespace tals::test {

// Records every message and question and answers from a script; installed for
// the lifetime of the object. Questions without a scripted answer take the default.
class ScriptedDialogs : public TDialogService
{
public:
    ScriptedDialogs() { m_previous = InstallDialogService(this); }
    ~ScriptedDialogs() override { InstallDialogService(m_previous); }

    QStringList messages;
    std::deque<TDialogIcon> icons; // the icon of each message
    QStringList questions;
    std::deque<TDialogButton> answers;
    std::deque<QString> texts;     // answers to InputText; none left means cancelled
    std::deque<QString> fileNames; // answers to the file dialogs; none left means cancelled

    void Message(const QString &text, TDialogIcon icon, const QString &) override
    {
        messages << text;
        icons.push_back(icon);
    }
    TDialogButton Question(const QString &text, const QList<TDialogButton> &,
                           TDialogButton defaultButton, const QString &) override
    {
        questions << text;
        if (answers.empty())
            return defaultButton;
        const TDialogButton b = answers.front();
        answers.pop_front();
        return b;
    }
    bool InputText(const QString &, const QString &, QString &value) override
    {
        if (texts.empty())
            return false;
        value = texts.front();
        texts.pop_front();
        return true;
    }
    QString OpenFileName(const QString &, const QString &, const QString &) override
    {
        return nextFile();
    }
    QString SaveFileName(const QString &, const QString &, const QString &) override
    {
        return nextFile();
    }

private:
    QString nextFile()
    {
        if (fileNames.empty())
            return {};
        const QString f = fileNames.front();
        fileNames.pop_front();
        return f;
    }
    TDialogService *m_previous = nullptr;
};

} // namespace tals::test
