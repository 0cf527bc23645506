// A port that goes away while in use: found, closed, reported and opened
// again under the same name once the device is back.

#include "device/program_modes.h"
#include "device/tals352.h"
#include "link/port_watch.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "sim/sim_transducer.h"

#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <vector>

using namespace tals;

namespace {

TEST(PortWatch, ALostPortIsTriedAgainOnceASecondWhilePolling)
{
    TPortWatch watch(1000);
    using namespace std::chrono;
    const auto t0 = TPortWatch::TClock::now();
    EXPECT_FALSE(watch.ReopenDue(true, t0 + seconds(5))); // nothing lost
    EXPECT_TRUE(watch.MarkLost(QStringLiteral("устройство отключено")));
    EXPECT_FALSE(watch.MarkLost(QStringLiteral("again"))); // one report per loss
    EXPECT_EQ(watch.Reason(), QStringLiteral("устройство отключено"));
    const auto t1 = TPortWatch::TClock::now();
    EXPECT_FALSE(watch.ReopenDue(true, t1 + milliseconds(500)));
    EXPECT_TRUE(watch.ReopenDue(true, t1 + milliseconds(1000)));
    EXPECT_FALSE(watch.ReopenDue(true, t1 + milliseconds(1900)));
    EXPECT_TRUE(watch.ReopenDue(true, t1 + milliseconds(2000)));
    // The operator's own command does not wait.
    EXPECT_TRUE(watch.ReopenDue(false, t1 + milliseconds(2001)));
    EXPECT_TRUE(watch.MarkRecovered());
    EXPECT_FALSE(watch.Lost());
    EXPECT_FALSE(watch.MarkRecovered());
}

TEST(PortWatch, TheErrorsOfAVanishedDeviceMeanALostPort)
{
    struct TCase
    {
        int Code;
        int Errno;
        bool Lost;
    };
    const TCase cases[] = {
        {CE_ReadFailed, EIO, true},          {CE_WriteFailed, EIO, true},
        {CE_WriteFailed, ENODEV, true},      {CE_PurgeFailed, ENXIO, true},
        {CE_OpenFailed, ECONNREFUSED, true}, {CE_WriteFailed, EPIPE, true},
        {CE_PurgeFailed, EBADF, false},      {CE_SetStateFailed, EINVAL, false},
        {CE_WriteFailed, EAGAIN, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Errno);
        EXPECT_EQ(IsPortLoss(ESerialError(c.Code, c.Errno)), c.Lost);
    }
    EXPECT_FALSE(PortLossReason(ESerialError(CE_ReadFailed, EIO)).isEmpty());
    EXPECT_TRUE(PortPathPresent(QStringLiteral("tcp://127.0.0.1:1")));
    EXPECT_FALSE(PortPathPresent(QStringLiteral("/dev/no-such-port-here")));
}

// Records what the scheduler archives, with the time of each record.
class TTimedArchive : public TReadingArchive
{
public:
    void Append(const QString &name, double, TDateTime time, int) override
    {
        std::lock_guard lock(mutex);
        if (name == QLatin1String("Distance"))
            times.push_back(time);
    }
    std::vector<TDateTime> Times()
    {
        std::lock_guard lock(mutex);
        return times;
    }
    std::mutex mutex;
    std::vector<TDateTime> times;
};

class PortLossTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        SetStartDir(dir.path());
        SetProgramDir(dir.path());
        model.SetErrorMax(1);
        // Where a replugged adapter's stable name would be.
        sim.SetLinkPath(dir.file("ttyTALS"));
        ASSERT_TRUE(sim.Start());
        QDir().mkpath(dir.file("INI"));
        test::writeAll(dir.file("INI/ComPort.ini"),
                       "[Transmitter]\r\nPort=" + dir.file("ttyTALS").toUtf8() +
                           "\r\nReadInterval=20\r\n");
        link.SetFaultJournalFile(dir.file("BlackBox.txt"));
        link.SetPortEventHandler([this](const TPortEvent &e) {
            std::lock_guard lock(mutex);
            events.push_back(e);
        });
        link.StartLink(&device);
        ASSERT_TRUE(link.Transmitter()->Connected());
        link.SetArchive(&archive);
        link.SetPolled(4, true);
        link.SetDeviceEnabled(0, true);
    }
    void TearDown() override
    {
        link.StopLink();
        sim.Stop();
        SetStartDir(QString());
        SetProgramDir(QString());
        QDir::setCurrent(m_oldDir);
    }
    // Polling steps one after the other on the worker, for ms milliseconds,
    // as the poll timer would give them every 100 ms.
    void PollFor(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            if (link.Worker()->Suspended())
                link.Worker()->Resume();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(90);
        }
        while (!link.Worker()->Suspended())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    std::vector<TPortEvent> Events()
    {
        std::lock_guard lock(mutex);
        return events;
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    TSimTransducer sim;
    TProgramModes modes;
    Ttals352 model{modes};
    TTals352Link device{model};
    TRequestDevices link;
    TTimedArchive archive;
    std::mutex mutex;
    std::vector<TPortEvent> events;

private:
    QString m_oldDir;
};

// The device unplugged for a few seconds while polling: the polls of the
// gap fail and archive nothing, the port is reopened under the same name
// within about a second of its return, and both events are journaled.
TEST_F(PortLossTest, PollingResumesAfterTheDeviceCameBack)
{
    PollFor(500);
    ASSERT_FALSE(archive.Times().empty());

    sim.Stop();
    const TDateTime gone = Now();
    PollFor(2500);
    EXPECT_TRUE(link.PortLost());
    EXPECT_FALSE(link.Transmitter()->Connected());
    EXPECT_FALSE(link.PortLossReason().isEmpty());
    ASSERT_EQ(Events().size(), 1u);
    EXPECT_TRUE(Events()[0].Lost);
    EXPECT_EQ(Events()[0].Port, dir.file("ttyTALS"));

    ASSERT_TRUE(sim.Start()); // a new pseudo-terminal behind the same name
    const TDateTime back = Now();
    const int before = static_cast<int>(archive.Times().size());
    PollFor(2000);
    EXPECT_FALSE(link.PortLost());
    EXPECT_TRUE(link.Transmitter()->Connected());
    ASSERT_EQ(Events().size(), 2u);
    EXPECT_FALSE(Events()[1].Lost);
    EXPECT_GT(static_cast<int>(archive.Times().size()), before) << "no reading after the return";

    for (TDateTime t : archive.Times())
        EXPECT_FALSE(t > gone && t < back) << "a reading from the gap was archived";

    const QStringList journal = ReadTextLines(dir.file("BlackBox.txt"));
    ASSERT_EQ(journal.size(), 2);
    EXPECT_TRUE(journal[0].contains(PortLostText())) << journal[0].toStdString();
    EXPECT_TRUE(journal[0].contains(dir.file("ttyTALS")));
    EXPECT_TRUE(journal[1].contains(QStringLiteral("Порт восстановлен")));
}

// A single command of the operator tries the port again at once.
TEST_F(PortLossTest, ACommandTriesALostPortAtOnce)
{
    ASSERT_EQ(link.ExecuteCommand(4).Result, 0);
    sim.Stop();
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1);
    EXPECT_TRUE(link.PortLost());
    EXPECT_EQ(link.ExecuteCommand(4).Result, -1); // still away
    ASSERT_TRUE(sim.Start());
    EXPECT_EQ(link.ExecuteCommand(4).Result, 0);
    EXPECT_FALSE(link.PortLost());
}

} // namespace
