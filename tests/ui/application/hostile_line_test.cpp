#include "device/tals352.h"
#include "link/request_devices.h"
#include "platform/date_time.h"
#include "sim/sim_transducer.h"
#include "storage/archive.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"
#include "ui/windows/form_main.h"
#include "ui/windows/view_windows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace tals;

namespace {

// How long the line misbehaves: a few seconds in the suite, longer by hand
// (TALS_HOSTILE_SECONDS=600 for a ten-minute soak).
int HostileSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TALS_HOSTILE_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 6;
}

} // namespace

// The whole program polls a simulated transducer that answers with silence,
// cut, padded and corrupted frames, exceptions (also gateway codes), fault
// status words and NaN readings, in random order. The program keeps running and
// answering its event loop, and the archive holds only finite readings, no more
// rows than the line gave good answers.
TEST(HostileLine, ProgramKeepsRunningAndArchivesOnlyRealReadings)
{
    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir(dir.path()).mkpath(QStringLiteral("INI"));
    test::writeAll(dir.file("INI/Timer.ini"), "[ctReqDevices]\r\nEnabled=0\r\nInterval=100\r\n");
    test::writeAll(dir.file("INI/ComPort.ini"),
                   "[Transmitter]\r\nReadInterval=20\r\nReadTotalMultiplier=0\r\n"
                   "ReadTotalConstant=150\r\n");

    TApplication app({QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                      QStringLiteral("--program-dir"), dir.path(), QStringLiteral("--simulate")});
    app.Start();
    ASSERT_NE(app.Model(), nullptr);
    ASSERT_NE(app.Simulator(), nullptr);
    app.SetInput(std::make_unique<TTextUserInput>());
    RegisterViewWindows(app);
    TSimTransducer &sim = *app.Simulator();

    const TDateTime started = Now();
    int injected = 0;
    {
        TFormMain main(app);
        main.show();
        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actOprosStart")));

        std::mt19937 random(20261210);
        const TSimFault faults[] = {
            {TSimFaultKind::Silence, 0},     {TSimFaultKind::Truncate, 3},
            {TSimFaultKind::Truncate, 20},   {TSimFaultKind::BadCrc, 0},
            {TSimFaultKind::Exception, 2},   {TSimFaultKind::Exception, 11},
            {TSimFaultKind::Exception, 10},  {TSimFaultKind::StatusWord, 0x0101},
            {TSimFaultKind::Overlong, 120},  {TSimFaultKind::Overlong, 300},
            {TSimFaultKind::ErrorAnswer, 0}, {TSimFaultKind::ByteGaps, 30},
        };
        QElapsedTimer run;
        run.start();
        qint64 longestPause = 0;
        QElapsedTimer pause;
        pause.start();
        while (run.elapsed() < HostileSeconds() * 1000) {
            const int pick = int(random() % 16);
            if (pick < int(std::size(faults))) {
                sim.InjectFault(faults[pick]);
                ++injected;
            } else if (pick == 12) {
                sim.SetDistance(std::numeric_limits<double>::quiet_NaN());
            } else if (pick == 13) {
                sim.SetDistance(std::numeric_limits<double>::infinity());
            } else {
                sim.SetDistance(3000 + random() % 10000);
            }
            QDeadlineTimer step(150);
            while (!step.hasExpired()) {
                QApplication::processEvents(QEventLoop::AllEvents, 20);
                longestPause = std::max(longestPause, pause.restart());
            }
        }
        sim.ClearFaults();
        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actOprosStop")));
        QApplication::processEvents();
        // A window stuck in an exchange would show as a long pause of the loop;
        // the longest exchange here is bounded by the short read time-outs.
        EXPECT_LT(longestPause, 5000) << "the event loop stalled";
        EXPECT_GT(app.Scheduler()->Worker()->StepCount(), 5) << "polling ran";
    }

    // Only finite readings were archived, and no more rows than good answers.
    const int requests = sim.RequestCount();
    const int consumed = injected - sim.PendingFaults();
    for (const char *name : {"Distance", "LevelBusy", "LevelFree", "TmpOfSensor"}) {
        const auto rows = app.Archive()->ArchiveQuery(QString::fromLatin1(name), started, 0, 0);
        for (const TArchiveRow &row : rows)
            EXPECT_TRUE(std::isfinite(row.V)) << name;
        EXPECT_LE(int(rows.size()), requests - consumed) << name;
    }
    QDir::setCurrent(oldCurrent);
}
