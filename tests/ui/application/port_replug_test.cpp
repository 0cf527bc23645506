// The program polling a transducer whose USB adapter is pulled out and
// plugged in again under its stable name (the simulated transducer stopped
// and started behind the same link).

#include "device/answer_parser.h"
#include "device/tals352.h"
#include "link/port_watch.h"
#include "link/request_devices.h"
#include "platform/date_time.h"
#include "platform/text_file.h"
#include "sim/sim_transducer.h"
#include "storage/archive.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"
#include "ui/application/window_grab.h"
#include "ui/windows/form_main.h"
#include "ui/windows/view_windows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

using namespace tals;

namespace {

void RunEvents(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool WaitFor(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST(PortReplug, PollingGoesOnByItselfAndTheGapArchivesNothing)
{
    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString port = dir.file("ttyUSB-TALS");
    QDir(dir.path()).mkpath(QStringLiteral("INI"));
    test::writeAll(dir.file("INI/Timer.ini"), "[ctReqDevices]\r\nEnabled=0\r\nInterval=100\r\n");
    test::writeAll(dir.file("INI/ComPort.ini"), "[Transmitter]\r\nPort=" + port.toUtf8() +
                                                    "\r\nReadInterval=20\r\nReadTotalConstant=100"
                                                    "\r\nReadTotalMultiplier=0\r\n");
    TSimTransducer sim;
    sim.SetLinkPath(port);
    ASSERT_TRUE(sim.Start());

    TApplication app({QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                      QStringLiteral("--program-dir"), dir.path()});
    app.Start();
    ASSERT_NE(app.Model(), nullptr);
    app.SetInput(std::make_unique<TTextUserInput>());
    RegisterViewWindows(app);
    {
        TFormMain main(app);
        main.show();
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actOprosStart")));
        TRequestDevices &scheduler = *app.Scheduler();
        ASSERT_TRUE(WaitFor([&] { return scheduler.Worker()->StepCount() >= 3; }, 5000));

        sim.Stop();
        const TDateTime gone = Now();
        ASSERT_TRUE(WaitFor([&] { return scheduler.PortLost(); }, 2000));
        RunEvents(300); // a tick or two to refresh the windows
        auto *status = main.findChild<QLabel *>(QStringLiteral("lblStatusPort"));
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->text(), PortLostText() + QStringLiteral(" (") +
                                      scheduler.PortLossReason() + QStringLiteral("): ") + port);
        QWidget *readings = main.Windows().Find(QStringLiteral("FormTals352I"));
        ASSERT_NE(readings, nullptr);
        auto *errors = readings->findChild<QPlainTextEdit *>(QStringLiteral("memErrors"));
        ASSERT_NE(errors, nullptr);
        EXPECT_TRUE(errors->toPlainText().startsWith(PortLostText() + QLatin1Char('\n')))
            << errors->toPlainText().toStdString();
        readings->move(0, 0);
        EXPECT_TRUE(SaveWindowPicture(
            readings, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormTals352I-PortLost.png")));
        EXPECT_TRUE(SaveWindowPicture(
            &main, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormMain-PortLost.png")));
        RunEvents(2000); // the adapter stays out

        ASSERT_TRUE(sim.Start());
        const TDateTime back = Now();
        QElapsedTimer resumed;
        resumed.start();
        const int steps = scheduler.Worker()->StepCount();
        EXPECT_TRUE(WaitFor(
            [&] { return !scheduler.PortLost() && app.Model()->Distance().TimeStamp() > back; },
            2000))
            << "no reading within two seconds of the return";
        EXPECT_LT(resumed.elapsed(), 2000);
        EXPECT_GT(scheduler.Worker()->StepCount(), steps);
        RunEvents(300);
        EXPECT_TRUE(status->text().contains(QStringLiteral("открыт")))
            << status->text().toStdString();
        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actOprosStop")));

        // The archive: readings before and after, none from the gap.
        const auto rows = app.Archive()->ArchiveQuery(QStringLiteral("Distance"), gone, 0, 0);
        int after = 0;
        for (const TArchiveRow &row : rows) {
            EXPECT_FALSE(row.DT > gone && row.DT < back) << "a reading from the gap";
            after += row.DT > back;
        }
        EXPECT_GT(after, 0);

        // Both events in the day's fault journal.
        const QString journal = ReadTextLines(BlackBoxPath()).join('\n');
        EXPECT_TRUE(journal.contains(PortLostText() + QStringLiteral(": ") + port))
            << journal.toStdString();
        EXPECT_TRUE(journal.contains(QStringLiteral("Порт восстановлен: ") + port));
    }
    sim.Stop();
    QDir::setCurrent(oldCurrent);
}
