#pragma once

// The measurement archive: one folder per calendar day under a root folder,
// and per quantity and day a table <name>.db (rows V, DT) and a text file
// <name>.txt (one line "date time value" per record).

#include "platform/date_time.h"
#include "platform/text_file.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace tals {

class TArchiveTable;
class TArchiveRetention;

// One archived row.
struct TArchiveRow
{
    TDateTime DT = 0;
    double V = 0;
};

// Decimals of the text line of an archived quantity ("TmpOfSensor" 0,
// "CurrentOutput" 2, the distances 1; names not in the list 1).
int ArchiveDigits(const QString &name);
// The archived name spelt as the archive writes it ("levelbusy" gives
// "LevelBusy"); empty for a name that is not archived.
QString ArchiveName(const QString &name);

// A failure of the archive: what could not be written, where, and why.
struct TArchiveFault
{
    QString What; // "таблица архива", "текстовый файл архива", "папка архива"
    QString Where; // the file or folder
    QString Why;   // the reason in Russian ("диск заполнен")
};

// Thread-safe: appends may come from several threads at once and queries from
// any thread. Each table file stays open between appends (one connection per
// file, dropped when the day changes and at destruction).
//
// Failures are written to the fault journal every time and given to the fault
// message handler once per reason and day (from another thread the handler is
// called on the application's thread). Nothing is remembered about a failure: every append
// tries again, so archiving resumes by itself when the cause is gone.
class TArchive
{
public:
    // root: the archive root folder (dbPath of the archive settings).
    explicit TArchive(const QString &root);
    ~TArchive();
    TArchive(const TArchive &) = delete;
    TArchive &operator=(const TArchive &) = delete;

    const QString &Root() const { return m_root; }

    // Where failure lines go (the fault journal BlackBox.txt unless set).
    void SetFaultJournal(std::function<void(const QString &)> journal);
    // Who tells the operator about a failure (nobody when unset).
    void SetFaultMessage(std::function<void(const QString &)> show);
    // The write call of the text lines (for tests that fail like a full disk).
    void SetWriteFunction(TWriteFunction write);

    // Keeps the archive within the retention policy: checked at the first
    // append, once a minute, when the day changes, and at once when a row
    // could not be stored (the row is then tried again). Null for none.
    void SetRetention(std::unique_ptr<TArchiveRetention> retention);

    // <root>/yyyy/mm/dd for the local date of dt.
    QString DayFolder(TDateTime dt) const;
    // The table file of name in the day folder of dt (found regardless of letter case).
    QString TablePath(const QString &name, TDateTime dt) const;

    // Appends one row to the table name of the day of dt (filePath empty) or of the
    // table file filePath. The day folder and the table are created when missing.
    // False, without a message, when the row was not stored.
    bool ArchiveAppendTable(const QString &name, const QString &filePath, TDateTime dt, double v);

    // Appends the line "<date time> <v>" (fixed notation, precision significant
    // digits, digits decimals) to <day folder>/<name>.txt or to filePath.
    // Failures are swallowed.
    void ArchiveAppendText(const QString &name, const QString &filePath, int precision, int digits,
                           TDateTime dt, double v);

    // Creates the empty table named after the file at path. A failure is
    // reported like a failed append. An existing file is left as it is.
    bool CreateArchiveTable(const QString &path);

    // The rows of name in the day folder of day, ascending DT, from <= DT <= to
    // (0: no bound), and the optional SQL condition filter. A missing table or any
    // failure ends the walk silently; false then.
    bool ArchiveQuery(const QString &name, TDateTime day, TDateTime from, TDateTime to,
                      const QString &filter,
                      const std::function<void(TDateTime, double)> &row) const;
    std::vector<TArchiveRow> ArchiveQuery(const QString &name, TDateTime day, TDateTime from,
                                          TDateTime to, const QString &filter = QString()) const;

    // One reading: a row of its table and a line of its text file with the
    // name's decimals (ArchiveDigits). Returns whether the row was stored.
    bool Append(const QString &name, double value, TDateTime time);
    // The same with the text line's decimals given.
    bool Append(const QString &name, double value, TDateTime time, int decimals);

    // Closes every kept table file (they are opened again when needed).
    void Close();

    // The message box text and the journal line of a failure.
    static QString FaultMessage(const TArchiveFault &fault);
    static QString FaultJournalLine(const TArchiveFault &fault);

private:
    // The kept or newly opened table; null with fault filled when it cannot be written.
    std::shared_ptr<TArchiveTable> Table(const QString &name, const QString &path, TDateTime dt,
                                         TArchiveFault &fault, bool &foreign);
    // Builds the minute summaries of the tables whose day has ended.
    void SummariseCompletedDays();
    // Journal line always; message box unless silent or already shown for
    // this reason on the day of dt.
    void Report(const TArchiveFault &fault, TDateTime dt, bool silent = false);

    // Runs the retention when due (or forced); true when it deleted something.
    bool KeepWithinBounds(TDateTime dt, bool force);

    QString m_root;
    std::mutex m_retentionLock; // guards the members below
    std::unique_ptr<TArchiveRetention> m_retention;
    qint64 m_retentionDay = 0;
    qint64 m_retentionCheckedMs = 0;
    std::mutex m_lock; // guards the members below
    std::map<QString, std::shared_ptr<TArchiveTable>> m_tables;
    // Day tables of days gone by, waiting for their minute summaries.
    struct TCompletedDay
    {
        QString path;
        QString name;
        TDateTime day;
    };
    std::vector<TCompletedDay> m_completed;
    qint64 m_day = 0;      // the day the kept tables belong to
    std::mutex m_textLock; // one text line at a time
    TWriteFunction m_write;

    std::mutex m_faultLock; // guards the members below
    std::function<void(const QString &)> m_journal;
    std::function<void(const QString &)> m_message;
    std::set<QString> m_shown; // reasons shown as a box on m_shownDay
    qint64 m_shownDay = 0;
};

} // namespace tals
