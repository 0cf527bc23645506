#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/request_thread.h"
#include "platform/paths.h"
#include "storage/archive.h"
#include "tests/common/archive_rows.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"
#include "ui/application/window_grab.h"
#include "ui/windows/form_graph.h"
#include "ui/windows/form_main.h"
#include "ui/windows/form_multi_graph.h"
#include "ui/windows/trend_chart.h"
#include "ui/windows/trend_windows.h"
#include "ui/windows/view_windows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace tals;

namespace {

// Three hours of archived readings before now, one every 20 seconds.
void FillArchive(TArchive &archive)
{
    const TDateTime now = Now();
    const int count = 3 * 180;
    for (int i = count; i > 0; --i) {
        const TDateTime t = now - i * 20.0 / SecondsPerDay;
        const double distance = 5200 + 900 * std::sin(i / 60.0) + 150 * std::sin(i / 7.0);
        archive.Append(QStringLiteral("Distance"), distance, t);
        archive.Append(QStringLiteral("LevelBusy"), 30000 - distance, t);
        archive.Append(QStringLiteral("LevelFree"), distance - 300, t);
    }
}

// A year of level readings every two minutes before the last three hours,
// with a few one-reading excursions; returns the time of the largest.
TDateTime FillYear(TArchive &archive)
{
    const TDateTime now = Now();
    std::vector<TArchiveRow> rows;
    TDateTime spike = 0;
    for (int m = 365 * 720; m > 90; --m) {
        const TDateTime t = now - m / 720.0;
        double v =
            24000 - 900 * std::sin(t * 0.9) - 300 * std::sin(t * 17.0) - 60 * std::sin(m * 0.7);
        if (m % 40013 == 0) {
            v += 2600;
            spike = t;
        }
        rows.push_back({t, v});
    }
    test::WriteArchiveRows(archive, QStringLiteral("LevelBusy"), rows);
    return spike;
}

bool WaitFor(const std::function<bool()> &done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

// The program on the simulated transducer: archived hours and live polling
// reach the level trend window and the multi-trend window, which are saved
// as pictures under build/screenshots/.
TEST(TrendScreenshots, TrendWindowsWithArchivedAndLiveData)
{
    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        TApplication app({QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                          QStringLiteral("--program-dir"), dir.path(),
                          QStringLiteral("--simulate")});
        app.Start();
        ASSERT_NE(app.Archive(), nullptr);
        ASSERT_NE(app.Model(), nullptr);
        app.SetInput(std::make_unique<TTextUserInput>());
        FillArchive(*app.Archive());
        RegisterViewWindows(app);

        TFormMain main(app);
        main.show();
        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actOprosStart")));
        ASSERT_TRUE(WaitFor([&] { return app.Scheduler()->Worker()->StepCount() >= 2; }));

        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actGraphLevel")));
        auto *graph = qobject_cast<TFormGraph *>(main.Windows().Find(QStringLiteral("FormGraph1")));
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->ArchiveName(), QStringLiteral("LevelBusy"));
        const int archived = graph->Series1()->data()->size();
        EXPECT_GE(archived, 3 * 180);
        ASSERT_TRUE(graph->ExecuteAction(QStringLiteral("actPointsTrue")));
        ASSERT_TRUE(graph->ExecuteAction(QStringLiteral("actSetOneHour")));

        // Opening the slot again only brings the same window forward.
        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actGraphLevel")));
        EXPECT_EQ(main.Windows().Find(QStringLiteral("FormGraph1")), graph);
        EXPECT_TRUE(graph->PointsShown());
        EXPECT_EQ(graph->Mode(), TFormTrendBase::mLive);

        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actMultiGraphShow")));
        TFormMultiGraph *multi = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("FormMultiGraph") && w->isVisible())
                multi = qobject_cast<TFormMultiGraph *>(w);
        ASSERT_NE(multi, nullptr);
        EXPECT_TRUE(multi->windowTitle().startsWith(QStringLiteral("Графики уровней")));
        ASSERT_EQ(multi->SeriesCount(), 3);
        const int multiArchived = multi->Series(1)->data()->size();

        // A few more polls give both windows live points.
        const int steps = app.Scheduler()->Worker()->StepCount();
        ASSERT_TRUE(WaitFor([&] {
            return app.Scheduler()->Worker()->StepCount() >= steps + 3 &&
                   graph->Series1()->data()->size() > archived + 1 &&
                   multi->Series(1)->data()->size() > multiArchived + 1;
        }));
        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actOprosStop")));
        QApplication::processEvents();
        EXPECT_EQ(graph->Series2()->data()->size(), graph->Series1()->data()->size());
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();

        graph->resize(1100, 560);
        graph->ReplotNow();
        multi->resize(1100, 600);
        multi->ExecuteAction(QStringLiteral("actSetThreeDay"));
        multi->ExecuteAction(QStringLiteral("actShowAllX"));
        multi->ReplotNow();
        const QString folder = QStringLiteral(TALS_BINARY_DIR "/screenshots");
        EXPECT_TRUE(SaveWindowPicture(graph, folder + QStringLiteral("/FormGraph.png")));
        EXPECT_TRUE(SaveWindowPicture(multi, folder + QStringLiteral("/FormMultiGraph.png")));
        // A year of the level: the envelope of every column, then the hour of
        // an excursion with two cursors.
        const TDateTime spike = FillYear(*app.Archive());
        const TDateTime now = Now();
        TFormGraph *year = CreateTrendWindow(
            TrendContext(app), 1, QStringLiteral("LevelBusy"),
            *app.Model()->FindReading(QStringLiteral("LevelBusy")),
            QStringLiteral("Уровень — ") + TrendContext(app).device, now - 365, now);
        ASSERT_NE(year, nullptr);
        year->resize(1100, 560);
        year->show();
        ASSERT_TRUE(year->ExecuteAction(QStringLiteral("actShowAllX")));
        ASSERT_TRUE(year->WaitForView());
        ASSERT_TRUE(year->ExecuteAction(QStringLiteral("actShowAllXY")));
        ASSERT_TRUE(year->WaitForView());
        EXPECT_FALSE(year->ShowsRaw(0));
        year->ReplotNow();
        EXPECT_TRUE(SaveWindowPicture(year, folder + QStringLiteral("/FormGraphYear.png")));

        QCustomPlot *chart = year->Chart();
        const double key = ChartKey(spike);
        chart->xAxis->setRange(key - 1800, key + 1800);
        ASSERT_TRUE(year->WaitForView());
        EXPECT_TRUE(year->ShowsRaw(0));
        ASSERT_TRUE(year->ExecuteAction(QStringLiteral("actShowAllY")));
        year->ReplotNow();
        const int y = chart->axisRect()->center().y();
        year->ClickAt(QPoint(int(chart->xAxis->coordToPixel(key - 900)), y));
        year->ClickAt(QPoint(int(chart->xAxis->coordToPixel(key)), y));
        year->HoverAt(QPoint(int(chart->xAxis->coordToPixel(key + 600)), y));
        EXPECT_FALSE(year->CursorSpanText().isEmpty());
        year->ReplotNow();
        EXPECT_TRUE(SaveWindowPicture(year, folder + QStringLiteral("/FormGraphCursors.png")));
        year->close();

        multi->close();
        graph->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dialogs.answers = {TDialogButton::Yes};
        EXPECT_TRUE(main.close());
    }
    QDir::setCurrent(oldCurrent);
    SetStartDir(QString());
    SetProgramDir(QString());
}
