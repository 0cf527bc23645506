#include "platform/log.h"

#include "platform/date_time.h"
#include "platform/text_file.h"

namespace tals {

TLog::TLog(const QString &fileName) : m_fileName(fileName) {}

QString TLog::FileName() const
{
    QMutexLocker lock(&m_mutex);
    return m_fileName;
}

void TLog::SetFileName(const QString &name)
{
    if (name.isEmpty())
        return;
    QMutexLocker lock(&m_mutex);
    m_fileName = name;
}

void TLog::Assign(const TLog &other)
{
    SetFileName(other.FileName());
}

void TLog::Add(const QString &text)
{
    const QString line = JournalStamp(Now()) + QLatin1Char(' ') + text;
    QMutexLocker lock(&m_mutex);
    AppendTextLine(m_fileName, line); // failures are swallowed by design
}

} // namespace tals
