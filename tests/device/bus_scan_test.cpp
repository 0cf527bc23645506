// The scan and assignment loops without a window: the signature handler is
// installed only around each request, a garbled answer is listed as several
// devices at one address, target addresses are checked before an assignment
// and each broadcast is read back, the model gets its identity back, a stop
// ends the loop before the next command, and the time left is estimated.

#include "device/bus_scan.h"

#include "device/tals352.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
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
              const int address = model.SystemAddress();
              if (code == 1 && garbled.count(address))
                  model.LastAnswerFault = Ttals352::TAnswerFault::BadCrc;
              else if (code == 1 && address == present && model.OnReadSignature)
                  model.OnReadSignature(&model, address, 20, 4321, 7, 9);
              else if (code == 1 && line.count(address) && model.OnReadSignature)
                  model.OnReadSignature(&model, address, 20, quint16(line[address]), 1, 1);
              // The device with the plant number takes the new address.
              if (code == 80)
                  for (auto &[at, plant] : std::map<int, int>(line))
                      if (plant == model.PlantNumber()) {
                          line.erase(at);
                          line[model.SystemAddressNew()] = plant;
                      }
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
    std::map<int, int> line; // address -> plant number of further devices
    std::set<int> garbled;   // addresses whose answers arrive corrupted
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
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                            [](const TCommand &c) { return c.code == 80; }),
              1);
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
    const std::vector<TAssignResult> results = scan.Assign(200, 65533, 65535);
    std::vector<TCommand> broadcasts;
    std::vector<std::pair<int, int>> broadcastSent;
    for (std::size_t i = 0; i < commands.size(); ++i)
        if (commands[i].code == 80) {
            broadcasts.push_back(commands[i]);
            broadcastSent.push_back(sent[i]);
            // Then the signature at the new address, twice when silent.
            ASSERT_LT(i + 2, commands.size());
            EXPECT_EQ(commands[i + 1].code, 1);
            EXPECT_EQ(commands[i + 1].address, sent[i].second);
        }
    ASSERT_EQ(broadcasts.size(), 3u);
    for (const TCommand &c : broadcasts)
        EXPECT_EQ(c.address, 0);
    EXPECT_EQ(broadcastSent,
              (std::vector<std::pair<int, int>>{{65533, 200}, {65534, 201}, {65535, 202}}));
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].Outcome, TAssignOutcome::NoAnswer) << "no scan knew the line";
    EXPECT_EQ(positions, (std::vector<int>{65533, 65534, 65535}));
    EXPECT_EQ(statuses[1],
              QStringLiteral("Запись системного адреса 201 по заводскому номеру 65534"));
    EXPECT_EQ(model.SystemAddressNew(), 1) << "the model's own value is back";
}

TEST_F(BusScanTest, AGarbledAnswerIsListedAsSeveralDevicesAtItsAddress)
{
    garbled = {3};
    line = {{2, 1235}};
    scan.Scan(1, 6);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0], (TFoundDevice{1, 2, 20, 1235, 1, 1}));
    EXPECT_EQ(found[1], (TFoundDevice{2, 3, 0, 0, 0, 0, true}));
    EXPECT_EQ(found[2].Address, 5);
    EXPECT_EQ(scan.LastScan(), found);
    EXPECT_EQ(CorruptedAddressText(3), QStringLiteral("возможно, несколько приборов на адресе 3"));
}

TEST_F(BusScanTest, TheModelHasItsOwnIdentityBackAfterAScan)
{
    model.SetSystemAddress(7);
    model.SetPlantNumber(777);
    model.SetHardVersionNumber(4);
    model.SetSoftVersionNumber(6);
    model.Signature().PlantNumber = QStringLiteral("777");
    // Signature reads decode other devices' identities into the model.
    TBusScan real(model, [this](quint8) {
        model.SetPlantNumber(4321);
        model.SetSoftVersionNumber(9);
        model.Signature().PlantNumber = QStringLiteral("4321");
        return 0;
    });
    real.Scan(1, 3);
    EXPECT_EQ(model.SystemAddress(), 7);
    EXPECT_EQ(model.PlantNumber(), 777);
    EXPECT_EQ(model.HardVersionNumber(), 4);
    EXPECT_EQ(model.SoftVersionNumber(), 6);
    EXPECT_EQ(model.Signature().PlantNumber, QStringLiteral("777"));
    real.Assign(10, 100, 102);
    EXPECT_EQ(model.SystemAddress(), 7);
    EXPECT_EQ(model.PlantNumber(), 777);
}

TEST_F(BusScanTest, TargetsHeldByOtherDevicesAreNamedBeforeAnythingIsWritten)
{
    present = 0;
    line = {{1, 1234}, {3, 1299}, {12, 1236}};
    garbled = {4};
    // 1234..1237 to 1..4: 1 holds its own device, 3 another one, 4 answers garbled.
    const std::vector<TOccupiedAddress> occupied = scan.CheckTargets(1, 1234, 1237);
    EXPECT_EQ(occupied, (std::vector<TOccupiedAddress>{{3, 1299, false}, {4, 0, true}}));
    EXPECT_EQ(OccupiedText(occupied[0]), QStringLiteral("Адрес 3 занят прибором 1299"));
    EXPECT_EQ(OccupiedText(occupied[1]),
              QStringLiteral("Адрес 4 занят: возможно, несколько приборов на адресе 4"));
    for (const TCommand &c : commands)
        EXPECT_EQ(c.code, 1) << "only reads";
    EXPECT_EQ(commands.size(), 4u);
}

TEST_F(BusScanTest, EachBroadcastIsReadBackAtTheNewAddress)
{
    present = 0;
    line = {{1, 1234}, {2, 1235}, {3, 1299}};
    scan.Scan(1, 5); // knows 1234, 1235 and 1299 are on the line
    garbled = {22};
    line[5] = 1236; // shows up after the scan
    const std::vector<TAssignResult> results = scan.Assign(20, 1234, 1238);
    // 1236 takes 22, where the answer is garbled; 1237 and 1238 are on no scan.
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[0], (TAssignResult{1234, 20, TAssignOutcome::Confirmed, 0}));
    EXPECT_EQ(results[1], (TAssignResult{1235, 21, TAssignOutcome::Confirmed, 0}));
    EXPECT_EQ(results[2].Outcome, TAssignOutcome::Corrupted);
    EXPECT_EQ(results[3], (TAssignResult{1237, 23, TAssignOutcome::Absent, 0}));
    EXPECT_EQ(AssignOutcomeText(results[2]),
              QStringLiteral("искаженный ответ: возможно, несколько приборов на адресе 22"));
    EXPECT_EQ(AssignOutcomeText(results[3]), QStringLiteral("нет на линии"));

    // Another device already at the new address answers instead.
    line = {{30, 1299}};
    const std::vector<TAssignResult> other = scan.Assign(30, 1234, 1234);
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0], (TAssignResult{1234, 30, TAssignOutcome::OtherDevice, 1299}));
    EXPECT_EQ(AssignOutcomeText(other[0]), QStringLiteral("ответил прибор 1299"));
}

TEST_F(BusScanTest, TheModelsOwnDeviceMovedByTheAssignmentIsAddressedThere)
{
    present = 0;
    model.SetSystemAddress(1);
    model.SetPlantNumber(1235);
    line = {{1, 1235}, {2, 1234}};
    const std::vector<TAssignResult> results = scan.Assign(10, 1234, 1235);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].Outcome, TAssignOutcome::Confirmed);
    EXPECT_EQ(model.SystemAddress(), 11);
    EXPECT_EQ(model.PlantNumber(), 1235);
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
