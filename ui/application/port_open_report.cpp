#include "ui/application/port_open_report.h"

namespace tals {

TPortOpenReport::TPortOpenReport(bool quiet) : m_quiet(quiet)
{
    m_previous = InstallDialogService(this);
}

TPortOpenReport::~TPortOpenReport()
{
    InstallDialogService(m_previous);
}

void TPortOpenReport::Message(const QString &text, TDialogIcon icon, const QString &caption)
{
    const qsizetype lineEnd = text.indexOf(QStringLiteral("\r\n"));
    m_reason = lineEnd < 0 ? text : text.mid(lineEnd + 2).trimmed();
    if (!m_quiet && m_previous)
        m_previous->Message(text, icon, caption);
}

TDialogButton TPortOpenReport::Question(const QString &text, const QList<TDialogButton> &buttons,
                                        TDialogButton defaultButton, const QString &caption)
{
    return m_previous ? m_previous->Question(text, buttons, defaultButton, caption) : defaultButton;
}

bool TPortOpenReport::InputText(const QString &caption, const QString &prompt, QString &value)
{
    return m_previous && m_previous->InputText(caption, prompt, value);
}

QString TPortOpenReport::OpenFileName(const QString &caption, const QString &folder,
                                      const QString &filter)
{
    return m_previous ? m_previous->OpenFileName(caption, folder, filter) : QString();
}

QString TPortOpenReport::SaveFileName(const QString &caption, const QString &folder,
                                      const QString &filter)
{
    return m_previous ? m_previous->SaveFileName(caption, folder, filter) : QString();
}

} // namespace tals
