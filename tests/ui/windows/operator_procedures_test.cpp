// The operator procedures without a main window: the central objects are
// stand-ins, the host records what the procedures ask of the main window.

#include "ui/windows/operator_procedures.h"

#include "platform/paths.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/prompt_recording_input.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"

#include <QHash>

#include <gtest/gtest.h>

using namespace tals;

namespace {

class RecordingInput : public test::PromptRecordingInput
{
public:
    void ShowProgress(const QString &text, int position, int maximum) override
    {
        progress << QStringLiteral("%1 %2/%3").arg(text).arg(position).arg(maximum);
    }
    void CloseProgress() override { ++closes; }

    QStringList progress;
    int closes = 0;
};

// The main window as the procedures see it: actions by name, the refreshes
// and the check marks are noted; an action given a command code runs it as
// the main window's read and write commands do.
class RecordingHost : public TProcedureHost
{
public:
    bool ExecuteAction(const QString &name) override
    {
        actions << name;
        const auto it = codes.constFind(name);
        if (it != codes.cend() && procedures &&
            !procedures->ExecuteWithRetries(quint8(*it), name, TOperatorProcedures::kRetries))
            procedures->FailMessage(name);
        return true;
    }
    void RefreshAllWindows() override { ++refreshes; }
    void ApplyModeVisibility() override { ++visibilityUpdates; }
    void SetActionChecked(const QString &name, bool checked) override { checks[name] = checked; }
    QWidget *FindWindow(const QString &) override { return nullptr; }

    TOperatorProcedures *procedures = nullptr;
    QHash<QString, int> codes;
    QStringList actions;
    QHash<QString, bool> checks;
    int refreshes = 0;
    int visibilityUpdates = 0;
};

class OperatorProceduresTest : public ::testing::Test
{
protected:
    OperatorProceduresTest()
        : app({QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path()})
    {
        auto l = std::make_unique<TScriptedLink>();
        link = l.get();
        app.SetLink(std::move(l));
        auto d = std::make_unique<TMemoryDevice>();
        device = d.get();
        app.SetDevice(std::move(d));
        auto in = std::make_unique<RecordingInput>();
        input = in.get();
        app.SetInput(std::move(in));
        auto c = std::make_unique<TInstantClock>();
        clock = c.get();
        app.SetClock(std::move(c));
        procedures = std::make_unique<TOperatorProcedures>(app, host);
        host.procedures = procedures.get();
    }
    ~OperatorProceduresTest() override { SetStartDir(QString()); }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    TApplication app;
    TScriptedLink *link = nullptr;
    TMemoryDevice *device = nullptr;
    RecordingInput *input = nullptr;
    TInstantClock *clock = nullptr;
    RecordingHost host;
    std::unique_ptr<TOperatorProcedures> procedures;
};

// The read-all steps with their command codes (the identification read's
// first code stands for it).
const QHash<QString, int> kReadCodes = {
    {"actSignatureRead", 1},
    {"actReadUserRegisters1", 5},
    {"actPasswordOn", 94},
    {"actReadInformationRegisters", 24},
    {"actReadCommonServiceRegisters", 15},
    {"actReadServiceRegisters1", 26},
    {"actReadServiceRegisters2", 44},
    {"actReadFunctionalRegisters", 63},
    {"actCountBadZonesRead", 75},
    {"actBadZonesRead", 76},
};

const QStringList kFullReadSteps = {"actSignatureRead",
                                    "actReadUserRegisters1",
                                    "actPasswordOn",
                                    "actReadInformationRegisters",
                                    "actReadCommonServiceRegisters",
                                    "actReadServiceRegisters1",
                                    "actReadServiceRegisters2",
                                    "actReadFunctionalRegisters",
                                    "actCountBadZonesRead",
                                    "actBadZonesRead"};

} // namespace

TEST_F(OperatorProceduresTest, TrainingCountsDownOnTheInjectedClockWithoutWaiting)
{
    procedures->TrainingModeStart(QStringLiteral("Обучение на пустом резервуаре"));
    EXPECT_EQ(dialogs.questions,
              QStringList{QStringLiteral("Резервуар должен быть пуст.\rВыполнить обучение?")});
    EXPECT_TRUE(link->commands.empty()) << "No is the default answer";

    dialogs.answers = {TDialogButton::Yes};
    procedures->TrainingModeStart(QStringLiteral("Обучение на пустом резервуаре"));
    EXPECT_EQ(link->commands, std::vector<int>{168});
    QStringList countdown;
    for (int k = 1; k <= 15; ++k)
        countdown << QStringLiteral("Обучение занимает 15 секунд %1/15").arg(k);
    EXPECT_EQ(input->progress.mid(1), countdown);
    EXPECT_EQ(clock->waits, std::vector<int>(15, 1000));
    EXPECT_EQ(host.actions,
              (QStringList{"actCountBadZonesRead", "actBadZonesRead", "actTalsParShow"}));
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(OperatorProceduresTest, CorrectionCountsDownThreeSeconds)
{
    device->SetValue("Distance", 2000);
    procedures->CorrectionModeStart(QStringLiteral("Коррекция ММП"));
    EXPECT_EQ(link->commands, std::vector<int>{169});
    EXPECT_EQ(clock->total, 3000);
    EXPECT_EQ(host.actions, (QStringList{"actSmFChHRead", "actTalsParShow"}));
}

TEST_F(OperatorProceduresTest, AddressChangePausesAndKeepsTheOldAddressWhenTheReadBackFails)
{
    device->SetValue("SystemAddress", 5);
    dialogs.texts = {QStringLiteral("1234"), QStringLiteral("17")};
    link->results = {0, -1, -1, -1, -1, -1};
    procedures->SystemAddressWrite(QStringLiteral("Записать системный адрес в прибор"));
    EXPECT_EQ(link->commands, (std::vector<int>{80, 81, 81, 81, 81, 81}));
    EXPECT_EQ(clock->waits, std::vector<int>{500});
    EXPECT_EQ(device->Value("SystemAddress"), 5);
    EXPECT_EQ(device->Value("PlantNumber"), 1234);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral(
                                    "Не выполнена команда\rЗаписать системный адрес в прибор")});
    EXPECT_EQ(host.refreshes, 1);
}

TEST_F(OperatorProceduresTest, ReadAllAsksOnceWhenTheDeviceIsSilent)
{
    app.Modes().FullAccessMode = true;
    host.codes = kReadCodes;
    struct
    {
        const char *name;
        int result;                   // of every exchange
        QList<TDialogButton> answers; // to the question
        int steps;                    // steps run
        int questions;
        int messages;
    } const cases[] = {
        {"silent, stop", -1, {TDialogButton::No}, 1, 1, 1},
        {"silent, go on", -1, {TDialogButton::Yes}, 10, 1, 10},
        // A device that answers, if only with an error, is not asked about.
        {"answering with an error", 5, {}, 10, 0, 10},
        {"answering", 0, {}, 10, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host.actions.clear();
        link->commands.clear();
        dialogs.questions.clear();
        dialogs.messages.clear();
        dialogs.answers.assign(c.answers.begin(), c.answers.end());
        link->defaultResult = c.result;
        procedures->AllRead();
        EXPECT_EQ(host.actions, kFullReadSteps.mid(0, c.steps));
        EXPECT_EQ(dialogs.questions.size(), c.questions);
        EXPECT_EQ(dialogs.messages.size(), c.messages);
        EXPECT_EQ(int(link->commands.size()), c.result == 0 ? 10 : c.steps * 5);
    }
}

TEST_F(OperatorProceduresTest, WriteAllWithoutADeviceModelToCompareWithWritesNothing)
{
    // The write-all compares with the device first; without the real model
    // there is nothing to compare, and nothing is sent unseen.
    host.codes = {{"actWriteUserRegisters1", 82}};
    procedures->AllWrite();
    procedures->CompareWithDevice();
    EXPECT_TRUE(host.actions.isEmpty());
    EXPECT_TRUE(link->commands.empty());
    EXPECT_TRUE(dialogs.questions.isEmpty());
}

TEST_F(OperatorProceduresTest, LevelStateChecksTheChosenActionAndValuesThatAreNoNumbersAreSafe)
{
    procedures->SetLevelState(2);
    EXPECT_EQ(link->commands, std::vector<int>{92});
    EXPECT_FALSE(host.checks.value("actSetLevelState0"));
    EXPECT_FALSE(host.checks.value("actSetLevelState1"));
    EXPECT_TRUE(host.checks.value("actSetLevelState2"));

    // A plant number that is no number does not reach the entry as garbage.
    device->SetValue("PlantNumberNew", std::nan(""));
    device->SetValue("ModePrediction", 1e300);
    dialogs.texts = {};
    link->commands.clear();
    procedures->PlantNumberWrite(QStringLiteral("Записать заводской номер"));
    procedures->ModePredictionWrite(QStringLiteral("Записать режим предсказания"));
    EXPECT_TRUE(link->commands.empty());
}
