#include "ui/controls/ini_combo_box.h"

#include "platform/codepage.h"
#include "platform/paths.h"

#include <QFile>

namespace tals {

namespace {

// The name of a "[name]" line, or a null string for any other line.
QString SectionHeader(const QString &line)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return QString();
    return t.mid(1, t.size() - 2).trimmed();
}

} // namespace

TiniComboBox::TiniComboBox(QWidget *parent) : QComboBox(parent)
{
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

QStringList TiniComboBox::SectionItems(const QStringList &fileLines, const QString &section)
{
    QStringList items;
    bool inside = false;
    for (const QString &line : fileLines) {
        const QString header = SectionHeader(line);
        if (!header.isNull()) {
            if (inside)
                break; // the first section of that name counts
            inside = header.compare(section.trimmed(), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inside)
            continue;
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        items << (eq < 0 ? line : line.mid(eq + 1));
    }
    return items;
}

bool TiniComboBox::LoadItems()
{
    clear();
    QFile file(FindPathNoCase(m_fileName));
    if (m_fileName.isEmpty() || !file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    const QString contents = DecodeTextFile(file.readAll());
    if (file.error() != QFileDevice::NoError)
        return false;
    QStringList lines = contents.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    addItems(SectionItems(lines, m_sectionName));
    return true;
}

} // namespace tals
