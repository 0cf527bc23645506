#include "ui/windows/form_main.h"

#include "platform/paths.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/prompt_recording_input.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <deque>

using namespace tals;

namespace {

using FakeLink = TScriptedLink;

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

class FakeFiles : public TParameterFiles
{
public:
    void Load() override { ++loads; }
    void Save() override { ++saves; }
    int loads = 0;
    int saves = 0;
};

class FakeReadout : public TArrayReadout
{
public:
    explicit FakeReadout(TDeviceLink &link) : m_link(link) {}
    void ResetSeries() override { ++resets; }
    void ReadSignal(bool interactive) override
    {
        reads << interactive;
        pollOnDuringRead << m_link.PollTimer().IsEnabled();
    }
    void ReadSpectrum() override { ++spectra; }
    int resets = 0;
    int spectra = 0;
    QList<bool> reads;
    QList<bool> pollOnDuringRead;

private:
    TDeviceLink &m_link;
};

// A window that notes its refreshes in a shared log.
class FakeWindow : public QWidget, public TRefreshable
{
public:
    FakeWindow(const QString &name, QStringList &log) : m_log(log) { setObjectName(name); }
    void Refresh() override { m_log << objectName(); }

private:
    QStringList &m_log;
};

class MainWindowTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        window.reset();
        app.reset();
        SetStartDir(QString());
    }

    // The program's start with the given switches; `prepare` runs before the
    // main window is created.
    void Start(const QStringList &switches = {}, const std::function<void()> &prepare = {})
    {
        QStringList args{QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path()};
        args += switches;
        app = std::make_unique<TApplication>(args);
        auto l = std::make_unique<FakeLink>(app->TimerIniPath());
        link = l.get();
        app->SetLink(std::move(l));
        auto d = std::make_unique<TMemoryDevice>();
        device = d.get();
        app->SetDevice(std::move(d));
        auto in = std::make_unique<RecordingInput>();
        input = in.get();
        app->SetInput(std::move(in));
        auto c = std::make_unique<TInstantClock>();
        clock = c.get();
        app->SetClock(std::move(c));
        auto f = std::make_unique<FakeFiles>();
        files = f.get();
        app->SetParameterFiles(std::move(f));
        auto r = std::make_unique<FakeReadout>(*link);
        readout = r.get();
        app->SetArrayReadout(std::move(r));
        if (prepare)
            prepare();
        window = std::make_unique<TFormMain>(*app);
        window->show();
        QApplication::processEvents();
    }

    QAction *Act(const char *name) { return window->Action(QString::fromLatin1(name)); }
    bool Exec(const char *name) { return window->ExecuteAction(QString::fromLatin1(name)); }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TApplication> app;
    std::unique_ptr<TFormMain> window;
    FakeLink *link = nullptr;
    TMemoryDevice *device = nullptr;
    RecordingInput *input = nullptr;
    TInstantClock *clock = nullptr;
    FakeFiles *files = nullptr;
    FakeReadout *readout = nullptr;
};

// The menu's items as action names, "|" for a separator.
QStringList MenuItems(QMenu *menu)
{
    QStringList items;
    for (QAction *a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
    return items;
}

QStringList Split(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '));
}

} // namespace

TEST_F(MainWindowTest, MenusHoldTheirItemsInOrder)
{
    Start();
    struct
    {
        const char *title;
        const char *items;
    } const expected[] = {
        {"Работа", "actTals352iLoad actTals352iSave | actCompareWithDevice actCompareFiles | "
                   "actOprosStart actOprosStop | "
                   "actOprosSignalStart actOprosSignalStop | act10 act16 | actUpdateProgram | "
                   "actPasswordOn actPasswordOff actSetLevelState0 actSetLevelState1 "
                   "actSetLevelState2 | actSetModeHertzNormal actSetModeHertzHigh | actClose"},
        {"Изменить", "actTransmitterChange actTimerParametersChange actPeriodSignalReadChange | "
                     "actValueDigits"},
        {"Считать", "actReadValues | actReadUserRegisters1 | actHmaxRead actLmaxRead "
                    "actKKalmanRead actSpeedRead actCurrentOutput_InputRead "
                    "actCurrentOutput_RangeRead actCurrentOutput_ErrorValueRead | "
                    "actSignatureRead | actReadInformationRegisters actReadCommonServiceRegisters "
                    "actReadServiceRegisters1 actReadServiceRegisters2 actReadFunctionalRegisters "
                    "| actReadTestDistances | actCountBadZonesRead actBadZonesRead | actAllRead"},
        {"Записать", "actSystemAddressWrite actPlantNumberWrite | actWriteUserRegisters1 | "
                     "actHmaxWrite actLmaxWrite actKKalmanWrite actSpeedWrite "
                     "actCurrentOutput_InputWrite actCurrentOutput_RangeWrite "
                     "actCurrentOutput_ErrorValueWrite | actLevelKalibrWrite | "
                     "actWriteCommonServiceRegisters actWriteServiceRegisters1 "
                     "actWriteServiceRegisters2 actWriteFunctionalRegisters | "
                     "actCountBadZonesWrite actBadZonesWrite | actAllWrite"},
        {"График", "actGraphDistance actGraphLevelFree actGraphLevel actMultiGraphShow | "
                   "actGraphTmp actGraphCurrentOutputShow | actGraphTestDistance "
                   "actGraphTestDistanceFlt actTestDistancesGraphShow"},
        {"Окна", "actReqAnsShow actTals352Show actTalsParShow actSelectCmdShow actSpectrumShow "
                 "actSignalShow actFormProgonShow actTestDistances actTestTube actFormScanShow "
                 "actFormAboutShow"},
        {"Массив", "actReadArraySignal actReadArraySpectrum actReadArrayNevyzka | actNevyzkaShow"},
    };
    const QList<QAction *> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), qsizetype(std::size(expected)));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].title);
        EXPECT_EQ(menus[i]->text(), QString::fromUtf8(expected[i].title));
        ASSERT_NE(menus[i]->menu(), nullptr);
        EXPECT_EQ(MenuItems(menus[i]->menu()), Split(expected[i].items));
    }
}

TEST_F(MainWindowTest, ActionsCarryTheirCaptionsAndHints)
{
    Start();
    struct
    {
        const char *name;
        const char *caption;
        const char *hint;
    } const expected[] = {
        {"actTals352iSave", "Сохранить параметры ", "Сохранить параметры прибора на диск"},
        {"actOprosStart", "Начать опрос", "Начать опрос прибора"},
        {"actOprosStop", "Остановить опрос", "Остановить опрос прибора"},
        {"act16", "Hex", "Шестнадцатиричная"},
        {"actSetModeHertzHigh", "Исследуемый образец", "Исследуемый образец"},
        {"actClose", "Выход", "Выход из программы"},
        {"actTransmitterChange", "СОМ порт", "Изменить параметры СОМ порта"},
        {"actTimerParametersChange", "Период опроса", "Изменить период опроса прибора"},
        {"actValueDigits", "Точность представления", "Точность представления показаний"},
        {"actHmaxWrite", "Записать Hmax ", "Записать Hmax в прибор"},
        {"actLmaxRead", "Считать Hу max ", "Считать Hу max из прибора"},
        {"actReqAnsShow", "Связь", "Открыть окно \"Связь\""},
        {"actFormAboutShow", "О программе", "О программе"},
        {"actGraphTestDistance", "Тестовое расстояние без обработки",
         "График тестового расстояния без обработкиот фланца до продукта"},
        {"actTestDistancesGraphShow", "Графики: тестовые расстояния без обработки и с обработкой",
         "Графики тестовых расстояний"},
        {"actAllRead", "Считать все регистры", "Считать все регистры"},
    };
    for (const auto &e : expected) {
        SCOPED_TRACE(e.name);
        QAction *a = Act(e.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(e.caption));
        EXPECT_EQ(a->statusTip(), QString::fromUtf8(e.hint));
        EXPECT_EQ(a->toolTip(), QString::fromUtf8(e.hint));
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tals35xI-ModBus"));
}

TEST_F(MainWindowTest, ToolBarHoldsItsButtonsInOrderEachWithAnIcon)
{
    Start({QStringLiteral("/full")});
    QStringList items;
    for (QAction *a : window->ToolBar()->actions()) {
        items << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
        if (!a->isSeparator()) {
            SCOPED_TRACE(a->objectName().toStdString());
            EXPECT_FALSE(a->icon().isNull());
            EXPECT_FALSE(a->icon().pixmap(24, 24).isNull());
        }
    }
    EXPECT_EQ(items, Split("actTransmitterChange | actTals352iLoad actTals352iSave | "
                           "actOprosStop actOprosStart | act10 act16 | "
                           "tbtnReadUserRegistersAndTestDistance actSignatureRead "
                           "actSystemAddressWrite actPlantNumberWrite | actAllRead actAllWrite | "
                           "actReqAnsShow actTals352Show actTalsParShow actSelectCmdShow "
                           "actSpectrumShow actSignalShow actFormProgonShow actTestDistances | "
                           "actFormAboutShow actClose | actPasswordOn actPasswordOff | "
                           "actReadArraySpectrum actReadArraySignal | actSetLevelState0 "
                           "actSetLevelState1 actSetLevelState2 | tbtnSuperStop"));
    EXPECT_EQ(Act("tbtnReadUserRegistersAndTestDistance")->toolTip(),
              QStringLiteral("Считать пользовательские регистры и тестовые расстояния"));
}

namespace {
const char *const kFullOnly[] = {"actFormProgonShow",
                                 "actOprosSignalStart",
                                 "actOprosSignalStop",
                                 "actUpdateProgram",
                                 "actPasswordOn",
                                 "actPasswordOff",
                                 "actSetLevelState0",
                                 "actSetLevelState1",
                                 "actSetLevelState2",
                                 "actSetModeHertzNormal",
                                 "actSetModeHertzHigh",
                                 "actPeriodSignalReadChange",
                                 "actReadInformationRegisters",
                                 "actReadCommonServiceRegisters",
                                 "actReadServiceRegisters1",
                                 "actReadServiceRegisters2",
                                 "actReadFunctionalRegisters",
                                 "actReadTestDistances",
                                 "actCountBadZonesRead",
                                 "actBadZonesRead",
                                 "actPlantNumberWrite",
                                 "actWriteCommonServiceRegisters",
                                 "actWriteServiceRegisters1",
                                 "actWriteServiceRegisters2",
                                 "actWriteFunctionalRegisters",
                                 "actCountBadZonesWrite",
                                 "actBadZonesWrite",
                                 "actGraphCurrentOutputShow",
                                 "actGraphTestDistance",
                                 "actGraphTestDistanceFlt",
                                 "actTestDistancesGraphShow",
                                 "actSpectrumShow",
                                 "actSignalShow",
                                 "actTestDistances",
                                 "actTestTube",
                                 "actReadArraySignal",
                                 "actReadArraySpectrum",
                                 "actReadArrayNevyzka",
                                 "actNevyzkaShow",
                                 "tbtnSuperStop"};

QToolButton *ToolButtonOf(QToolBar *bar, QAction *action)
{
    return qobject_cast<QToolButton *>(bar->widgetForAction(action));
}
} // namespace

TEST_F(MainWindowTest, FullAccessSwitchShowsTheServiceItems)
{
    Start({QStringLiteral("/full")});
    for (const char *name : kFullOnly) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Act(name)->isVisible());
    }
    EXPECT_TRUE(window->menuBar()->actions().last()->isVisible()); // "Массив"
    EXPECT_TRUE(ToolButtonOf(window->ToolBar(), Act("tbtnSuperStop"))->isVisible());
}

TEST_F(MainWindowTest, PlainStartHidesTheServiceItemsAndTheirButtons)
{
    Start();
    for (const char *name : kFullOnly) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Act(name)->isVisible());
    }
    EXPECT_FALSE(window->menuBar()->actions().last()->isVisible());
    EXPECT_FALSE(ToolButtonOf(window->ToolBar(), Act("actSpectrumShow"))->isVisible());
    EXPECT_TRUE(Act("actFormScanShow")->isVisible());
    EXPECT_TRUE(Act("actHmaxRead")->isVisible());
    EXPECT_TRUE(ToolButtonOf(window->ToolBar(), Act("actAllRead"))->isVisible());
}

TEST_F(MainWindowTest, StartUpOpensFullAccessOnlyInFullAccessMode)
{
    Start({QStringLiteral("/full")});
    EXPECT_TRUE(device->IsFullAccess());
    EXPECT_EQ(link->commands, std::vector<int>{94});
    window.reset();
    app.reset();

    Start({QStringLiteral("/FULL")});
    EXPECT_FALSE(app->Modes().FullAccessMode);
    EXPECT_FALSE(device->IsFullAccess());
    EXPECT_TRUE(link->commands.empty());
}

TEST_F(MainWindowTest, StartUpStateAndGaugeRanges)
{
    Start();
    EXPECT_EQ(link->radix, 16);
    EXPECT_TRUE(Act("act16")->isChecked());
    EXPECT_FALSE(Act("act10")->isChecked());
    EXPECT_FALSE(window->IsPolling());
    EXPECT_FALSE(window->SignalTimer().IsEnabled());
    EXPECT_EQ(window->SignalTimer().Interval(), 200);          // no Timer.ini
    EXPECT_TRUE(QFileInfo::exists(dir.file("INI/Timer.ini"))); // created empty
    EXPECT_EQ(readout->resets, 1);
    EXPECT_EQ(device->Value("Distance.Maximum"), 30000);
    EXPECT_EQ(device->Value("LevelBusy.Maximum"), 30000);
    EXPECT_EQ(device->Value("LevelFree.Minimum"), 0);
    EXPECT_TRUE(Act("actSetModeHertzNormal")->isChecked());

    ASSERT_TRUE(Exec("act10"));
    EXPECT_EQ(link->radix, 10);
    EXPECT_TRUE(Act("act10")->isChecked());
    EXPECT_FALSE(Act("act16")->isChecked());
}

TEST_F(MainWindowTest, PollingIsOffAfterStartUpWhateverTimerIniSays)
{
    test::writeAll(dir.file("INI/Timer.ini"), "[ctReqDevices]\r\nEnabled=1\r\nInterval=700\r\n");
    Start();
    EXPECT_FALSE(link->timer.IsEnabled());
    EXPECT_EQ(link->timer.Interval(), 700);
    EXPECT_TRUE(window->IsActionEnabled("actOprosStart"));
    EXPECT_FALSE(window->IsActionEnabled("actOprosStop"));
}

TEST_F(MainWindowTest, ExecuteActionRunsEnabledActionsAndRefusesOthers)
{
    Start();
    EXPECT_FALSE(Exec("actNoSuchAction"));
    // Hidden in plain mode but enabled: it still runs when executed by name.
    EXPECT_TRUE(Exec("actReadInformationRegisters"));
    EXPECT_EQ(link->commands, std::vector<int>{24});

    ASSERT_TRUE(Exec("actOprosStart"));
    link->commands.clear();
    EXPECT_FALSE(Exec("actOprosStart")); // disabled while polling
    EXPECT_FALSE(Exec("actHmaxRead"));
    EXPECT_FALSE(Exec("actKrFChHWrite"));
    EXPECT_TRUE(link->commands.empty());
    EXPECT_TRUE(Exec("actAllRead")); // stays available while polling
    EXPECT_FALSE(link->commands.empty());
}

TEST_F(MainWindowTest, PollingOnDisablesThePollDependentActions)
{
    Start();
    const QStringList dependent = Split(
        "actSystemAddressWrite actPlantNumberWrite actTals352iLoad actTals352iSave actHmaxRead "
        "actHmaxWrite actLmaxRead actLmaxWrite actKrPerChange actKrPerWrite actSmPerChange "
        "actSmPerWrite actKKalmanRead actKKalmanWrite actLevelKalibrWrite actTransmitterChange "
        "actODPMChange actSpeedRead actSpeedWrite actCountBadZonesChange actCountBadZonesRead "
        "actCountBadZonesWrite actBadZonesRead actBadZonesWrite actKrFChHChange actKrFChHWrite "
        "actSmFChHChange actSmFChHRead actSmFChHWrite");
    for (const QString &name : dependent)
        EXPECT_TRUE(window->IsActionEnabled(name)) << name.toStdString();

    ASSERT_TRUE(Exec("actOprosStart"));
    EXPECT_TRUE(link->timer.IsEnabled());
    EXPECT_TRUE(window->IsPolling());
    EXPECT_FALSE(window->IsActionEnabled("actOprosStart"));
    EXPECT_TRUE(window->IsActionEnabled("actOprosStop"));
    for (const QString &name : dependent)
        EXPECT_FALSE(window->IsActionEnabled(name)) << name.toStdString();
    EXPECT_FALSE(Act("actHmaxWrite")->isEnabled());
    EXPECT_TRUE(window->IsActionEnabled("actAllRead"));
    EXPECT_TRUE(window->IsActionEnabled("actCurrentOutput_InputWrite"));

    ASSERT_TRUE(Exec("actOprosStop"));
    EXPECT_FALSE(link->timer.IsEnabled());
    for (const QString &name : dependent)
        EXPECT_TRUE(window->IsActionEnabled(name)) << name.toStdString();
}

TEST_F(MainWindowTest, PollTickResumesTheWorkerOrStopsPolling)
{
    QStringList log;
    Start({}, [&] {
        app->SetWindowFactory("FormTals352I", [&](TFormMain &) {
            return new FakeWindow(QStringLiteral("FormTals352I"), log);
        });
    });
    ASSERT_TRUE(Exec("actOprosStart"));
    log.clear();
    link->timer.Fire();
    EXPECT_EQ(link->resumes, 1);
    EXPECT_EQ(log, QStringList{QStringLiteral("FormTals352I")});
    EXPECT_TRUE(link->timer.IsEnabled()); // unpaused after the step

    link->anyEnabled = false;
    link->timer.Fire();
    EXPECT_EQ(link->resumes, 1);
    EXPECT_FALSE(link->timer.IsEnabled());
    EXPECT_FALSE(window->IsPolling());
}

TEST_F(MainWindowTest, RefreshAllWindowsFollowsTheFixedOrder)
{
    QStringList log;
    const QStringList order = TWindowRegistry::RefreshOrder();
    Start({}, [&] {
        for (const QString &name : order)
            app->SetWindowFactory(name,
                                  [&log, name](TFormMain &) { return new FakeWindow(name, log); });
    });
    // Open them in the reverse order; the refresh keeps its own order.
    for (auto it = order.crbegin(); it != order.crend(); ++it)
        window->Windows().Open(*it);
    log.clear();
    window->RefreshAllWindows();
    EXPECT_EQ(log, order);

    // A closed window is forgotten.
    window->Windows().Find(QStringLiteral("FormTalsPar"))->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    log.clear();
    window->RefreshAllWindows();
    EXPECT_FALSE(log.contains(QStringLiteral("FormTalsPar")));
    EXPECT_EQ(log.size(), order.size() - 1);
}

TEST_F(MainWindowTest, StartUpOpensTheFourWindowsAndSetsTheCurrentOutputBox)
{
    QStringList opened;
    Start({QStringLiteral("/full"), QStringLiteral("/zelvin")}, [&] {
        for (const char *n : {"FormTals352I", "FormTalsPar", "FormReqAns", "FormSelectCMD"}) {
            const QString name = QString::fromLatin1(n);
            app->SetWindowFactory(name, [&opened, name](TFormMain &) {
                opened << name;
                auto *w = new QWidget;
                if (name == QLatin1String("FormSelectCMD"))
                    (new QCheckBox(w))->setObjectName(QStringLiteral("chbCurrentOutput"));
                return w;
            });
        }
    });
    EXPECT_EQ(opened, Split("FormTals352I FormTalsPar FormReqAns FormSelectCMD"));
    auto *box = window->Windows().Find("FormSelectCMD")->findChild<QCheckBox *>();
    EXPECT_TRUE(box->isChecked());
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier); // full access off
    EXPECT_FALSE(box->isChecked());
}

TEST_F(MainWindowTest, ExitAnsweredNoKeepsPollingAndSavesNothing)
{
    Start();
    ASSERT_TRUE(Exec("actOprosStart"));
    dialogs.answers.push_back(TDialogButton::No);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dialogs.questions, QStringList{QStringLiteral("Завершить работу?")});
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(link->timer.IsEnabled());
    EXPECT_EQ(files->saves, 0);
    EXPECT_FALSE(app->Modes().StopRequested);
    EXPECT_FALSE(QFileInfo::exists(dir.file("INI/WndPos.ini")));
    link->timer.Fire();
    EXPECT_EQ(link->resumes, 1);
}

TEST_F(MainWindowTest, ExitAnsweredYesRunsTheShutDownSteps)
{
    QStringList log;
    Start({QStringLiteral("/full")}, [&] {
        app->SetWindowFactory("FormTalsPar", [&](TFormMain &) {
            return new FakeWindow(QStringLiteral("FormTalsPar"), log);
        });
    });
    ASSERT_TRUE(device->IsFullAccess());
    QPointer<QWidget> par = window->Windows().Find("FormTalsPar");
    ASSERT_TRUE(par);
    link->commands.clear();
    dialogs.answers.push_back(TDialogButton::Yes);
    ASSERT_TRUE(Exec("actClose"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(app->Modes().StopRequested);
    EXPECT_FALSE(device->IsFullAccess());
    EXPECT_EQ(link->commands, std::vector<int>{94}); // password 0 written
    EXPECT_EQ(files->saves, 1);
    EXPECT_FALSE(par && par->isVisible());
    const QString wndPos = QString::fromLatin1(test::readAll(dir.file("INI/WndPos.ini")));
    EXPECT_TRUE(wndPos.contains(QStringLiteral("[FormMain]")));
    EXPECT_TRUE(wndPos.contains(QStringLiteral("Name=FormMain")));
    EXPECT_TRUE(wndPos.contains(QStringLiteral("WindowState=0")));
}

TEST_F(MainWindowTest, EscapeAsksTheExitQuestion)
{
    Start();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(dialogs.questions, QStringList{QStringLiteral("Завершить работу?")});
    EXPECT_TRUE(window->isVisible()); // default answer No
}

TEST_F(MainWindowTest, ApplicationKeysWorkFromAnyWindow)
{
    Start();
    QLineEdit other; // another window with the focus
    other.show();
    QApplication::processEvents();

    QTest::keyClick(&other, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(app->Modes().FullAccessMode);
    EXPECT_TRUE(Act("actSpectrumShow")->isVisible());
    QTest::keyClick(&other, Qt::Key_F, Qt::ControlModifier);
    EXPECT_FALSE(app->Modes().FullAccessMode);
    EXPECT_FALSE(Act("actSpectrumShow")->isVisible());

    QTest::keyClick(&other, Qt::Key_F); // without Ctrl: typed, nothing else
    QTest::keyClick(&other, Qt::Key_A);
    EXPECT_FALSE(app->Modes().FullAccessMode);
    EXPECT_EQ(other.text(), QStringLiteral("fa"));

    // Ctrl+A in a text field selects its text and does nothing else.
    device->SetValue("SoftVersionNumber", 3);
    QTest::keyClick(&other, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(other.selectedText(), QStringLiteral("fa"));
    EXPECT_FALSE(app->Modes().FullAccessMode);
    EXPECT_EQ(device->Value("SoftVersionNumber"), 3);

    // Elsewhere it keeps its program-wide meaning.
    QWidget plain; // a window without a text field
    plain.setFocusPolicy(Qt::StrongFocus);
    plain.show();
    QApplication::processEvents();
    QTest::keyClick(&plain, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(app->Modes().FullAccessMode);
    EXPECT_EQ(device->Value("SoftVersionNumber"), 255);
    QTest::keyClick(&plain, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(app->Modes().FullAccessMode); // never cleared by Ctrl+A
    EXPECT_EQ(device->Value("SoftVersionNumber"), 0);
    QTest::keyClick(&plain, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(device->Value("SoftVersionNumber"), 255);

    EXPECT_FALSE(app->Modes().StopRequested);
    QTest::keyClick(&other, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(app->Modes().StopRequested);

    window->hide();
    QTest::keyClick(&other, Qt::Key_F12);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, RetriesShowProgressAndReportTheFinalFailure)
{
    Start();
    link->results = {-1, -1, 0};
    ASSERT_TRUE(Exec("actHmaxRead"));
    EXPECT_EQ(link->commands, (std::vector<int>{6, 6, 6}));
    EXPECT_EQ(input->progress,
              (QStringList{QStringLiteral("Повтор команды Считать Hmax из прибора 1/5"),
                           QStringLiteral("Повтор команды Считать Hmax из прибора 2/5"),
                           QStringLiteral("Повтор команды Считать Hmax из прибора 3/5")}));
    EXPECT_EQ(input->closes, 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    link->commands.clear();
    link->defaultResult = -1;
    ASSERT_TRUE(Exec("actKKalmanWrite"));
    EXPECT_EQ(link->commands.size(), 5u);
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("Не выполнена команда\rЗаписать коэффициент сглаживания "
                                         "в прибор")});
}

TEST_F(MainWindowTest, NewSoftwareCommandsDoNothingForOldDevices)
{
    Start();
    device->SetValue("SoftVersionNumber", 1);
    ASSERT_TRUE(Exec("actSpeedRead"));
    EXPECT_TRUE(link->commands.empty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    device->SetValue("SoftVersionNumber", 2);
    ASSERT_TRUE(Exec("actSpeedRead"));
    EXPECT_EQ(link->commands, std::vector<int>{10});
}

TEST_F(MainWindowTest, AllReadOutsideFullAccessReadsIdentificationAndUserRegisters)
{
    Start();
    ASSERT_TRUE(Exec("actAllRead"));
    EXPECT_EQ(link->commands, (std::vector<int>{1, 2, 3, 5}));
}

TEST_F(MainWindowTest, SingleShotReadsArchiveOnlyWhenTheAnswerWasDecoded)
{
    Start();
    ASSERT_TRUE(Exec("actReadValues"));
    EXPECT_TRUE(link->archived.empty());
    device->SetValue("LinkState", 1);
    ASSERT_TRUE(Exec("tbtnReadUserRegistersAndTestDistance"));
    EXPECT_EQ(link->commands, (std::vector<int>{4, 4, 25}));
    EXPECT_EQ(link->archived, (std::vector<int>{4, 25}));
}

TEST_F(MainWindowTest, PeriodDialogsBringTheEntryIntoRangeAndSaveTimerIni)
{
    Start();
    dialogs.texts = {QStringLiteral("5000"), QStringLiteral("50")};
    ASSERT_TRUE(Exec("actTimerParametersChange"));
    EXPECT_EQ(link->timer.Interval(), 5000);
    const QByteArray ini = test::readAll(dir.file("INI/Timer.ini"));
    EXPECT_TRUE(ini.contains("[ctReqDevices]\r\n"));
    EXPECT_TRUE(ini.contains("Interval=5000\r\n"));
    ASSERT_TRUE(Exec("actTimerParametersChange"));
    EXPECT_EQ(link->timer.Interval(), 100);

    dialogs.texts = {QStringLiteral("999999999")};
    ASSERT_TRUE(Exec("actPeriodSignalReadChange"));
    EXPECT_EQ(window->SignalTimer().Interval(), 3600000);
    EXPECT_TRUE(test::readAll(dir.file("INI/Timer.ini")).contains("[ctAvtoReadSignal]"));

    dialogs.texts = {QStringLiteral("7")};
    ASSERT_TRUE(Exec("actValueDigits"));
    EXPECT_EQ(device->Value("ValueDigits"), 3);
}

TEST_F(MainWindowTest, FrequencyModeActionsMoveTheRadioMark)
{
    Start({QStringLiteral("/HiHertz")});
    EXPECT_TRUE(app->Modes().HighFrequencyMode);
    EXPECT_TRUE(Act("actSetModeHertzHigh")->isChecked());
    ASSERT_TRUE(Exec("actSetModeHertzNormal"));
    EXPECT_FALSE(app->Modes().HighFrequencyMode);
    EXPECT_TRUE(Act("actSetModeHertzNormal")->isChecked());
    EXPECT_FALSE(Act("actSetModeHertzHigh")->isChecked());
}

TEST_F(MainWindowTest, SignalTickKeepsPollingOffDuringTheReadout)
{
    Start({QStringLiteral("/full")});
    ASSERT_TRUE(Exec("actOprosStart"));
    ASSERT_TRUE(Exec("actOprosSignalStart"));
    EXPECT_EQ(readout->reads, QList<bool>{false}); // read once at once
    EXPECT_TRUE(window->SignalTimer().IsEnabled());
    EXPECT_FALSE(window->IsActionEnabled("actOprosSignalStart"));
    EXPECT_FALSE(window->IsActionEnabled("actHmaxRead")); // still follows the polling state

    QMetaObject::invokeMethod(window->findChild<QTimer *>("ctAvtoReadSignal"), "timeout");
    ASSERT_EQ(readout->reads.size(), 2);
    EXPECT_FALSE(readout->pollOnDuringRead.last());
    EXPECT_TRUE(link->timer.IsEnabled());
    EXPECT_TRUE(window->SignalTimer().IsEnabled());

    ASSERT_TRUE(Exec("actOprosSignalStop"));
    EXPECT_FALSE(window->SignalTimer().IsEnabled());
    EXPECT_TRUE(window->IsActionEnabled("actOprosSignalStart"));
}

TEST_F(MainWindowTest, SuperStopTogglesTheStopRequest)
{
    Start({QStringLiteral("/full")});
    ASSERT_TRUE(Exec("tbtnSuperStop"));
    EXPECT_TRUE(app->Modes().StopRequested);
    EXPECT_TRUE(Act("tbtnSuperStop")->isChecked());
    ASSERT_TRUE(Exec("tbtnSuperStop"));
    EXPECT_FALSE(app->Modes().StopRequested);
    // Every repeated command starts by clearing it.
    app->Modes().StopRequested = true;
    Act("tbtnSuperStop")->setChecked(true);
    ASSERT_TRUE(Exec("actHmaxRead"));
    EXPECT_FALSE(app->Modes().StopRequested);
    EXPECT_FALSE(Act("tbtnSuperStop")->isChecked()); // the button follows the flag
}

TEST_F(MainWindowTest, LevelStateActionsCheckTheChosenOne)
{
    Start({QStringLiteral("/full")});
    link->commands.clear();
    ASSERT_TRUE(Exec("actSetLevelState2"));
    EXPECT_EQ(device->Value("LevelState"), 2);
    EXPECT_TRUE(Act("actSetLevelState2")->isChecked());
    EXPECT_FALSE(Act("actSetLevelState0")->isChecked());
    EXPECT_EQ(link->commands, std::vector<int>{92});
}

TEST_F(MainWindowTest, SystemAddressWriteKeepsTheOldAddressWhenTheReadBackFails)
{
    Start();
    device->SetValue("SystemAddress", 5);
    dialogs.texts = {QStringLiteral("1234"), QStringLiteral("17")};
    link->results = {0, -1, -1, -1, -1, -1};
    ASSERT_TRUE(Exec("actSystemAddressWrite"));
    EXPECT_EQ(link->commands, (std::vector<int>{80, 81, 81, 81, 81, 81}));
    EXPECT_EQ(device->Value("PlantNumber"), 1234);
    EXPECT_EQ(device->Value("SystemAddressNew"), 17);
    EXPECT_EQ(device->Value("SystemAddress"), 5);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral(
                                    "Не выполнена команда\rЗаписать системный адрес в прибор")});

    // Cancelled at the second entry: the plant number is already stored.
    link->commands.clear();
    dialogs.texts = {QStringLiteral("4321")};
    ASSERT_TRUE(Exec("actSystemAddressWrite"));
    EXPECT_EQ(device->Value("PlantNumber"), 4321);
    EXPECT_TRUE(link->commands.empty());
}

TEST_F(MainWindowTest, MultiGraphIsANewModalWindowEachTime)
{
    QList<QPointer<QWidget>> made;
    Start({}, [&] {
        app->SetWindowFactory("FormMultiGraph", [&](TFormMain &) {
            auto *w = new QWidget;
            made << w;
            return w;
        });
    });
    ASSERT_TRUE(Exec("actMultiGraphShow"));
    ASSERT_TRUE(Exec("actMultiGraphShow"));
    ASSERT_EQ(made.size(), 2);
    EXPECT_EQ(made[0]->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(made[1]->isVisible());
    made[0]->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(made[0].isNull()); // destroyed when closed
    delete made[1].data();
}

TEST_F(MainWindowTest, OperatorInputDuringACommandDoesNotStartAnother)
{
    Start();
    // A click that the progress window lets through while the read runs.
    link->onCommand = [&](int code) {
        if (code == 6)
            Act("actLmaxRead")->trigger();
    };
    ASSERT_TRUE(Exec("actHmaxRead"));
    EXPECT_EQ(link->commands, std::vector<int>{6});
    link->onCommand = {};
    Act("actLmaxRead")->trigger(); // once the command is over, it runs
    EXPECT_EQ(link->commands, (std::vector<int>{6, 7}));
}

TEST_F(MainWindowTest, ChangeCommandsEnterIntoTheModelWithinTheDialogLimits)
{
    struct
    {
        const char *action;
        const char *prompt;
        const char *property;
        const char *text; // nullptr: cancelled
        double expected;
    } const cases[] = {
        {"actKrPerChange", "Крутизну характеристики преобразования", "KrPer", "1.25", 1.25},
        {"actSmPerChange", "Смещение нуля", "SmPer", "-2e10", -1e9},
        {"actKrFChHChange", "Крутизну ФЧХ", "KrFChH", "5", 2},
        {"actSmFChHChange", "Смещение ФЧХ", "SmFChH", "-3.5", -3.5},
        {"actODPMChange", "Относительная диэлектрическая проницаемость материала [1 ... 100]",
         "ODPM", "0.5", 1},
        {"actCountBadZonesChange", "Количество плохих зон", "CountBadZones", "9", 5},
        {"actODPMChange", "Относительная диэлектрическая проницаемость материала [1 ... 100]",
         "ODPM", nullptr, 1},
    };
    Start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        input->prompts.clear();
        if (c.text)
            dialogs.texts = {QString::fromUtf8(c.text)};
        ASSERT_TRUE(Exec(c.action));
        EXPECT_EQ(input->prompts, QStringList{QString::fromUtf8(c.prompt)});
        EXPECT_EQ(device->Value(QString::fromLatin1(c.property)), c.expected);
    }
    EXPECT_TRUE(link->commands.empty()); // nothing is sent

    // The texts: stored on OK and on cancel; a number also goes to PPMNumber.
    device->SetValue("PPMNumber", 7);
    dialogs.texts = {QStringLiteral("12a")};
    ASSERT_TRUE(Exec("actPPMChange"));
    EXPECT_EQ(device->Text("PPMNumberText"), QStringLiteral("12a"));
    EXPECT_EQ(device->Value("PPMNumber"), 7);
    dialogs.texts = {QStringLiteral("345")};
    ASSERT_TRUE(Exec("actPPMChange"));
    EXPECT_EQ(device->Value("PPMNumber"), 345);
    ASSERT_TRUE(Exec("actPPMChange")); // cancelled: the text stays
    EXPECT_EQ(device->Text("PPMNumberText"), QStringLiteral("345"));
    dialogs.texts = {QStringLiteral("Н/З 17")};
    ASSERT_TRUE(Exec("actNNZChange"));
    EXPECT_EQ(device->Text("OrderNumber"), QStringLiteral("Н/З 17"));
}

TEST_F(MainWindowTest, PredictionModeSelectsItsCommandCode)
{
    Start();
    for (int mode : {0, 1, 2}) {
        device->SetValue("ModePrediction", mode);
        ASSERT_TRUE(Exec("actModePredictionWrite"));
    }
    EXPECT_EQ(link->commands, (std::vector<int>{172, 173, 174}));
    link->defaultResult = -1;
    ASSERT_TRUE(Exec("actModePredictionWrite"));
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("Не выполнена команда\rЗаписать режим предсказания")});
}

TEST_F(MainWindowTest, StatusBarShowsPortPollingModeAndTheLastExchange)
{
    Start();
    auto label = [&](const char *name) {
        auto *l = window->findChild<QLabel *>(QLatin1String(name));
        return l ? l->text() : QStringLiteral("<missing>");
    };
    EXPECT_EQ(label("lblStatusPort"), QStringLiteral("Порт /dev/ttyUSB0: открыт"));
    EXPECT_EQ(label("lblStatusPolling"), QStringLiteral("Опрос: выкл."));
    EXPECT_EQ(label("lblStatusMode"), QStringLiteral("Режим: пользователь"));
    EXPECT_EQ(label("lblStatusExchange"), QStringLiteral("Последний обмен: обменов не было"));

    link->timer.SetInterval(250);
    ASSERT_TRUE(Exec("actOprosStart"));
    EXPECT_EQ(label("lblStatusPolling"), QStringLiteral("Опрос: вкл., 250 мс"));
    ASSERT_TRUE(Exec("actOprosStop"));

    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(Exec("actSetModeHertzHigh"));
    EXPECT_EQ(label("lblStatusMode"), QStringLiteral("Режим: полный доступ, высокая частота"));

    struct
    {
        int linkState;
        int errorCode;
        const char *text;
    } const exchanges[] = {
        {1, 0, "Последний обмен: норма"},
        {2, -1, "Последний обмен: нет ответа"},
        {2, 5, "Последний обмен: ошибка 0x0005"},
    };
    for (const auto &e : exchanges) {
        device->SetValue("LinkState", e.linkState);
        device->SetValue("ErrorCode", e.errorCode);
        window->RefreshAllWindows();
        EXPECT_EQ(label("lblStatusExchange"), QString::fromUtf8(e.text));
    }

    link->port = {QStringLiteral("/dev/ttyUSB0"), false, QStringLiteral("Устройство занято"),
                  false};
    window->RefreshAllWindows();
    EXPECT_EQ(label("lblStatusPort"),
              QStringLiteral("Порт /dev/ttyUSB0: не открыт - Устройство занято"));
    EXPECT_EQ(label("lblStatusExchange"), QStringLiteral("Последний обмен: обмен невозможен"));
}
