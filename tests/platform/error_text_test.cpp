#include "platform/error_text.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>

namespace tals {
namespace {

TEST(SystemErrorText, ReasonsAreRussian)
{
    struct TCase
    {
        int err;
        const char *text;
    };
    const TCase cases[] = {
        {ENOENT, "нет такого файла или папки"},      {EACCES, "нет прав доступа"},
        {EISDIR, "на этом месте папка, а не файл"},  {ENOTDIR, "часть пути не является папкой"},
        {ENAMETOOLONG, "слишком длинное имя файла"}, {ENOSPC, "диск заполнен"},
        {EROFS, "диск доступен только для чтения"},  {12345, "ошибка 12345"},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(SystemErrorText(c.err), QString::fromUtf8(c.text)) << c.err;

    // Every number the program may meet has a text of its own, without Latin letters.
    const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    QStringList seen;
    for (int err : {ENOENT, EACCES, EPERM, EISDIR, ENOTDIR, ENAMETOOLONG, ENOSPC, EDQUOT, EROFS,
                    EEXIST, EBUSY, EIO, EFBIG, EMFILE, ENODEV, ENXIO, ELOOP}) {
        const QString text = SystemErrorText(err);
        EXPECT_NE(text, QStringLiteral("ошибка %1").arg(err));
        EXPECT_FALSE(text.contains(latin)) << err << ' ' << text.toStdString();
        EXPECT_FALSE(seen.contains(text)) << "two numbers share " << text.toStdString();
        seen << text;
    }
}

} // namespace
} // namespace tals
