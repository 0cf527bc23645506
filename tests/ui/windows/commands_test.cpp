// The operator commands of the main window against the simulated transducer
// on a pseudo-terminal: the program is started as with "--simulate", the
// commands are executed by name and their effect is checked in the model,
// in the simulated device's registers and in the frames it received.

#include "device/register_table.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/request_thread.h"
#include "link/transmitter.h"
#include "platform/format_settings.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "tests/common/register_samples.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/device/qstring_printer.h"
#include "tests/ui/prompt_recording_input.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"
#include "ui/dialogs/form_progress_bar.h"
#include "ui/dialogs/form_select_cmd.h"
#include "ui/windows/form_main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMenuBar>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

using namespace tals;
using tals::test::SampleValue;

namespace {

// Value entry through the scripted text input; the real progress window,
// whose shown percentages and captions are recorded.
class RecordingInput : public test::PromptRecordingInput
{
public:
    void ShowProgress(const QString &text, int position, int maximum) override
    {
        tals::ShowProgress(text, position, maximum);
        if (TFormProgressBar *window = TFormProgressBar::Current()) {
            percents << window->pbProgress->value();
            captions << window->windowTitle();
        }
    }
    void CloseProgress() override
    {
        tals::CloseProgress();
        ++closes;
    }
    void Clear()
    {
        prompts.clear();
        percents.clear();
        captions.clear();
        closes = 0;
    }

    QList<int> percents;
    QStringList captions;
    int closes = 0;
};

QStringList Split(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The value a property's registers hold in the simulated device.
double SimValue(const TSimTransducer &sim, const TPropertyInfo &p)
{
    auto word = [&](int k) -> quint32 {
        return p.Space == TRegisterSpace::Holding ? sim.HoldingRegister(p.Address + k)
                                                  : sim.InputRegister(p.Address + k);
    };
    switch (p.Encoding) {
    case TEncoding::Word:
        return word(0);
    case TEncoding::SignedWord:
        return qint16(word(0));
    case TEncoding::Single: {
        const quint32 bits = (word(0) << 16) | word(1);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    case TEncoding::LongWord:
        return double((word(0) << 16) | word(1));
    case TEncoding::Int64: {
        quint64 v = 0;
        for (int k = 0; k < 4; ++k)
            v = (v << 16) | word(k);
        return double(qint64(v));
    }
    case TEncoding::None:
        break;
    }
    return NAN;
}

double Narrowed(const TPropertyInfo &p, double v)
{
    return p.Encoding == TEncoding::Single ? double(float(v)) : v;
}

// The program on the simulated transducer in a scratch folder (start and
// program folder, and the current directory for the exchange journal).
class CommandsTest : public ::testing::Test
{
protected:
    CommandsTest() : m_oldCurrent(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~CommandsTest() override
    {
        window.reset();
        app.reset();
        QDir::setCurrent(m_oldCurrent);
        SetStartDir(QString());
        SetProgramDir(QString());
    }

    // The program's start with the given switches; `prepare` runs before the
    // main window is created.
    void Start(const QStringList &switches = {}, const std::function<void()> &prepare = {})
    {
        app = std::make_unique<TApplication>(
            QStringList{QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                        QStringLiteral("--program-dir"), dir.path(), QStringLiteral("--simulate")} +
            switches);
        app->Start();
        sim = app->Simulator();
        ASSERT_NE(sim, nullptr);
        ASSERT_NE(app->Model(), nullptr);
        auto in = std::make_unique<RecordingInput>();
        input = in.get();
        app->SetInput(std::move(in));
        auto c = std::make_unique<TInstantClock>();
        clock = c.get();
        app->SetClock(std::move(c));
        if (prepare)
            prepare();
        window = std::make_unique<TFormMain>(*app);
        window->show();
        QApplication::processEvents();
    }

    bool Exec(const QString &name) { return window->ExecuteAction(name); }
    Ttals352 &Model() { return *app->Model(); }
    QString Messages() const { return dialogs.messages.join(QLatin1Char('|')); }

    // Lets events through until done() holds or ten seconds pass.
    static bool WaitFor(const std::function<bool()> &done)
    {
        QDeadlineTimer deadline(10000);
        while (!done() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    int PollSteps() const { return app->Scheduler()->Worker()->StepCount(); }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TApplication> app;
    std::unique_ptr<TFormMain> window;
    TSimTransducer *sim = nullptr;
    RecordingInput *input = nullptr;
    TInstantClock *clock = nullptr;

private:
    QString m_oldCurrent;
};

// The items offered only in full-access mode.
const char *const kServiceItems =
    "actFormProgonShow actOprosSignalStart actOprosSignalStop actUpdateProgram actPasswordOn "
    "actPasswordOff actSetLevelState0 actSetLevelState1 actSetLevelState2 actSetModeHertzNormal "
    "actSetModeHertzHigh actPeriodSignalReadChange actReadInformationRegisters "
    "actReadCommonServiceRegisters actReadServiceRegisters1 actReadServiceRegisters2 "
    "actReadFunctionalRegisters actReadTestDistances actCountBadZonesRead actBadZonesRead "
    "actPlantNumberWrite actWriteCommonServiceRegisters actWriteServiceRegisters1 "
    "actWriteServiceRegisters2 actWriteFunctionalRegisters actCountBadZonesWrite actBadZonesWrite "
    "actGraphCurrentOutputShow actGraphTestDistance actGraphTestDistanceFlt "
    "actTestDistancesGraphShow actSpectrumShow actSignalShow actTestDistances actTestTube "
    "actReadArraySignal actReadArraySpectrum tbtnSuperStop";

// The actions disabled while polling is on.
const char *const kPollDependent =
    "actSystemAddressWrite actPlantNumberWrite actTals352iLoad actTals352iSave actHmaxRead "
    "actHmaxWrite actLmaxRead actLmaxWrite actKrPerChange actKrPerWrite actSmPerChange "
    "actSmPerWrite actKKalmanRead actKKalmanWrite actLevelKalibrWrite actTransmitterChange "
    "actODPMChange actSpeedRead actSpeedWrite actCountBadZonesChange actCountBadZonesRead "
    "actCountBadZonesWrite actBadZonesRead actBadZonesWrite actKrFChHChange actKrFChHWrite "
    "actSmFChHChange actSmFChHRead actSmFChHWrite actCompareWithDevice";

} // namespace

// ---- start-up modes ----

TEST_F(CommandsTest, SwitchesDecideServiceItemsDevicePasswordAndCurrentOutput)
{
    struct
    {
        const char *switches;
        bool service;       // service items visible, full access opened in the device
        bool currentOutput; // "Токовый выход" checked and the current meter polled
    } const cases[] = {
        {"/full /zelvin", true, true},
        {"/full", true, false},
        {"/zelvin", false, false},
        {"", false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.switches);
        Start(Split(c.switches));
        for (const QString &name : Split(kServiceItems)) {
            ASSERT_NE(window->Action(name), nullptr) << name.toStdString();
            EXPECT_EQ(window->Action(name)->isVisible(), c.service) << name.toStdString();
        }
        EXPECT_EQ(window->menuBar()->actions().last()->isVisible(), c.service); // "Массив"
        EXPECT_TRUE(window->Action("actFormScanShow")->isVisible());
        EXPECT_TRUE(window->Action("actAllRead")->isVisible());

        EXPECT_EQ(sim->Password(), c.service ? 24680 : 0);
        EXPECT_EQ(sim->FullAccess(), c.service);
        EXPECT_EQ(Model().IsFullAccess(), c.service);
        if (!c.service) {
            EXPECT_EQ(sim->RequestCount(), 0) << "nothing is sent at a plain start";
        }

        auto *select = qobject_cast<TFormSelectCMD *>(window->Windows().Find("FormSelectCMD"));
        ASSERT_NE(select, nullptr);
        EXPECT_EQ(select->chbCurrentOutput->isChecked(), c.currentOutput);
        EXPECT_EQ(app->Scheduler()->Devices().at(1).Enabled, c.currentOutput);
        EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
        window.reset();
        app.reset();
    }
}

// ---- polling ----

TEST_F(CommandsTest, PollingDisablesThePollDependentActionsAndTheyDoNothing)
{
    Start({QStringLiteral("/full")});
    for (const QString &name : Split(kPollDependent))
        EXPECT_TRUE(window->IsActionEnabled(name)) << name.toStdString();

    ASSERT_TRUE(Exec("actOprosStart"));
    ASSERT_TRUE(WaitFor([&] { return PollSteps() >= 1; }));
    sim->SetHoldingSingle(1000, 12345.5f); // Hmax: a read would bring it into the model
    Model().SetHmax(20000);
    dialogs.texts = {QStringLiteral("7"), QStringLiteral("8")}; // a dialog would take them
    sim->ClearRequests();
    for (const QString &name : Split(kPollDependent)) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(window->IsActionEnabled(name));
        EXPECT_FALSE(window->Action(name)->isEnabled());
        EXPECT_FALSE(Exec(name));
        window->Action(name)->trigger(); // a click on the greyed item
    }
    EXPECT_TRUE(window->IsActionEnabled("actAllRead"));
    EXPECT_TRUE(window->IsActionEnabled("actOprosStop"));
    ASSERT_TRUE(Exec("actOprosStop"));

    EXPECT_EQ(Model().Hmax(), 20000);
    EXPECT_EQ(dialogs.texts.size(), 2u);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    EXPECT_TRUE(dialogs.questions.isEmpty());
    // Only the polling steps talked to the device: reads of the readings block.
    for (const QByteArray &frame : sim->Requests()) {
        ASSERT_GE(frame.size(), 6);
        EXPECT_EQ(quint8(frame[1]), 0x04) << frame.toHex().toStdString();
        EXPECT_EQ(frame.mid(2, 4), QByteArray::fromHex("0000000f")) << frame.toHex().toStdString();
    }

    // Polling off: the same actions run again.
    for (const QString &name : Split(kPollDependent))
        EXPECT_TRUE(window->IsActionEnabled(name)) << name.toStdString();
    ASSERT_TRUE(Exec("actHmaxRead"));
    EXPECT_EQ(Model().Hmax(), 12345.5);
}

// ---- retries ----

TEST_F(CommandsTest, RetriesShowTheirProgressAndOnlyTheFinalFailureIsReported)
{
    struct
    {
        TSimFaultKind kind;
        int faults;
        QList<int> percents;
        bool failed;
    } const cases[] = {
        {TSimFaultKind::Silence, 2, {20, 40, 60}, false},
        {TSimFaultKind::BadCrc, 1, {20, 40}, false},
        {TSimFaultKind::Exception, 4, {20, 40, 60, 80, 100}, false},
        {TSimFaultKind::Silence, 5, {20, 40, 60, 80, 100}, true},
    };
    Start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.faults);
        dialogs.messages.clear();
        input->Clear();
        sim->ClearRequests();
        sim->SetHoldingSingle(1000, float(10000 + c.faults));
        Model().SetHmax(30000);
        sim->InjectFault({c.kind, 2}, c.faults);

        ASSERT_TRUE(Exec("actHmaxRead"));
        EXPECT_EQ(input->percents, c.percents);
        EXPECT_EQ(input->captions.first(),
                  QStringLiteral("Повтор команды Считать Hmax из прибора 20%"));
        EXPECT_EQ(input->closes, 1);
        EXPECT_EQ(TFormProgressBar::Current(), nullptr);
        EXPECT_EQ(sim->RequestCount(), c.percents.size());
        EXPECT_EQ(sim->PendingFaults(), 0);
        if (c.failed) {
            EXPECT_EQ(dialogs.messages,
                      QStringList{QStringLiteral("Не выполнена команда\rСчитать Hmax из прибора")});
            EXPECT_EQ(Model().Hmax(), 30000);
        } else {
            EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
            EXPECT_EQ(Model().Hmax(), 10000 + c.faults);
        }
    }
}

// ---- the read and write table ----

TEST_F(CommandsTest, NewSoftwareCommandsSendNothingForSoftwareVersionOne)
{
    struct
    {
        int version;
        int requests; // of actSpeedRead and of actSpeedWrite each
    } const cases[] = {{1, 0}, {2, 1}, {3, 1}};
    Start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.version);
        sim->SetSoftVersion(c.version);
        ASSERT_TRUE(Exec("actSignatureRead"));
        ASSERT_EQ(Model().SoftVersionNumber(), c.version);
        for (const char *name : {"actSpeedRead", "actSpeedWrite"}) {
            sim->ClearRequests();
            ASSERT_TRUE(Exec(name));
            EXPECT_EQ(sim->RequestCount(), c.requests) << name;
        }
        EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    }
}

TEST_F(CommandsTest, EveryReadAndWriteCommandMovesItsValue)
{
    // Reads: the simulated register is set and must reach the model.
    // Writes: the model property is set and must reach the simulated register.
    struct
    {
        const char *action;
        const char *property;
        double value;
        bool write;
    } const cases[] = {
        {"actHmaxRead", "Hmax", 23456.5, false},
        {"actLmaxRead", "Lmax", 12345.25, false},
        {"actKKalmanRead", "KKalman", 0.5, false},
        {"actSpeedRead", "Speed", 12.5, false},
        {"actCurrentOutput_InputRead", "CurrentOutput_Input", 2, false},
        {"actCurrentOutput_RangeRead", "CurrentOutput_Range", 1, false},
        {"actCurrentOutput_ErrorValueRead", "CurrentOutput_ErrorValue", 4, false},
        {"actSmFChHRead", "SmFChH", -3.5, false},
        {"actCountBadZonesRead", "CountBadZones", 3, false},
        {"actHmaxWrite", "Hmax", 25000.5, true},
        {"actLmaxWrite", "Lmax", 20000.25, true},
        {"actKKalmanWrite", "KKalman", 0.25, true},
        {"actSpeedWrite", "Speed", 33.5, true},
        {"actCurrentOutput_InputWrite", "CurrentOutput_Input", 3, true},
        {"actCurrentOutput_RangeWrite", "CurrentOutput_Range", 0, true},
        {"actCurrentOutput_ErrorValueWrite", "CurrentOutput_ErrorValue", 2, true},
        {"actCalibrModeWrite", "CalibrModeTals", 0, true},
        {"actKrPerWrite", "KrPer", 1.25, true},
        {"actSmPerWrite", "SmPer", -12.5, true},
        {"actKrFChHWrite", "KrFChH", 0.125, true},
        {"actSmFChHWrite", "SmFChH", 7.5, true},
        {"actCountBadZonesWrite", "CountBadZones", 4, true},
    };
    Start({QStringLiteral("/full")});
    ASSERT_TRUE(Exec("actSignatureRead")); // software version 3: the new commands run
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        const TPropertyInfo *p = FindPropertyByName(c.property);
        ASSERT_NE(p, nullptr);
        if (c.write) {
            ASSERT_TRUE(Model().SetPropertyFromDouble(p->Id, c.value));
        } else if (p->Encoding == TEncoding::Single) {
            sim->SetHoldingSingle(p->Address, float(c.value));
        } else {
            sim->SetHoldingRegister(p->Address, quint16(c.value));
        }
        sim->ClearRequests();
        ASSERT_TRUE(Exec(c.action));
        EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
        EXPECT_EQ(sim->RequestCount(), 1);
        EXPECT_EQ(Model().PropertyAsDouble(p->Id), c.value);
        EXPECT_EQ(SimValue(*sim, *p), c.value);
    }

    // The group commands and the prediction mode: one exchange each, no message.
    for (const QString &name :
         Split("actReadUserRegisters1 actReadCommonServiceRegisters actReadInformationRegisters "
               "actReadServiceRegisters1 actReadServiceRegisters2 actReadFunctionalRegisters "
               "actBadZonesRead actWriteCommonServiceRegisters actWriteServiceRegisters1 "
               "actWriteServiceRegisters2 actWriteFunctionalRegisters actBadZonesWrite "
               "actModePredictionWrite actReadValues actReadTestDistances actWriteUserRegisters1 "
               "actTrainingModeStop")) {
        SCOPED_TRACE(name.toStdString());
        sim->ClearRequests();
        ASSERT_TRUE(Exec(name));
        EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
        EXPECT_EQ(sim->RequestCount(), 1);
        EXPECT_EQ(Model().LinkState().Value().ToInteger(), 1);
    }
}

// ---- special commands ----

TEST_F(CommandsTest, SystemAddressWriteMovesTheDeviceOrKeepsTheOldAddress)
{
    struct
    {
        const char *plant;   // the device obeys only its own plant number, 1234
        const char *entered; // the new address entered
        int address;         // of the device and of the program afterwards
        const char *message;
    } const cases[] = {
        {"999", "17", 1, "Не выполнена команда\rЗаписать системный адрес в прибор"},
        {"1234", "17", 17, "Новый системный адрес прибора: 17"},
        {"1234", "1", 1, "Новый системный адрес прибора: 1"},
    };
    Start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.plant);
        SCOPED_TRACE(c.entered);
        dialogs.messages.clear();
        input->Clear();
        dialogs.texts = {QString::fromLatin1(c.plant), QString::fromLatin1(c.entered)};
        clock->waits.clear();
        ASSERT_TRUE(Exec("actSystemAddressWrite"));
        EXPECT_EQ(clock->waits, std::vector<int>{500}) << "the pause after the broadcast";
        EXPECT_EQ(input->prompts, (QStringList{QStringLiteral("Заводской номер"),
                                               QStringLiteral("Новый системный адрес [1..247]")}));
        EXPECT_EQ(dialogs.messages, QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(sim->Address(), c.address);
        EXPECT_EQ(Model().SystemAddress(), c.address);
        EXPECT_EQ(Model().PlantNumber(), QString::fromLatin1(c.plant).toInt());
        EXPECT_FALSE(Model().OnReadAddress) << "the handler lives only during the command";

        // The program goes on talking to the device.
        dialogs.messages.clear();
        ASSERT_TRUE(Exec("actHmaxRead"));
        EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    }
}

TEST_F(CommandsTest, PlantNumberLevelPasswordAndLevelStateReachTheDevice)
{
    TFormatSettings oldSettings = FormatSettings();
    TFormatSettings settings = oldSettings;
    settings.DecimalSeparator = QLatin1Char(',');
    settings.ThousandSeparator = QLatin1Char(' ');
    SetFormatSettings(settings);
    Start({QStringLiteral("/full")});

    dialogs.texts = {QStringLiteral("4321")};
    ASSERT_TRUE(Exec("actPlantNumberWrite"));
    EXPECT_EQ(sim->PlantNumber(), 4321);
    EXPECT_EQ(input->prompts.last(), QStringLiteral("Новый заводской номер [0..65535]"));

    Model().SetValueDigits(1);
    Model().SetLmax(20000);
    dialogs.texts = {QStringLiteral("1500.5")}; // the text stand-in reads a point
    ASSERT_TRUE(Exec("actLevelKalibrWrite"));
    EXPECT_EQ(input->prompts.last(), QStringLiteral("Текущий уровень, мм [не более 20 000,0]"));
    EXPECT_EQ(sim->HoldingSingle(1004), 1500.5f);
    EXPECT_EQ(Model().LevelKalibr(), 1500.5); // read back with the user registers

    for (int state : {1, 2, 0}) {
        ASSERT_TRUE(Exec(QStringLiteral("actSetLevelState%1").arg(state)));
        EXPECT_EQ(sim->HoldingRegister(1162), state);
        for (int tag = 0; tag < 3; ++tag)
            EXPECT_EQ(window->Action(QStringLiteral("actSetLevelState%1").arg(tag))->isChecked(),
                      tag == state);
    }

    ASSERT_TRUE(Exec("actPasswordOff"));
    EXPECT_EQ(sim->Password(), 0);
    EXPECT_FALSE(Model().IsFullAccess());
    ASSERT_TRUE(Exec("actPasswordOn"));
    EXPECT_EQ(sim->Password(), 24680);

    // The firmware update, asked first; No sends nothing.
    sim->ClearRequests();
    dialogs.answers = {TDialogButton::No};
    ASSERT_TRUE(Exec("actUpdateProgram"));
    EXPECT_EQ(sim->RequestCount(), 0);
    dialogs.answers = {TDialogButton::Yes};
    dialogs.texts = {QStringLiteral("4321")};
    ASSERT_TRUE(Exec("actUpdateProgram"));
    EXPECT_TRUE(sim->UpdateRequested());
    EXPECT_EQ(dialogs.questions,
              (QStringList{QStringLiteral("Обновить ПО?"), QStringLiteral("Обновить ПО?")}));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    SetFormatSettings(oldSettings);
}

TEST_F(CommandsTest, CorrectionModeNeedsTheDistanceWithinItsInterval)
{
    Start({QStringLiteral("/full")});
    sim->SetDistance(1499.9);
    ASSERT_TRUE(Exec("actReadValues"));
    sim->ClearRequests();
    ASSERT_TRUE(Exec("actCorrectionModeStart"));
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Значение расстояния от фланца до "
                                                           "продукта \rдолжно быть в интервале от "
                                                           "1500 до 4000 мм")});
    EXPECT_EQ(sim->RequestCount(), 0);

    dialogs.messages.clear();
    sim->SetDistance(4000);
    ASSERT_TRUE(Exec("actReadValues"));
    ASSERT_EQ(Model().Distance().Output().ToDouble(), 4000);
    sim->SetHoldingSingle(3107, -4.5f); // SmFChH, read after the countdown
    input->Clear();
    sim->ClearRequests();
    ASSERT_TRUE(Exec("actCorrectionModeStart"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    EXPECT_EQ(input->captions,
              (QStringList{QStringLiteral("Повтор команды Коррекция ММП 20%"),
                           QStringLiteral("Обучение занимает 3 секунд 33%"),
                           QStringLiteral("Обучение занимает 3 секунд 67%"),
                           QStringLiteral("Обучение занимает 3 секунд 100%"),
                           QStringLiteral("Повтор команды Считать смещение ФЧХ 20%")}));
    EXPECT_EQ(sim->RequestCount(), 2);
    EXPECT_EQ(Model().SmFChH(), -4.5);
    EXPECT_EQ(clock->waits, std::vector<int>(3, 1000)); // one second a step
}

TEST_F(CommandsTest, TrainingModeAsksCountsDownAndReadsTheBadZones)
{
    Start({QStringLiteral("/full")},
          [&] { app->SetWindowFactory("FormTalsPar", [](TFormMain &) { return new QWidget; }); });
    // The parameters window, opened at start-up, is closed: the training opens it.
    window->Windows().Find("FormTalsPar")->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(window->Windows().Find("FormTalsPar"), nullptr);
    sim->ClearRequests();
    ASSERT_TRUE(Exec("actTrainingModeStart")); // the default answer No
    EXPECT_EQ(dialogs.questions,
              QStringList{QStringLiteral("Резервуар должен быть пуст.\rВыполнить обучение?")});
    EXPECT_EQ(sim->RequestCount(), 0);

    sim->SetHoldingRegister(3128, 2); // CountBadZones after the training
    input->Clear();
    dialogs.answers = {TDialogButton::Yes};
    ASSERT_TRUE(Exec("actTrainingModeStart"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    QList<int> countdown;
    for (int k = 1; k <= 15; ++k)
        countdown << int(std::lrint(k * 100.0 / 15));
    EXPECT_EQ(input->percents.mid(1, 15), countdown);
    EXPECT_EQ(input->captions.value(1), QStringLiteral("Обучение занимает 15 секунд 7%"));
    EXPECT_EQ(clock->total, 15000);
    EXPECT_EQ(sim->RequestCount(), 3); // the mode, the zone count, the zones
    EXPECT_EQ(Model().CountBadZones(), 2);
    EXPECT_NE(window->Windows().Find("FormTalsPar"), nullptr);
}

// ---- read all and write all ----

namespace {

// A register property the all-read reads: inside one of its blocks.
bool ReadByAllRead(const TPropertyInfo &p)
{
    static const int codes[] = {5, 15, 24, 26, 44, 63, 76};
    for (const TBlockInfo &b : BlockTable())
        if (std::find(std::begin(codes), std::end(codes), b.ReadCode) != std::end(codes) &&
            b.Space == p.Space && p.Address >= b.ReadStart && p.Address < b.ReadStart + b.ReadCount)
            return true;
    return false;
}

// A property the all-write writes.
bool WrittenByAllWrite(const TPropertyInfo &p)
{
    static const int codes[] = {82, 93, 102, 120, 139, 152};
    for (const TBlockInfo &b : BlockTable())
        if (std::find(std::begin(codes), std::end(codes), b.WriteCode) != std::end(codes) &&
            b.Space == p.Space && p.Address >= b.WriteStart &&
            p.Address < b.WriteStart + b.WriteCount)
            return true;
    return false;
}

double ZoneSample(int zone, int k)
{
    return k < 2 ? zone * 1000.0 + k * 500 + 0.5 : zone + k * 0.25;
}

} // namespace

TEST_F(CommandsTest, WriteAllAndReadAllRoundTripEveryRegisterGroup)
{
    Start({QStringLiteral("/full")});
    Ttals352 &model = Model();

    // Every register but the readings block, the level state (its own
    // command) and the array state is covered by the round trip.
    QStringList notRead;
    for (const TPropertyInfo &p : PropertyTable())
        if (p.Space != TRegisterSpace::None && !ReadByAllRead(p))
            notRead << QString::fromLatin1(p.Name);
    EXPECT_EQ(notRead, Split("LevelState ControlCommandRequest ControlCommandAnswer"));

    QList<const TPropertyInfo *> written;
    for (const TPropertyInfo &p : PropertyTable()) {
        // Write-all never copies the identity into the device.
        if (!WrittenByAllWrite(p) || p.Id == TProp::PlantNumber)
            continue;
        written << &p;
        ASSERT_TRUE(model.SetPropertyFromDouble(p.Id, SampleValue(p))) << p.Name;
    }
    ASSERT_GE(written.size(), 60);
    for (int z = 1; z <= kBadZoneCount; ++z)
        for (int k = 0; k < 4; ++k)
            model.BadZone(z).Value(TBadZoneValue(k)).SetValue(TVariant(ZoneSample(z, k)));

    sim->ClearRequests();
    dialogs.answers = {TDialogButton::Yes}; // the list of registers that will change
    ASSERT_TRUE(Exec("actAllWrite"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    EXPECT_EQ(dialogs.questions.size(), 1);
    // The comparison reads password, user, common, service 1 and 2,
    // functional and zones; then the six block writes (the zones carry the count).
    EXPECT_EQ(sim->RequestCount(), 13);
    for (const TPropertyInfo *p : written) {
        // The user block sends 0 for the current level.
        const double expected = p->Id == TProp::LevelKalibr ? 0.0 : Narrowed(*p, SampleValue(*p));
        EXPECT_EQ(SimValue(*sim, *p), expected) << p->Name;
    }
    for (int z = 1; z <= kBadZoneCount; ++z)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(sim->HoldingSingle(BadZoneAddress(TBadZoneValue(k), z)),
                      float(ZoneSample(z, k)));

    // Clear the model, then read everything back.
    model.SetDefaults();
    for (const TPropertyInfo &p : PropertyTable())
        if (p.Space != TRegisterSpace::None)
            model.SetPropertyFromDouble(p.Id, p.Default);
    for (const TPropertyInfo *p : written) {
        if (p->Id != TProp::LevelKalibr) {
            ASSERT_NE(model.PropertyAsDouble(p->Id), Narrowed(*p, SampleValue(*p))) << p->Name;
        }
    }

    sim->ClearRequests();
    ASSERT_TRUE(Exec("actAllRead"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    // Identification 1 to 3, user registers, password, information, common,
    // service 1 and 2, functional, zone count, zones.
    EXPECT_EQ(sim->RequestCount(), 12);
    for (const TPropertyInfo *p : written) {
        const double expected = p->Id == TProp::LevelKalibr ? 0.0 : Narrowed(*p, SampleValue(*p));
        EXPECT_EQ(model.PropertyAsDouble(p->Id), expected) << p->Name;
    }
    for (const TPropertyInfo &p : PropertyTable()) {
        if (ReadByAllRead(p)) {
            EXPECT_EQ(model.PropertyAsDouble(p.Id), SimValue(*sim, p)) << p.Name;
        }
    }
    EXPECT_EQ(model.Password(), 24680);
    EXPECT_EQ(model.PlantNumber(), sim->PlantNumber());
    for (int z = 1; z <= kBadZoneCount; ++z)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(model.BadZone(z).Value(TBadZoneValue(k)).Output().ToDouble(),
                      double(float(ZoneSample(z, k))));
}

// ---- exit and window placement ----

TEST_F(CommandsTest, ExitAnsweredNoKeepsPollingAndSavesNothing)
{
    Start();
    ASSERT_TRUE(Exec("actOprosStart"));
    ASSERT_TRUE(WaitFor([&] { return PollSteps() >= 1; }));
    dialogs.answers = {TDialogButton::No};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dialogs.questions, QStringList{QStringLiteral("Завершить работу?")});
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->IsPolling());
    EXPECT_FALSE(app->Modes().StopRequested);
    const int steps = PollSteps();
    EXPECT_TRUE(WaitFor([&] { return PollSteps() >= steps + 2; }));

    EXPECT_FALSE(QFileInfo::exists(dir.file("INI/WndPos.ini")));
    QStringList saved;
    QDirIterator it(dir.path(), {QStringLiteral("PN*.ini")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        saved << it.next();
    EXPECT_TRUE(saved.isEmpty()) << saved.join(' ').toStdString();
    ASSERT_TRUE(Exec("actOprosStop"));
}

TEST_F(CommandsTest, WindowClosedMaximisedOpensMaximised)
{
    Start();
    EXPECT_FALSE(window->isMaximized());
    window->showMaximized();
    QApplication::processEvents();
    dialogs.answers = {TDialogButton::Yes};
    ASSERT_TRUE(window->close());
    EXPECT_TRUE(test::readAll(dir.file("INI/WndPos.ini")).contains("WindowState=2\r\n"));
    window.reset();
    app.reset();

    Start();
    EXPECT_TRUE(window->isMaximized());
    EXPECT_TRUE(window->isVisible());
}

// ---- the port settings in a simulated run ----

TEST_F(CommandsTest, SimulatedRunNeverOpensComPortInisPort)
{
    // ComPort.ini names another "device" (a plain file here, watched for opens).
    const QString configured = dir.file(QStringLiteral("configured-tty"));
    test::writeAll(configured, "");
    QDir().mkpath(dir.file(QStringLiteral("INI")));
    test::writeAll(dir.file(QStringLiteral("INI/ComPort.ini")),
                   "[Transmitter]\r\nPort=" + configured.toUtf8() + "\r\n");
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, configured.toLocal8Bit().constData(), IN_OPEN), 0);

    Start();
    ASSERT_TRUE(Exec("actHmaxRead"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    char events[4096];
    EXPECT_LE(read(watch, events, sizeof events), 0) << "ComPort.ini's port was opened";
    close(watch);
}

TEST_F(CommandsTest, SimulatedRunNeverStoresItsPseudoTerminal)
{
    Start();
    TTransmitter *port = app->Scheduler()->Transmitter();
    ASSERT_NE(port, nullptr);
    const QString pty = sim->PortPath();
    ASSERT_EQ(port->Port(), pty);
    struct
    {
        const char *name;
        bool ok;        // the dialog's answer
        QString chosen; // the port picked in it (empty: as offered)
        QString stored; // the port ComPort.ini holds afterwards
    } const cases[] = {
        {"cancelled", false, {}, QStringLiteral("COM1")},
        {"the pseudo-terminal picked", true, pty, QStringLiteral("COM1")},
        {"another port picked", true, QStringLiteral("/dev/ttyS7"), QStringLiteral("/dev/ttyS7")},
        {"cancelled after that", false, {}, QStringLiteral("/dev/ttyS7")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QString offered;
        port->SetSetupDialogHook([&](TPortSettings &settings, const QStringList &) {
            offered = settings.Port;
            if (!c.chosen.isEmpty())
                settings.Port = c.chosen;
            return c.ok;
        });
        ASSERT_TRUE(Exec("actTransmitterChange"));
        EXPECT_NE(offered, pty) << "the dialog offers the stored port";
        const QByteArray ini = test::readAll(port->IniFileName());
        EXPECT_FALSE(ini.contains(pty.toLatin1())) << ini.toStdString();
        EXPECT_TRUE(ini.contains("Port=" + c.stored.toLatin1() + "\r\n")) << ini.toStdString();
        // The program goes on talking to the simulated transducer.
        EXPECT_EQ(port->Port(), pty);
        dialogs.messages.clear();
        ASSERT_TRUE(Exec("actHmaxRead"));
        EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages().toStdString();
    }
}
