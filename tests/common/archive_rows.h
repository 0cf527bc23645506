#pragma once

// Archive rows written straight into their day files, one transaction per
// day, as a long polling run leaves them (much faster than one append each).

#include "storage/archive.h"
#include "storage/archive_table.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <map>
#include <vector>

namespace tals::test {

inline void WriteArchiveRows(const TArchive &archive, const QString &name,
                             const std::vector<TArchiveRow> &rows)
{
    std::map<qint64, std::vector<TArchiveRow>> byDay;
    for (const TArchiveRow &r : rows)
        byDay[qint64(std::floor(r.DT))].push_back(r);
    for (const auto &[day, dayRows] : byDay) {
        const QString folder = archive.DayFolder(double(day));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".db");
        ASSERT_TRUE(TArchiveTable::Open(path, name, true));
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        const QByteArray sql = QStringLiteral("INSERT INTO %1 (V, DT) VALUES (?1, ?2)")
                                   .arg(QuoteSqlName(name))
                                   .toUtf8();
        sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
        for (const TArchiveRow &r : dayRows) {
            sqlite3_bind_double(insert, 1, r.V);
            sqlite3_bind_double(insert, 2, r.DT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        EXPECT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
}

} // namespace tals::test
