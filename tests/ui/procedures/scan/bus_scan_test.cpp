// The scan and assignment loops without a window: the signature handler is
// installed only around each request, a stop ends the loop before the next
// command, and the time left is estimated from the commands done.

#include "ui/procedures/scan/bus_scan.h"

#include "device/tals352.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tals;

namespace {

// The model with a link stand-in: the device at `present` answers the
// signature read as the answer parser would, every command costs `costMs` on
// the injected clock.
class BusScanTest : public ::testing::Test
{
protected:
    BusScanTest()
        : scan(model, [this](quint8 code) {
              commands.push_back({code, model.SystemAddress()});
              clockMs += costMs;
              if (code == 1 && model.SystemAddress() == present && model.OnReadSignature)
                  model.OnReadSignature(&model, model.SystemAddress(), 20, 4321, 7, 9);
              if (onCommand)
                  onCommand();
              return 0;
          })
    {
        scan.SetClock([this] { return clockMs; });
        scan.OnFound = [this](const TFoundDevice &d) { found.push_back(d); };
    }

    struct TCommand
    {
        int code;
        int address;
    };
    TProgramModes modes;
    Ttals352 model{modes};
    int present = 5;
    qint64 clockMs = 1000;
    qint64 costMs = 100;
    std::function<void()> onCommand;
    std::vector<TCommand> commands;
    std::vector<TFoundDevice> found;
    TBusScan scan;
};

TEST_F(BusScanTest, HandlerOnlyAroundEachRequest)
{
    bool outsideReached = false;
    model.OnReadSignature = [&](Ttals352 *, quint8, int, quint16, quint8, quint8) {
        outsideReached = true;
    };
    scan.Scan(3, 6);
    ASSERT_EQ(commands.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(commands[i].code, 1);
        EXPECT_EQ(commands[i].address, 3 + i);
    }
    EXPECT_EQ(found, (std::vector<TFoundDevice>{{1, 5, 20, 4321, 9, 7}}));
    EXPECT_FALSE(outsideReached);
    // Afterwards the handler that was there is back and gets what it reads.
    ASSERT_TRUE(model.OnReadSignature);
    model.OnReadSignature(&model, 1, 20, 1, 1, 1);
    EXPECT_TRUE(outsideReached);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_FALSE(scan.Busy());
    EXPECT_TRUE(scan.StopRequested());
}

TEST_F(BusScanTest, StopEndsTheLoopBeforeTheNextCommand)
{
    // Stop during a command: that command was the last.
    onCommand = [&] {
        if (commands.size() == 3)
            scan.RequestStop();
    };
    scan.Scan(1, 247);
    EXPECT_EQ(commands.size(), 3u);

    // Stop while events are processed: no further command at all.
    commands.clear();
    onCommand = {};
    int yields = 0;
    scan.ProcessEvents = [&] {
        if (++yields == 2)
            scan.RequestStop();
    };
    scan.Assign(10, 100, 199);
    EXPECT_EQ(commands.size(), 1u);
}

TEST_F(BusScanTest, AssignmentSetsPlantNumbersAndConsecutiveAddresses)
{
    std::vector<std::pair<int, int>> sent; // plant number, new address
    onCommand = [&] { sent.push_back({model.PlantNumber(), model.SystemAddressNew()}); };
    std::vector<QString> statuses;
    std::vector<int> positions;
    scan.OnStep = [&](int position, const QString &status) {
        positions.push_back(position);
        statuses.push_back(status);
    };
    scan.Assign(200, 65533, 65535);
    ASSERT_EQ(commands.size(), 3u);
    for (const TCommand &c : commands) {
        EXPECT_EQ(c.code, 80);
        EXPECT_EQ(c.address, 0);
    }
    EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{{65533, 200}, {65534, 201}, {65535, 202}}));
    EXPECT_EQ(positions, (std::vector<int>{65533, 65534, 65535}));
    EXPECT_EQ(statuses[1],
              QStringLiteral("Запись системного адреса 201 по заводскому номеру 65534"));
    EXPECT_EQ(model.SystemAddressNew(), 203);
}

TEST_F(BusScanTest, TimeLeftFollowsTheCommandsDone)
{
    std::vector<qint64> estimates;
    scan.SetWorstCaseCommandMs(650);
    scan.OnStep = [&](int, const QString &) { estimates.push_back(scan.RemainingMs()); };
    scan.Scan(1, 11);
    ASSERT_EQ(estimates.size(), 11u);
    EXPECT_EQ(estimates[0], 11 * 650) << "before the first command: the worst case";
    EXPECT_EQ(estimates[1], 10 * 100) << "then what the commands took";
    EXPECT_EQ(estimates[10], 100);
    EXPECT_EQ(scan.RemainingMs(), -1) << "nothing runs";

    TBusScan unknown(model, [](quint8) { return -1; });
    qint64 first = 0;
    unknown.OnStep = [&](int, const QString &) {
        if (!first)
            first = unknown.RemainingMs();
    };
    unknown.Scan(1, 2);
    EXPECT_EQ(first, -1) << "no worst case given and nothing done yet";
}

TEST(RemainingTimeText, Forms)
{
    const struct
    {
        qint64 ms;
        const char *text;
    } cases[] = {{-1, ""},
                 {0, "0 с"},
                 {1, "1 с"},
                 {59000, "59 с"},
                 {60000, "1 мин 00 с"},
                 {125400, "2 мин 06 с"},
                 {3600000, "1 ч 00 мин"},
                 {3725000, "1 ч 02 мин"}};
    for (const auto &c : cases)
        EXPECT_EQ(RemainingTimeText(c.ms), QString::fromUtf8(c.text)) << c.ms;
}

} // namespace
