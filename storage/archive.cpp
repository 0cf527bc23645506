#include "storage/archive.h"

#include "platform/dialogs.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "storage/archive_table.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QThread>

#include <cmath>

namespace tals {

namespace {

qint64 DayNumber(TDateTime dt)
{
    return qint64(std::floor(dt));
}

// The message box of a failed table creation. Appends also come from the
// polling worker, which must neither touch widgets nor wait for the operator:
// from there the box is shown by the user-interface thread's event loop.
void ShowCreationError()
{
    auto show = [] { Dialogs().Message(QStringLiteral("Error"), TDialogIcon::Error); };
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread())
        QMetaObject::invokeMethod(app, show, Qt::QueuedConnection);
    else
        show();
}

} // namespace

int ArchiveDigits(const QString &name)
{
    struct TEntry
    {
        const char *name;
        int digits;
    };
    static const TEntry entries[] = {
        {"Distance", 1},     {"LevelBusy", 1},       {"LevelFree", 1},     {"TmpOfSensor", 0},
        {"TestDistance", 1}, {"TestDistanceFlt", 1}, {"CurrentOutput", 2},
    };
    for (const TEntry &e : entries)
        if (name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return e.digits;
    return 1;
}

TArchive::TArchive(const QString &root) : m_root(root) {}

TArchive::~TArchive() = default;

QString TArchive::DayFolder(TDateTime dt) const
{
    const QDate date = QDate(1899, 12, 30).addDays(DayNumber(dt));
    return JoinPath(m_root, date.toString(QStringLiteral("yyyy/MM/dd")));
}

bool TArchive::CreateArchiveTable(const QString &path)
{
    const QString name = FileBaseName(path);
    if (QFileInfo::exists(path)) {
        // Only an empty file or an empty database may receive the table.
        const TArchiveFileKind kind = ArchiveFileKind(path, name);
        if (kind == TArchiveFileKind::Archive)
            return true;
        if (kind == TArchiveFileKind::Foreign) {
            ShowCreationError();
            return false;
        }
    }
    ForceDirectories(QFileInfo(path).absolutePath());
    if (TArchiveTable::Open(path, name, true))
        return true;
    ShowCreationError();
    return false;
}

std::shared_ptr<TArchiveTable> TArchive::Table(const QString &name, const QString &path,
                                               TDateTime dt)
{
    bool report = false;
    std::shared_ptr<TArchiveTable> table;
    {
        std::lock_guard guard(m_lock);
        if (DayNumber(dt) != m_day) {
            // A new day: yesterday's files are closed once their last append is done.
            m_tables.clear();
            m_reported.clear();
            m_day = DayNumber(dt);
        }
        const bool exists = QFileInfo::exists(path);
        const auto it = m_tables.find(path);
        // A table file removed behind our back is created again, not written unlinked.
        if (it != m_tables.end() && exists)
            return it->second;
        if (it != m_tables.end())
            m_tables.erase(it);

        if (exists) {
            // An existing file is used only when it is an archive table (or empty).
            table = TArchiveTable::Open(path, name, true);
        } else {
            ForceDirectories(QFileInfo(path).absolutePath());
            table = TArchiveTable::Open(path, name, true);
            // A creation failure is shown once a day per table, not at every poll.
            report = !table && m_reported.insert(path).second;
        }
        if (table && m_tables.size() < 64)
            m_tables.emplace(path, table);
    }
    if (report)
        ShowCreationError();
    return table;
}

bool TArchive::ArchiveAppendTable(const QString &name, const QString &filePath, TDateTime dt,
                                  double v)
{
    const QString table = name.trimmed();
    if (table.isEmpty())
        return false;
    const QString path =
        filePath.isEmpty() ? FindPathNoCase(JoinPath(DayFolder(dt), table + QStringLiteral(".db")))
                           : filePath;
    const std::shared_ptr<TArchiveTable> t = Table(table, path, dt);
    return t && t->Append(dt, v);
}

void TArchive::ArchiveAppendText(const QString &name, const QString &filePath, int precision,
                                 int digits, TDateTime dt, double v)
{
    const QString base = name.trimmed();
    if (base.isEmpty())
        return;
    const QString path =
        filePath.isEmpty() ? FindPathNoCase(JoinPath(DayFolder(dt), base + QStringLiteral(".txt")))
                           : filePath;
    const QString line =
        DateTimeToStr(dt) + QLatin1Char(' ') + FloatToStrF(v, ffFixed, precision, digits);
    std::lock_guard guard(m_textLock);
    AppendTextLine(path, line);
}

bool TArchive::ArchiveQuery(const QString &name, TDateTime day, TDateTime from, TDateTime to,
                            const QString &filter,
                            const std::function<void(TDateTime, double)> &row) const
{
    const QString table = name.trimmed();
    if (table.isEmpty())
        return false;
    const QString path = FindPathNoCase(JoinPath(DayFolder(day), table + QStringLiteral(".db")));
    return QueryArchiveTable(path, table, from, to, filter, row);
}

std::vector<TArchiveRow> TArchive::ArchiveQuery(const QString &name, TDateTime day, TDateTime from,
                                                TDateTime to, const QString &filter) const
{
    std::vector<TArchiveRow> rows;
    ArchiveQuery(name, day, from, to, filter, [&rows](TDateTime dt, double v) {
        rows.push_back({dt, v});
    });
    return rows;
}

bool TArchive::Append(const QString &name, double value, TDateTime time)
{
    return Append(name, value, time, ArchiveDigits(name));
}

bool TArchive::Append(const QString &name, double value, TDateTime time, int decimals)
{
    const bool stored = ArchiveAppendTable(name, QString(), time, value);
    ArchiveAppendText(name, QString(), 9, decimals, time, value);
    return stored;
}

void TArchive::Close()
{
    std::lock_guard guard(m_lock);
    m_tables.clear();
}

} // namespace tals
