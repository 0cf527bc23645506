#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tals::test {

// A scratch folder removed when the test ends.
class ScratchDir
{
public:
    ScratchDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
};

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);

} // namespace tals::test
