// The about window's texts and its two computed lines: the version text by
// the version-record rule and the build's date.

#include "ui/procedures/identification/form_about.h"

#include "platform/format_settings.h"
#include "tests/common/test_support.h"
#include "ui/application/window_grab.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace tals;

namespace {

QString Text(QWidget *window, const char *name)
{
    auto *label = window->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<none>");
}

TEST(AboutInfo, VersionTextRule)
{
    const struct
    {
        bool present;
        const char *fileVersion;
        const char *productName;
        const char *text;
    } cases[] = {
        {false, "2.0.0.0", "Tals", "1.0.0.0"}, // no record
        {true, "1.2.3.4", "", "1.2.3.4"},
        {true, "7", "", "0.0.0.0"}, // shorter than two characters
        {true, "1.2.3.4", "T", "1.2.3.4"},
        {true, " 1.2.3.4 ", " Tals35xI ", "Tals35xI 1.2.3.4"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(
            VersionText({c.present, QLatin1String(c.fileVersion), QLatin1String(c.productName)}),
            QLatin1String(c.text))
            << c.fileVersion;
}

TEST(AboutInfo, BuildGivesVersionAndStamp)
{
    EXPECT_EQ(FourPartVersion(QStringLiteral("1.0.0")), QStringLiteral("1.0.0.0"));
    EXPECT_EQ(FourPartVersion(QStringLiteral("2.5")), QStringLiteral("2.5.0.0"));
    EXPECT_EQ(FourPartVersion(QStringLiteral("1.2.3.4")), QStringLiteral("1.2.3.4"));
    EXPECT_EQ(FourPartVersion(QStringLiteral("beta")), QStringLiteral("beta"));

    const TVersionRecord record = BuildVersionRecord();
    EXPECT_TRUE(record.Present);
    EXPECT_EQ(record.FileVersion.count(QLatin1Char('.')), 3) << record.FileVersion.toStdString();
    EXPECT_TRUE(BuildTimeStamp().isValid());
    EXPECT_LE(BuildTimeStamp(), QDateTime::currentDateTimeUtc());

    // Local short date and long time (the tests run in Europe/Moscow, UTC+3).
    TFormatSettings settings;
    settings.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    settings.LongTimeFormat = QStringLiteral("H:mm:ss");
    EXPECT_EQ(
        BuildDateText(QDateTime::fromString(QStringLiteral("2026-12-10T22:05:09Z"), Qt::ISODate),
                      settings),
        QStringLiteral("11.12.2026 1:05:09"));
    EXPECT_EQ(BuildDateText(QDateTime(), settings), QString());
}

TEST(FormAbout, TextsAndComputedLines)
{
    TFormAbout form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(form.windowModality(), Qt::ApplicationModal);
    QStringList texts;
    for (QLabel *label : form.findChildren<QLabel *>())
        texts << label->text();
    for (const char *line : {"Программа настройки", "преобразователей уровня радиоволновых",
                             "серии ТАЛС35xИ (протокол ModBus)", "Tals35xI-Modbus",
                             "Тел.:", "Факс:", "E-mail:", "Интернет:"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(line))) << line;

    form.show();
    EXPECT_EQ(Text(&form, "lblVersion"),
              QStringLiteral("Версия: ") + VersionText(BuildVersionRecord()));
    EXPECT_EQ(Text(&form, "lblDate"), QStringLiteral("От :") + BuildDateText(BuildTimeStamp()));
    EXPECT_TRUE(
        SaveWindowPicture(&form, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormAbout.png")));

    // A program without a version record.
    form.SetBuildInfo({}, BuildTimeStamp());
    EXPECT_EQ(Text(&form, "lblVersion"), QStringLiteral("Версия: 1.0.0.0"));
}

} // namespace
