#include "storage/archive.h"

#include "device/answer_parser.h"
#include "platform/codepage.h"
#include "platform/error_text.h"
#include "platform/log.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "storage/archive_retention.h"
#include "storage/archive_summary.h"
#include "storage/archive_table.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cmath>

#include <sys/stat.h>

namespace tals {

namespace {

qint64 DayNumber(TDateTime dt)
{
    return qint64(std::floor(dt));
}

const QString TableWhat = QStringLiteral("таблица архива");
const QString TextWhat = QStringLiteral("текстовый файл архива");
const QString FolderWhat = QStringLiteral("папка архива");

// Hands the message on. Appends also come from the polling worker, which must
// neither touch widgets nor wait for the operator: from there the handler is
// called by the application thread's event loop.
void ShowMessage(const std::function<void(const QString &)> &handler, const QString &text)
{
    if (!handler)
        return;
    auto show = [handler, text] { handler(text); };
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread())
        QMetaObject::invokeMethod(app, show, Qt::QueuedConnection);
    else
        show();
}

// Creates dir with all missing parents. False with fault filled when that
// fails; a file standing where a folder should be is named as the place.
bool MakeFolders(const QString &dir, TArchiveFault &fault)
{
    if (QFileInfo(dir).isDir())
        return true;
    const QStringList parts = QDir::cleanPath(dir).split(QLatin1Char('/'));
    QString path;
    for (int i = 0; i < parts.size(); ++i) {
        path += (i == 0 ? QString() : QStringLiteral("/")) + parts[i];
        if (path.isEmpty())
            continue; // the root of an absolute path
        const QByteArray native = QFile::encodeName(path);
        struct stat st
        {
        };
        if (::stat(native.constData(), &st) == 0) {
            if (S_ISDIR(st.st_mode))
                continue;
            fault = {FolderWhat, path, QStringLiteral("на месте папки находится файл")};
            return false;
        }
        if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST) {
            fault = {FolderWhat, path, SystemErrorText(errno)};
            return false;
        }
    }
    return true;
}

} // namespace

QString TArchive::FaultMessage(const TArchiveFault &fault)
{
    return QStringLiteral("Архив не записан: ") + fault.What + QStringLiteral("\r") + fault.Where +
           QStringLiteral("\rПричина: ") + fault.Why +
           QStringLiteral("\rЗапись в архив возобновится сама, когда причина будет устранена.");
}

QString TArchive::FaultJournalLine(const TArchiveFault &fault)
{
    return QStringLiteral("Архив не записан: ") + fault.What + QLatin1Char(' ') + fault.Where +
           QStringLiteral(": ") + fault.Why;
}

void TArchive::SetFaultJournal(std::function<void(const QString &)> journal)
{
    std::lock_guard guard(m_faultLock);
    m_journal = std::move(journal);
}

void TArchive::SetFaultMessage(std::function<void(const QString &)> show)
{
    std::lock_guard guard(m_faultLock);
    m_message = std::move(show);
}

void TArchive::SetWriteFunction(TWriteFunction write)
{
    std::lock_guard guard(m_textLock);
    m_write = std::move(write);
}

void TArchive::Report(const TArchiveFault &fault, TDateTime dt, bool silent)
{
    bool show = false;
    std::function<void(const QString &)> journal;
    std::function<void(const QString &)> message;
    {
        std::lock_guard guard(m_faultLock);
        journal = m_journal;
        message = m_message;
        if (DayNumber(dt) != m_shownDay) {
            m_shown.clear();
            m_shownDay = DayNumber(dt);
        }
        show = !silent && m_shown.insert(fault.Why).second;
    }
    const QString line = FaultJournalLine(fault);
    if (journal)
        journal(line);
    else
        TLog(BlackBoxPath()).Add(line);
    if (show)
        ShowMessage(message, FaultMessage(fault));
}

namespace {

struct TArchivedName
{
    const char *name;
    int digits;
};

const TArchivedName kArchivedNames[] = {
    {"Distance", 1},     {"LevelBusy", 1},       {"LevelFree", 1},     {"TmpOfSensor", 0},
    {"TestDistance", 1}, {"TestDistanceFlt", 1}, {"CurrentOutput", 2},
};

const TArchivedName *FindArchivedName(const QString &name)
{
    for (const TArchivedName &e : kArchivedNames)
        if (name.trimmed().compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

} // namespace

int ArchiveDigits(const QString &name)
{
    const TArchivedName *e = FindArchivedName(name);
    return e ? e->digits : 1;
}

QString ArchiveName(const QString &name)
{
    const TArchivedName *e = FindArchivedName(name);
    return e ? QLatin1String(e->name) : QString();
}

TArchive::TArchive(const QString &root) : m_root(root) {}

TArchive::~TArchive() = default;

QString TArchive::DayFolder(TDateTime dt) const
{
    const QDate date = QDate(1899, 12, 30).addDays(DayNumber(dt));
    return JoinPath(m_root, date.toString(QStringLiteral("yyyy/MM/dd")));
}

QString TArchive::TablePath(const QString &name, TDateTime dt) const
{
    return FindPathNoCase(JoinPath(DayFolder(dt), name.trimmed() + QStringLiteral(".db")));
}

bool TArchive::CreateArchiveTable(const QString &path)
{
    const QString name = FileBaseName(path);
    const TDateTime now = Now();
    if (QFileInfo::exists(path)) {
        // Only an empty file or an empty database may receive the table.
        const TArchiveFileKind kind = ArchiveFileKind(path, name);
        if (kind == TArchiveFileKind::Archive)
            return true;
        if (kind == TArchiveFileKind::Foreign) {
            Report({TableWhat, path, QStringLiteral("файл не является таблицей архива")}, now);
            return false;
        }
    }
    TArchiveFault fault;
    if (!MakeFolders(QFileInfo(path).absolutePath(), fault)) {
        Report(fault, now);
        return false;
    }
    QString why;
    if (TArchiveTable::Open(path, name, true, &why))
        return true;
    Report({TableWhat, path, why}, now);
    return false;
}

std::shared_ptr<TArchiveTable> TArchive::Table(const QString &name, const QString &path,
                                               TDateTime dt, TArchiveFault &fault, bool &foreign)
{
    std::lock_guard guard(m_lock);
    if (DayNumber(dt) != m_day) {
        // A new day: yesterday's files are closed once their last append is
        // done, and their minute summaries are built (after the lock).
        for (const auto &[path, table] : m_tables)
            if (table->Day() > 0 && table->Day() < DayNumber(dt))
                m_completed.push_back({path, table->Name(), double(table->Day())});
        m_tables.clear();
        m_day = DayNumber(dt);
    }
    const bool exists = QFileInfo::exists(path);
    const auto it = m_tables.find(path);
    // A table file removed behind our back is created again, not written unlinked.
    if (it != m_tables.end() && exists)
        return it->second;
    if (it != m_tables.end())
        m_tables.erase(it);

    if (!exists && !MakeFolders(QFileInfo(path).absolutePath(), fault))
        return nullptr;
    // An existing file is used only when it is an archive table (or empty).
    QString why;
    std::shared_ptr<TArchiveTable> table = TArchiveTable::Open(path, name, true, &why);
    if (!table) {
        // Someone else's file (an older installation's table) is left alone quietly.
        const QFileInfo info(path);
        foreign = info.isFile() && info.isReadable() &&
                  ArchiveFileKind(path, name) == TArchiveFileKind::Foreign;
        fault = {TableWhat, path, why};
        return nullptr;
    }
    if (m_tables.size() < 64)
        m_tables.emplace(path, table);
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
    TArchiveFault fault;
    bool foreign = false;
    const std::shared_ptr<TArchiveTable> t = Table(table, path, dt, fault, foreign);
    SummariseCompletedDays();
    if (t) {
        if (t->Append(dt, v, &fault.Why))
            return true;
        fault.What = TableWhat;
        fault.Where = path;
    }
    Report(fault, dt, foreign);
    return false;
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
    // The whole line goes out in one write, so it is stored whole or not at all.
    const QByteArray line = ToCp1251(DateTimeToStr(dt) + QLatin1Char(' ') +
                                     FloatToStrF(v, ffFixed, precision, digits)) +
                            "\r\n";
    TArchiveFault fault;
    {
        std::lock_guard guard(m_textLock);
        if (MakeFolders(QFileInfo(path).absolutePath(), fault)) {
            const int err = AppendWhole(path, line, m_write);
            if (err == 0)
                return;
            fault = {TextWhat, path, SystemErrorText(err)};
        }
    }
    Report(fault, dt);
}

bool TArchive::ArchiveQuery(const QString &name, TDateTime day, TDateTime from, TDateTime to,
                            const QString &filter,
                            const std::function<void(TDateTime, double)> &row) const
{
    const QString table = name.trimmed();
    if (table.isEmpty())
        return false;
    return QueryArchiveTable(TablePath(table, day), table, from, to, filter, row);
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

void TArchive::SummariseCompletedDays()
{
    std::vector<TCompletedDay> days;
    {
        std::lock_guard guard(m_lock);
        days.swap(m_completed);
    }
    for (const TCompletedDay &d : days) {
        std::vector<TMinuteSummary> minutes;
        DaySummary(d.path, d.name, d.day, minutes);
    }
}

bool TArchive::Append(const QString &name, double value, TDateTime time)
{
    return Append(name, value, time, ArchiveDigits(name));
}

void TArchive::SetRetention(std::unique_ptr<TArchiveRetention> retention)
{
    std::lock_guard guard(m_retentionLock);
    m_retention = std::move(retention);
    m_retentionDay = 0;
}

bool TArchive::KeepWithinBounds(TDateTime dt, bool force)
{
    constexpr qint64 kCheckEveryMs = 60 * 1000;
    std::lock_guard guard(m_retentionLock);
    if (!m_retention)
        return false;
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 day = DayNumber(dt);
    if (!force && day == m_retentionDay && nowMs - m_retentionCheckedMs < kCheckEveryMs)
        return false;
    m_retentionDay = day;
    m_retentionCheckedMs = nowMs;
    return !m_retention->Enforce(ToQDate(dt)).isEmpty();
}

bool TArchive::Append(const QString &name, double value, TDateTime time, int decimals)
{
    KeepWithinBounds(time, false);
    bool stored = ArchiveAppendTable(name, QString(), time, value);
    if (!stored && KeepWithinBounds(time, true))
        stored = ArchiveAppendTable(name, QString(), time, value);
    ArchiveAppendText(name, QString(), 9, decimals, time, value);
    return stored;
}

void TArchive::Close()
{
    std::lock_guard guard(m_lock);
    m_tables.clear();
}

} // namespace tals
