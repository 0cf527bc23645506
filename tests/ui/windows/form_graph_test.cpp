#include "platform/format_settings.h"
#include "platform/ini_file.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "storage/archive.h"
#include "tests/common/archive_rows.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/prompt_recording_input.h"
#include "tests/ui/report_output.h"
#include "ui/reports/reports.h"
#include "ui/windows/form_graph.h"
#include "ui/windows/form_multi_graph.h"
#include "ui/windows/form_range_dt.h"
#include "ui/windows/trend_chart.h"
#include "ui/windows/trend_navigation.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace tals {
namespace {

const TDateTime kNow = EncodeDate(2026, 12, 8) + 12.0 / 24;
constexpr double kMinute = 1.0 / 1440;
constexpr double kSecond = 1.0 / 86400;
// The newest archived row of the tests, half a second before now.
const TDateTime kLast = kNow - 0.5 * kSecond;

void Describe(TIODouble &holder, const QString &title, double max)
{
    TDescriptionOfDouble &d = holder.Description();
    d.Title = title;
    d.Dimension = QStringLiteral("мм");
    d.SetRange(0, max);
    d.Precision = 9;
    d.Digits = 1;
}

// Trend windows over a scratch archive with a clock the test moves.
class TrendWindowTest : public ::testing::Test
{
protected:
    TrendWindowTest() : archive(dir.file(QStringLiteral("DATA")))
    {
        SetStartDir(dir.path());
        Describe(level, QStringLiteral("Уровень"), 20000);
        Describe(distance, QStringLiteral("Расстояние"), 20000);
        Describe(free, QStringLiteral("Свободное пространство"), 20000);
    }
    ~TrendWindowTest() override
    {
        for (QPointer<QWidget> &w : windows)
            delete w.data();
        SetStartDir(QString());
    }

    TTrendContext Context()
    {
        TTrendContext c;
        c.archive = &archive;
        c.input = &input;
        c.programDir = dir.path();
        c.clock = [this] { return now; };
        c.reports = &reports;
        c.afterDay = [this] {
            if (afterDay)
                afterDay();
        };
        c.rangeDialog = [this](TDateTime &start, TDateTime &stop) {
            if (!rangeAnswer)
                return false;
            start = rangeAnswer->first;
            stop = rangeAnswer->second;
            return true;
        };
        return c;
    }

    // count rows of name one minute apart from first on, values value(i).
    void Fill(const QString &name, TDateTime first, int count,
              const std::function<double(int)> &value)
    {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(archive.Append(name, value(i), first + i * kMinute));
    }

    TFormGraph *OpenGraph(int slot, const QString &name, TIODouble &holder)
    {
        TFormGraph *w = CreateTrendWindow(Context(), slot, name, holder, QStringLiteral("График"),
                                          now - 1, now);
        windows << w;
        return w;
    }

    TFormMultiGraph *OpenMulti()
    {
        auto *w = new TFormMultiGraph(Context());
        windows << w;
        w->Items().Add(QStringLiteral("LevelBusy"), 0xFF0000, level);
        w->Items().Add(QStringLiteral("Distance"), 0x0000FF, distance);
        w->Items().Add(QStringLiteral("LevelFree"), 0x008000, free);
        w->Configure(QStringLiteral("Графики уровней"), now - 1, now);
        return w;
    }

    static void CloseAndFree(QWidget *w)
    {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    test::PromptRecordingInput input;
    TArchive archive;
    TDateTime now = kNow;
    std::optional<std::pair<TDateTime, TDateTime>> rangeAnswer;
    TIODouble level, distance, free;
    TReports reports;
    std::function<void()> afterDay;
    QList<QPointer<QWidget>> windows;
};

// Russian dates and numbers while a report is filled, as on the technician's desk.
class TRussianFormats
{
public:
    TRussianFormats() : m_saved(FormatSettings())
    {
        SetFormatSettings(LocaleFormatSettings(QStringLiteral("ru_RU")));
    }
    ~TRussianFormats() { SetFormatSettings(m_saved); }
    TRussianFormats(const TRussianFormats &) = delete;
    TRussianFormats &operator=(const TRussianFormats &) = delete;

private:
    TFormatSettings m_saved;
};

// "с <date> <time> по <date> <time>" of the window's visible range.
QString ReportPeriod(const QCustomPlot &chart)
{
    const QCPRange r = chart.xAxis->range();
    const auto text = [](double key) {
        const TDateTime dt = ChartDateTime(key);
        return DateToStr(dt) + QLatin1Char(' ') + TimeToStr(dt);
    };
    return QStringLiteral("с ") + text(r.lower) + QStringLiteral(" по ") + text(r.upper);
}

// The report's time axis reads the keys as the window does (local wall time
// stored as UTC), so its labels show the archived times unshifted.
void ExpectWallTimeTicks(const QCustomPlot &report, const QString &pdfText)
{
    auto ticker = report.xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    ASSERT_TRUE(ticker);
    EXPECT_EQ(ticker->dateTimeSpec(), Qt::UTC);
    // The visible 45 minutes end at 11:59:59; a tick falls on 11:30.
    EXPECT_TRUE(pdfText.contains(QStringLiteral("08.12.26 11:30:00"))) << pdfText.toStdString();
    EXPECT_FALSE(pdfText.contains(QStringLiteral("14:30:00"))) << "shifted by the zone offset";
}

TEST_F(TrendWindowTest, OpensOnTheArchivedDayAndWarnsWhenThereIsNothing)
{
    // Two hours of data, and one row older than the day that must stay out.
    Fill(QStringLiteral("LevelBusy"), kLast - 2.0 / 24, 121, [](int i) { return 1000 + i; });
    ASSERT_TRUE(archive.Append(QStringLiteral("LevelBusy"), 5, kNow - 1.5));

    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    EXPECT_EQ(w->objectName(), QStringLiteral("FormGraph1"));
    EXPECT_EQ(w->Series1()->data()->size(), 121);
    EXPECT_TRUE(w->Series2()->data()->isEmpty()) << "points hidden";
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(w->Chart()->yAxis->label(), QStringLiteral("Уровень, мм"));
    EXPECT_EQ(w->Chart()->yAxis->range(), QCPRange(0, 20000));
    // Default width 45 minutes, ending at the newest point.
    EXPECT_TRUE(w->Action(QStringLiteral("actSet45Min"))->isChecked());
    EXPECT_NEAR(w->Chart()->xAxis->range().upper, ChartKey(kLast), 1e-3);
    EXPECT_NEAR(w->Chart()->xAxis->range().size(), 45 * 60, 1e-3);
    EXPECT_EQ(w->ScrollBar()->value(), 100);
    EXPECT_TRUE(w->Action(QStringLiteral("actCurrent"))->isChecked());
    EXPECT_TRUE(w->Panel(0)->text().startsWith(QStringLiteral("Диапазон c ")));
    EXPECT_FALSE(w->Panel(0)->text().contains(QStringLiteral(" по ")));
    EXPECT_TRUE(w->Panel(1)->text().startsWith(QStringLiteral("c ")));

    // Home scrolls to the oldest point, keeping the width.
    w->ScrollTo(0);
    EXPECT_NEAR(w->Chart()->xAxis->range().lower, ChartKey(kLast - 2.0 / 24) - 45 * 60, 1e-2);

    // Points shown copy every point into the marker series.
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actPointsTrue")));
    EXPECT_EQ(w->Series2()->data()->size(), 121);

    OpenGraph(2, QStringLiteral("Distance"), distance);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Отсутствуют данные")});
}

TEST_F(TrendWindowTest, FollowScrollsToTheNewestPointAndRecentresYOnlyOutsideTheView)
{
    Fill(QStringLiteral("LevelBusy"), kLast - 1.0 / 24, 61, [](int) { return 1500; });
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    w->ScrollTo(0);
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actScanEndOn")));
    EXPECT_TRUE(w->Follow());
    w->Chart()->yAxis->setRange(1000, 2000);

    now = kNow + kMinute;
    level.SetValue(TVariant(1800.0));
    EXPECT_EQ(w->Series1()->data()->size(), 62);
    EXPECT_NEAR(w->Chart()->xAxis->range().upper, ChartKey(now), 1e-3);
    EXPECT_EQ(w->ScrollBar()->value(), 100);
    EXPECT_EQ(w->Chart()->yAxis->range(), QCPRange(1000, 2000)) << "value inside: Y kept";
    EXPECT_EQ(w->Panel(3)->text(), FloatToStrF(1800, ffNumber, 9, 1));

    now += kMinute;
    level.SetValue(TVariant(2600.0));
    EXPECT_NEAR(w->Chart()->xAxis->range().upper, ChartKey(now), 1e-3);
    EXPECT_EQ(w->Chart()->yAxis->range(), QCPRange(2100, 3100)) << "recentred, span kept";

    // Follow off: the view stays where it is.
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actScanEndOff")));
    w->ScrollTo(0);
    const QCPRange x = w->Chart()->xAxis->range();
    now += kMinute;
    level.SetValue(TVariant(9000.0));
    EXPECT_EQ(w->Chart()->xAxis->range(), x);
    EXPECT_EQ(w->Chart()->yAxis->range(), QCPRange(2100, 3100));
}

TEST_F(TrendWindowTest, StoredStepIndexOutsideTheTwelveAppliesOneDay)
{
    Fill(QStringLiteral("LevelBusy"), kNow - 0.9, 1000, [](int i) { return i; });
    for (int index : {0, 13}) {
        SCOPED_TRACE(index);
        {
            TIniFile ini(TFormGraph::IniPath(dir.path()));
            ini.WriteInteger(QStringLiteral("Parameters"), QStringLiteral("dtStepIndex"), index);
        }
        TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
        EXPECT_TRUE(w->Action(QStringLiteral("actSetOneDay"))->isChecked());
        EXPECT_EQ(w->StepIndex(), 8);
        EXPECT_DOUBLE_EQ(w->LastWidth(), 1.0);
        EXPECT_NEAR(w->Chart()->xAxis->range().size(), SecondsPerDay, 1e-3);
        CloseAndFree(w);
    }
}

TEST_F(TrendWindowTest, TheLaterOfTwoClosedWindowsLeavesItsSettings)
{
    TFormGraph *first = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    TFormGraph *second = OpenGraph(2, QStringLiteral("Distance"), distance);
    ASSERT_TRUE(first->ExecuteAction(QStringLiteral("actSetOneHour")));
    ASSERT_TRUE(first->ExecuteAction(QStringLiteral("actScanEndOn")));
    ASSERT_TRUE(second->ExecuteAction(QStringLiteral("actSetSixHour")));
    ASSERT_TRUE(second->ExecuteAction(QStringLiteral("actPointsTrue")));
    CloseAndFree(first);
    CloseAndFree(second);

    TIniFile ini(TFormGraph::IniPath(dir.path()));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Parameters"), QStringLiteral("dtStepIndex"), 0), 6);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("Parameters"), QStringLiteral("Points"), false));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("Parameters"), QStringLiteral("Scan"), true));
    // Each window left its own position.
    TIniFile positions(StartIniPath(QStringLiteral("WndPos.ini")));
    EXPECT_TRUE(positions.ReadSections().contains(QStringLiteral("FormGraph1")));
    EXPECT_TRUE(positions.ReadSections().contains(QStringLiteral("FormGraph2")));
    // Closed windows no longer follow the device.
    EXPECT_TRUE(level.Followers().empty());
    EXPECT_TRUE(distance.Followers().empty());
}

TEST_F(TrendWindowTest, RangeModeShowsOnlyTheRangeAndTheCsvHoldsExactlyItsRows)
{
    const TDateTime day = EncodeDate(2026, 12, 5);
    Fill(QStringLiteral("LevelBusy"), day + 9.0 / 24, 121, [](int i) { return 2000 + i * 0.5; });
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    dialogs.messages.clear();

    rangeAnswer = {{day + 10.0 / 24 - 30 * kSecond, day + 10.5 / 24 + 30 * kSecond}};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actStartStopDT")));
    EXPECT_EQ(w->Mode(), TFormTrendBase::mRange);
    EXPECT_TRUE(w->Action(QStringLiteral("actStartStopDT"))->isChecked());
    EXPECT_FALSE(w->Action(QStringLiteral("actScanEndOn"))->isEnabled());
    EXPECT_EQ(w->Series1()->data()->size(), 31);
    EXPECT_TRUE(w->Panel(0)->text().contains(QStringLiteral(" по ")));
    // Live points are not added in range mode.
    level.SetValue(TVariant(1.0));
    EXPECT_EQ(w->Series1()->data()->size(), 31);

    ASSERT_TRUE(w->WaitForView());
    const QString path = dir.file(QStringLiteral("level.csv"));
    dialogs.fileNames.push_back(path);
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actExportCsv")));
    const QStringList lines = QString::fromUtf8(test::readAll(path).mid(3))
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 32);
    EXPECT_EQ(lines[0], QStringLiteral("Время,\"Уровень, мм\""));
    EXPECT_EQ(lines[1], QStringLiteral("2026-12-05T10:00:00,2030"));
    EXPECT_EQ(lines[31], QStringLiteral("2026-12-05T10:30:00,2045"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();

    // Back to live mode: the last day again, live points accepted.
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actCurrent")));
    EXPECT_EQ(w->Mode(), TFormTrendBase::mLive);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Отсутствуют данные")});
    level.SetValue(TVariant(1.0));
    EXPECT_EQ(w->Series1()->data()->size(), 1);
}

TEST_F(TrendWindowTest, YRangeIsEnteredWithinTheDescriptionAndSetAroundTheValue)
{
    level.Description().SetRange(0, 2);
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    level.SetValue(TVariant(1.0));
    const QCPRange before = w->Chart()->yAxis->range();
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actYRangeSet")));
    EXPECT_EQ(w->Chart()->yAxis->range(), before) << "YRange 0 does nothing";

    dialogs.texts = {QStringLiteral("2.5"), QStringLiteral("1.5")};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actYRangeChange")));
    EXPECT_EQ(w->YRange(), 0) << "above Max - Min";
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actYRangeChange")));
    EXPECT_EQ(w->YRange(), 1.5);
    EXPECT_EQ(input.prompts.last(), QStringLiteral("Диапазон Y"));
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actYRangeSet")));
    EXPECT_EQ(w->Chart()->yAxis->range(), QCPRange(0.25, 1.75));
}

// ---- multi-trend ----

TEST_F(TrendWindowTest, MultiTrendItemWithoutDataWarnsAloneAndTheOthersLoad)
{
    Fill(QStringLiteral("LevelBusy"), kLast - 1.0 / 24, 61, [](int) { return 2000; });
    Fill(QStringLiteral("LevelFree"), kLast - 1.0 / 24, 61, [](int) { return 3000; });
    TFormMultiGraph *w = OpenMulti();
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Расстояние\rОтсутствуют данные")});
    EXPECT_EQ(w->Series(0)->data()->size(), 61);
    EXPECT_TRUE(w->Series(1)->data()->isEmpty());
    EXPECT_EQ(w->Series(2)->data()->size(), 61);
    EXPECT_EQ(w->Chart()->yAxis->label(),
              QStringLiteral("Уровень, Расстояние, Свободное пространство"));
    EXPECT_EQ(w->Chart()->yAxis->range(), QCPRange(0, 20000));
    EXPECT_EQ(w->Series(1)->pen().color(), QColor(255, 0, 0));
    EXPECT_EQ(w->Series(0)->pen().color(), QColor(0, 0, 255));

    // Show all Y starts from 100 and 0: values 2000 .. 3000 give 100 .. 3000.
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actShowAllY")));
    EXPECT_EQ(w->Chart()->yAxis->range(), QCPRange(100, 3000));
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actUndoZoom")));
    EXPECT_EQ(w->Chart()->yAxis->range(), QCPRange(0, 20000));
}

TEST_F(TrendWindowTest, HiddenSeriesKeepsReceivingLivePointsStampedByTheDevice)
{
    TFormMultiGraph *w = OpenMulti();
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actPointsTrue")));
    auto *entry = w->findChild<QAction *>(QStringLiteral("miGraph1"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("Расстояние"));
    entry->trigger();
    EXPECT_FALSE(w->Series(1)->visible());
    EXPECT_FALSE(w->Items().Item(1).Visible);
    EXPECT_EQ(w->Series(1)->scatterStyle().shape(), QCPScatterStyle::ssNone);

    const TDateTime stamp = kNow - 0.25;
    distance.SetValue(TVariant(4321.0), stamp);
    ASSERT_EQ(w->Series(1)->data()->size(), 1);
    EXPECT_NEAR(w->Series(1)->data()->constBegin()->key, ChartKey(stamp), 1e-3);
    EXPECT_EQ(w->Series(1)->data()->constBegin()->value, 4321.0);

    entry->trigger();
    EXPECT_TRUE(w->Series(1)->visible());
    EXPECT_EQ(w->Series(1)->scatterStyle().shape(), QCPScatterStyle::ssSquare) << "points shown";
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actSeriesAllHide")));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(w->Series(i)->visible());

    // The CSV holds only the shown series.
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actSeriesAllShow")));
    w->Chart()->xAxis->setRange(ChartKey(stamp) - 10, ChartKey(stamp) + 10);
    EXPECT_EQ(w->VisibleSeries().size(), 3u);
    w->findChild<QAction *>(QStringLiteral("miGraph0"))->trigger();
    const auto shown = w->VisibleSeries();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].rows.size(), 1u);

    CloseAndFree(w);
    EXPECT_TRUE(distance.Followers().empty());
    TIniFile ini(TFormMultiGraph::IniPath(dir.path()));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("Parameters"), QStringLiteral("Points"), false));
}

TEST_F(TrendWindowTest, ReportShowsTheVisibleRangeWithItsPeriodAndWallTimes)
{
    const TRussianFormats russian;
    Fill(QStringLiteral("LevelBusy"), kLast - 2.0 / 24, 121, [](int i) { return 1000 + 10 * i; });
    TFormGraph *w = CreateTrendWindow(Context(), 1, QStringLiteral("LevelBusy"), level,
                                      QStringLiteral("Тренд уровня"), now - 1, now);
    windows << w;
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actPointsTrue")));

    TRepGraph *report = w->PrepareReport();
    ASSERT_EQ(report, &reports.Graph());
    EXPECT_EQ(report->Title.Text(), QStringLiteral("Тренд уровня"));
    EXPECT_EQ(report->FilterDescribe.Text(), ReportPeriod(*w->Chart()));
    QCustomPlot *chart = report->Chart();
    EXPECT_EQ(chart->xAxis->range(), w->Chart()->xAxis->range());
    EXPECT_EQ(chart->yAxis->range(), w->Chart()->yAxis->range());
    EXPECT_EQ(chart->yAxis->label(), QStringLiteral("Уровень, мм"));
    EXPECT_NE(report->Series()->scatterStyle().shape(), QCPScatterStyle::ssNone) << "points shown";
    // The visible 45 minutes and one point before them, not the whole two hours.
    const std::size_t visible = w->VisibleSeries()[0].rows.size();
    EXPECT_EQ(std::size_t(report->Series()->data()->size()), visible + 1);
    EXPECT_LT(report->Series()->data()->size(), w->Series1()->data()->size());

    const QString text = test::SaveFilledReport(*report, QStringLiteral("TRepGraph_FormGraph"));
    EXPECT_TRUE(text.contains(QStringLiteral("Тренд уровня"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("с 08.12.2026 11:14:59 по 08.12.2026 11:59:59")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(report->FilterDescribe.Text())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Уровень, мм")));
    ExpectWallTimeTicks(*chart, text);
}

TEST_F(TrendWindowTest, MultiReportHasOneSeriesPerShownItemWithItsLegend)
{
    const TRussianFormats russian;
    Fill(QStringLiteral("LevelBusy"), kLast - 2.0 / 24, 121, [](int i) { return 2000 + 20 * i; });
    Fill(QStringLiteral("Distance"), kLast - 2.0 / 24, 121, [](int i) { return 9000 - 20 * i; });
    Fill(QStringLiteral("LevelFree"), kLast - 2.0 / 24, 121, [](int i) { return 5000 + 5 * i; });
    TFormMultiGraph *w = OpenMulti();

    w->findChild<QAction *>(QStringLiteral("miGraph1"))->trigger(); // hides "Расстояние"
    ASSERT_FALSE(w->Items().Item(1).Visible);
    TRepMultiGraph *report = w->PrepareReport();
    ASSERT_EQ(report, &reports.MultiGraph());
    QCustomPlot *chart = report->Chart();
    ASSERT_EQ(chart->graphCount(), 2);
    EXPECT_EQ(chart->graph(0)->name(), QStringLiteral("Уровень"));
    EXPECT_EQ(chart->graph(1)->name(), QStringLiteral("Свободное пространство"));
    EXPECT_EQ(chart->graph(1)->pen().color(), w->Series(2)->pen().color());

    // A second filling replaces the series of the first.
    w->findChild<QAction *>(QStringLiteral("miGraph1"))->trigger();
    report = w->PrepareReport();
    ASSERT_EQ(chart->graphCount(), 3);
    EXPECT_TRUE(chart->legend->visible());
    EXPECT_EQ(chart->legend->itemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(chart->graph(i)->name(), w->Series(i)->name());
        EXPECT_EQ(std::size_t(chart->graph(i)->data()->size()),
                  w->VisibleSeries()[std::size_t(i)].rows.size() + 1);
    }
    EXPECT_EQ(report->Title.Text(), QStringLiteral("Графики уровней"));
    EXPECT_EQ(report->FilterDescribe.Text(), ReportPeriod(*w->Chart()));
    EXPECT_EQ(chart->yAxis->range(), w->Chart()->yAxis->range());

    const QString text =
        test::SaveFilledReport(*report, QStringLiteral("TRepMultiGraph_FormMultiGraph"));
    EXPECT_TRUE(text.contains(QStringLiteral("Графики уровней"))) << text.toStdString();
    EXPECT_TRUE(text.contains(report->FilterDescribe.Text())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Свободное пространство")));
    ExpectWallTimeTicks(*chart, text);
}

// ---- levels of detail, loading, navigation, cursors, exports ----

constexpr double kSecondStep = 1.0 / 86400;

// Readings every `every` seconds over `days` days from first, a slow wave.
std::vector<TArchiveRow> Wave(TDateTime first, int days, int every)
{
    std::vector<TArchiveRow> rows;
    for (int s = 0; s < days * 86400; s += every)
        rows.push_back({first + s * kSecondStep, 5000 + 1000 * std::sin(s / 20000.0)});
    return rows;
}

TEST_F(TrendWindowTest, AWideRangeDrawsTheEnvelopeWithItsSpikeAndZoomingFetchesTheReadings)
{
    const TDateTime first = EncodeDate(2026, 10, 1);
    std::vector<TArchiveRow> rows = Wave(first, 40, 20);
    // One reading far above the rest in the middle of a day.
    TArchiveRow &spike = rows[rows.size() / 2 + 17];
    spike.V = 19000;
    test::WriteArchiveRows(archive, QStringLiteral("LevelBusy"), rows);

    rangeAnswer = {{first, first + 40}};
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actStartStopDT")));
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actShowAllX")));
    ASSERT_TRUE(w->WaitForView());
    EXPECT_FALSE(w->ShowsRaw(0));
    EXPECT_LT(w->Series1()->data()->size(), 5000) << "per column, not per reading";
    double highest = 0;
    for (const TCsvSeries &s : w->VisibleSeries())
        for (const TArchiveRow &r : s.rows)
            highest = std::max(highest, r.V);
    EXPECT_EQ(highest, 19000) << "the spike is in the envelope";

    // Ten minutes around the spike: the readings themselves, fetched for the view.
    const double key = ChartKey(spike.DT);
    w->Chart()->xAxis->setRange(key - 300, key + 300);
    ASSERT_TRUE(w->WaitForView());
    EXPECT_TRUE(w->ShowsRaw(0));
    const auto data = w->Series1()->data();
    auto it = data->findBegin(key, false);
    ASSERT_NE(it, data->constEnd());
    EXPECT_NEAR(it->key, key, 1e-3);
    EXPECT_EQ(it->value, 19000);
}

TEST_F(TrendWindowTest, ARangeViewOpensWithYFittedToItsData)
{
    const TDateTime day = EncodeDate(2026, 12, 5);
    Fill(QStringLiteral("LevelBusy"), day + 9.0 / 24, 121, [](int i) { return 2000 + i; });
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    rangeAnswer = {{day, day + 1}};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actStartStopDT")));
    // The remembered 45 minutes at the end of the data: 2075 .. 2120.
    double low = 1e300, high = -1e300;
    const std::vector<TCsvSeries> shown = w->VisibleSeries();
    for (const TArchiveRow &r : shown[0].rows) {
        low = std::min(low, r.V);
        high = std::max(high, r.V);
    }
    ASSERT_LT(low, high);
    const QCPRange y = w->Chart()->yAxis->range();
    EXPECT_LE(y.lower, low);
    EXPECT_GE(y.upper, high);
    EXPECT_LT(y.size(), 2 * (high - low)) << "fitted, not the description's 0 .. 20000";
}

TEST_F(TrendWindowTest, ACancelledLoadKeepsWhatItReadAndSaysSo)
{
    // A reading every hour over ten days: each day of the range has some.
    const TDateTime first = kNow - 10;
    std::vector<TArchiveRow> rows;
    for (int h = 0; h < 10 * 24; ++h)
        rows.push_back({first + h / 24.0, 100.0 + h});
    test::WriteArchiveRows(archive, QStringLiteral("LevelBusy"), rows);
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    dialogs.messages.clear();

    // The loader waits after its second day until the window has cancelled.
    QSemaphore cancelled;
    std::atomic<int> days{0};
    afterDay = [&] {
        if (++days == 2)
            cancelled.tryAcquire(1, 10000);
    };
    QObject::connect(w, &TFormTrendBase::loadProgress, w, [w, &cancelled](int done, int) {
        if (done == 2) {
            w->CancelLoad();
            cancelled.release();
        }
    });
    rangeAnswer = {{first, kNow}};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actStartStopDT")));
    EXPECT_FALSE(w->Loading());
    // Twelve hours of the first day and the whole second.
    EXPECT_EQ(w->Series1()->data()->size(), 12 + 24) << "the days after the cancel stay unread";
    EXPECT_EQ(w->Series1()->data()->constBegin()->value, 100);
    EXPECT_TRUE(w->LoadState()->isVisibleTo(w));
    EXPECT_TRUE(w->LoadState()->text().startsWith(QStringLiteral("Загрузка прервана")))
        << w->LoadState()->text().toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "no \"no data\" for a cancelled load";
}

TEST_F(TrendWindowTest, LivePointsDuringALoadAreKeptInBothWindows)
{
    Fill(QStringLiteral("LevelBusy"), kNow - 0.9, 100, [](int i) { return 1000 + i; });
    Fill(QStringLiteral("Distance"), kNow - 0.9, 100, [](int i) { return 3000 + i; });
    afterDay = [] { QThread::msleep(30); };
    // The first progress report of each load brings a reading from the device.
    auto liveDuringLoad = [this](TFormTrendBase *w, TIODouble &holder, double value) {
        QObject::connect(w, &TFormTrendBase::loadProgress, w, [&holder, value, w](int done, int) {
            if (done == 1 && w->Loading())
                holder.SetValue(TVariant(value), kNow + kMinute);
        });
    };
    auto *graph = new TFormGraph(Context());
    windows << graph;
    liveDuringLoad(graph, level, 7777);
    graph->Open(1, QStringLiteral("LevelBusy"), level, QStringLiteral("Уровень"), now - 1, now);
    ASSERT_EQ(graph->Series1()->data()->size(), 101);
    EXPECT_EQ((graph->Series1()->data()->constEnd() - 1)->value, 7777);

    auto *multi = new TFormMultiGraph(Context());
    windows << multi;
    multi->Items().Add(QStringLiteral("LevelBusy"), 0xFF0000, level);
    multi->Items().Add(QStringLiteral("Distance"), 0x0000FF, distance);
    liveDuringLoad(multi, distance, 8888);
    multi->Configure(QStringLiteral("Графики"), now - 1, now);
    ASSERT_EQ(multi->Series(1)->data()->size(), 101);
    EXPECT_EQ((multi->Series(1)->data()->constEnd() - 1)->value, 8888);
}

TEST_F(TrendWindowTest, MultiTrendSwitchedToARangeWhilePollingShowsOnlyArchivedPoints)
{
    const TDateTime day = EncodeDate(2026, 12, 3);
    Fill(QStringLiteral("LevelBusy"), day + 0.5, 30, [](int) { return 1000; });
    TFormMultiGraph *w = OpenMulti();
    afterDay = [] { QThread::msleep(20); };
    // Polling goes on while the range is read, and after it.
    QObject::connect(w, &TFormTrendBase::loadProgress, w,
                     [this](int, int) { level.SetValue(TVariant(4444.0), kNow); });
    rangeAnswer = {{day, day + 1}};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actStartStopDT")));
    level.SetValue(TVariant(5555.0), kNow);
    ASSERT_TRUE(w->WaitForView());
    const auto data = w->Series(0)->data();
    EXPECT_EQ(data->size(), 30);
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        ASSERT_EQ(it->value, 1000) << "a live point in the archived view";
}

TEST_F(TrendWindowTest, TheSnappedReadOutNamesARealPointAndTwoCursorsMeasureTheSpan)
{
    Fill(QStringLiteral("LevelBusy"), kLast - 1.0 / 24, 61, [](int i) { return 1000 + 10 * i; });
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    w->resize(1100, 560);
    w->show();
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actSetOneHour")));
    ASSERT_TRUE(w->WaitForView());
    w->ReplotNow();
    QCustomPlot *chart = w->Chart();
    const std::vector<TArchiveRow> rows =
        archive.ArchiveQuery(QStringLiteral("LevelBusy"), kNow, 0, 0);
    ASSERT_EQ(rows.size(), 61u);

    // A little to the right of row 20 and well above the line.
    const double key = ChartKey(rows[20].DT) + 12;
    const QPoint pos(int(chart->xAxis->coordToPixel(key)), int(chart->yAxis->coordToPixel(15000)));
    ASSERT_TRUE(w->HoverAt(pos));
    EXPECT_NEAR(w->LastSnap().time, rows[20].DT, 1.0 / MSecsPerDay);
    EXPECT_EQ(w->LastSnap().value, rows[20].V);
    const QString text = w->Panel(4)->text();
    EXPECT_TRUE(text.contains(ToQDateTime(rows[20].DT).toString(QStringLiteral("HH:mm:ss"))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(FloatToStrF(1200, ffNumber, 9, 1))) << text.toStdString();

    // Two clicks: rows 10 .. 40.
    w->ClickAt(QPoint(int(chart->xAxis->coordToPixel(ChartKey(rows[10].DT))), pos.y()));
    w->ClickAt(QPoint(int(chart->xAxis->coordToPixel(ChartKey(rows[40].DT))), pos.y()));
    const QString span = w->CursorSpanText();
    EXPECT_TRUE(span.contains(QStringLiteral("Δt 00:30:00"))) << span.toStdString();
    EXPECT_TRUE(span.contains(QStringLiteral("Δ ") + FloatToStrF(300, ffNumber, 9, 1)));
    EXPECT_TRUE(span.contains(QStringLiteral("мин ") + FloatToStrF(1100, ffNumber, 9, 1)));
    EXPECT_TRUE(span.contains(QStringLiteral("макс ") + FloatToStrF(1400, ffNumber, 9, 1)));
    EXPECT_TRUE(span.contains(QStringLiteral("среднее ") + FloatToStrF(1250, ffNumber, 9, 1)));
    // A third click starts again.
    w->ClickAt(pos);
    EXPECT_TRUE(w->CursorSpanText().isEmpty());
}

TEST_F(TrendWindowTest, WheelZoomsAroundTheCursorDragPansAndTheHistoryGoesBackAndForth)
{
    Fill(QStringLiteral("LevelBusy"), kLast - 3.0 / 24, 181, [](int i) { return 1000 + i; });
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    w->resize(1100, 560);
    w->show();
    w->ReplotNow();
    QCustomPlot *chart = w->Chart();
    const QCPRange x0 = chart->xAxis->range();
    const QCPRange y0 = chart->yAxis->range();

    // The wheel: the time under the cursor stays where it is.
    const QPoint at(chart->axisRect()->left() + chart->axisRect()->width() / 4,
                    chart->axisRect()->center().y());
    const double keyAt = chart->xAxis->pixelToCoord(at.x());
    auto wheel = [&](Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &event);
    };
    wheel(Qt::NoModifier);
    const QCPRange x1 = chart->xAxis->range();
    EXPECT_LT(x1.size(), x0.size());
    EXPECT_NEAR(chart->xAxis->pixelToCoord(at.x()), keyAt, x0.size() / 500);
    EXPECT_EQ(chart->yAxis->range(), y0);
    EXPECT_FALSE(w->Action(QStringLiteral("actSet45Min"))->isChecked());
    // Ctrl+wheel: the value axis only.
    QTest::qWait(800); // a new turn of the wheel
    wheel(Qt::ControlModifier);
    EXPECT_EQ(chart->xAxis->range(), x1);
    EXPECT_LT(chart->yAxis->range().size(), y0.size());
    const QCPRange y2 = chart->yAxis->range();

    // Dragging with the middle button pans.
    auto mouse = [&](QEvent::Type type, QPoint p, Qt::MouseButton button) {
        QMouseEvent event(type, p, chart->mapToGlobal(p), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier);
        QApplication::sendEvent(chart, &event);
    };
    const QPoint from = chart->axisRect()->center();
    mouse(QEvent::MouseButtonPress, from, Qt::MiddleButton);
    mouse(QEvent::MouseMove, from + QPoint(100, 0), Qt::MiddleButton);
    mouse(QEvent::MouseButtonRelease, from + QPoint(100, 0), Qt::MiddleButton);
    const QCPRange x3 = chart->xAxis->range();
    EXPECT_NEAR(x3.size(), x1.size(), 1e-6);
    EXPECT_LT(x3.lower, x1.lower) << "dragged to the right shows earlier times";

    // Back one step at a time, then forward again.
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actUndoZoom")));
    EXPECT_EQ(chart->xAxis->range(), x1);
    EXPECT_EQ(chart->yAxis->range(), y2);
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actUndoZoom")));
    EXPECT_EQ(chart->yAxis->range(), y0);
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actUndoZoom")));
    EXPECT_EQ(chart->xAxis->range(), x0);
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actZoomForward")));
    EXPECT_EQ(chart->xAxis->range(), x1);

    // "Перейти к дате...": the view centred on the time, its width kept.
    const double width = chart->xAxis->range().size();
    dialogs.texts = {QStringLiteral("08.12.2026 10:30:00")};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actGoToDate")));
    EXPECT_NEAR(chart->xAxis->range().center(), ChartKey(EncodeDateTime(2026, 12, 8, 10, 30, 0, 0)),
                1e-3);
    EXPECT_NEAR(chart->xAxis->range().size(), width, 1e-6);
    dialogs.texts = {QStringLiteral("вчера")};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actGoToDate")));
    EXPECT_TRUE(dialogs.messages.last().startsWith(QStringLiteral("Неверная дата")));
}

TEST_F(TrendWindowTest, TheToolBarFitsElevenHundredPixelsAndEveryActionIsInAMenu)
{
    for (int kind = 0; kind < 2; ++kind) {
        SCOPED_TRACE(kind);
        TFormTrendBase *w =
            kind == 0
                ? static_cast<TFormTrendBase *>(OpenGraph(1, QStringLiteral("LevelBusy"), level))
                : OpenMulti();
        w->resize(1100, 560);
        w->show();
        QApplication::processEvents();
        QToolBar *tools = w->ToolBar();
        ASSERT_NE(tools, nullptr);
        auto *more = tools->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
        EXPECT_TRUE(!more || !more->isVisible()) << "buttons hidden behind the extension";
        QList<QAction *> inMenus;
        for (QMenu *menu : w->findChildren<QMenu *>())
            inMenus += menu->actions();
        for (QAction *a : tools->actions()) {
            if (a->isSeparator() || a->objectName().isEmpty())
                continue;
            EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
            EXPECT_FALSE(a->toolTip().isEmpty());
            EXPECT_TRUE(inMenus.contains(a)) << a->objectName().toStdString();
        }
    }
}

TEST_F(TrendWindowTest, CsvFollowsTheLocaleAndThePictureAndClipboardGetTheChart)
{
    const TRussianFormats russian;
    const TDateTime day = EncodeDate(2026, 12, 5);
    Fill(QStringLiteral("LevelBusy"), day + 10.0 / 24, 3, [](int i) { return 2000.5 + i; });
    TFormGraph *w = OpenGraph(1, QStringLiteral("LevelBusy"), level);
    rangeAnswer = {{day, day + 1}};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actStartStopDT")));
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actShowAllX")));
    ASSERT_TRUE(w->WaitForView());

    const QString russianCsv = dir.file(QStringLiteral("ru.csv"));
    const QString isoCsv = dir.file(QStringLiteral("iso.csv"));
    dialogs.fileNames = {russianCsv, isoCsv};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actExportCsv")));
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actExportCsvIso")));
    const QStringList ru = QString::fromUtf8(test::readAll(russianCsv).mid(3))
                               .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(ru.size(), 4) << ru.join('|').toStdString();
    EXPECT_EQ(ru[0], QStringLiteral("Время;Уровень, мм"));
    EXPECT_EQ(ru[1], QStringLiteral("05.12.2026 10:00:00;2000,5"));
    const QStringList iso = QString::fromUtf8(test::readAll(isoCsv).mid(3))
                                .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(iso.size(), 4);
    EXPECT_EQ(iso[2], QStringLiteral("2026-12-05T10:01:00,2001.5"));

    const QString png = dir.file(QStringLiteral("chart"));
    dialogs.fileNames = {png};
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actExportPng")));
    EXPECT_TRUE(test::readAll(png + QStringLiteral(".png")).startsWith("\x89PNG"));
    ASSERT_TRUE(w->ExecuteAction(QStringLiteral("actCopy")));
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasImage());
    EXPECT_TRUE(copied->text().startsWith(QStringLiteral("Время;Уровень, мм")))
        << "spreadsheet text";
}

TEST_F(TrendWindowTest, AReversedRangeIsRefusedWithoutAnIcon)
{
    TFormRangeDT dialog;
    dialog.SetRange(kNow, kNow - 1, kNow);
    dialog.accept();
    ASSERT_EQ(dialogs.messages, QStringList{QStringLiteral("Неверный диапазон")});
    EXPECT_EQ(dialogs.icons.back(), TDialogIcon::None);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

} // namespace
} // namespace tals
