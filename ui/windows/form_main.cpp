#include "ui/windows/form_main.h"

#include "device/spectrum_recording.h"

#include "device/command_table.h"
#include "link/custom_timer.h"
#include "link/port_watch.h"
#include "platform/dialogs.h"
#include "platform/number_format.h"
#include "ui/application/application.h"
#include "ui/application/central_objects.h"
#include "ui/application/start_layout.h"
#include "ui/application/window_position.h"
#include "ui/dialogs/form_progress_bar.h"
#include "ui/windows/form_compare.h"
#include "ui/windows/operator_procedures.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>

#include <cmath>

namespace tals {

namespace {

// The main window's position and size when WndPos.ini has no section for it.
constexpr TWindowPlacement kDesignPlacement{0, 123, 882, 171, 0};

// The windows closed at exit, in this order, before the trend windows.
const char *const kExitCloseOrder[] = {"FormSelectCMD",    "FormTals352I", "FormTalsPar",
                                       "FormReqAns",       "FormKalibr",   "FormProgon",
                                       "FormTestDistances"};
constexpr int kTrendSlots = 7;

QString TrendWindowName(int slot)
{
    return QStringLiteral("FormGraph%1").arg(slot);
}

// A control whose text Ctrl+A selects.
bool IsTextField(const QWidget *widget)
{
    if (!widget)
        return false;
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget) ||
           qobject_cast<const QPlainTextEdit *>(widget) ||
           qobject_cast<const QAbstractSpinBox *>(widget);
}

QString EntryCaption()
{
    return QStringLiteral("Введите");
}

// Holds operator triggers back while a command runs (the progress window lets
// pending events through).
class TCommandScope
{
public:
    explicit TCommandScope(int &depth) : m_depth(depth) { ++m_depth; }
    ~TCommandScope() { --m_depth; }
    TCommandScope(const TCommandScope &) = delete;
    TCommandScope &operator=(const TCommandScope &) = delete;

private:
    int &m_depth;
};

} // namespace

// The application-wide keys, whatever window has the focus.
class TFormMain::TShortcutFilter : public QObject
{
public:
    explicit TShortcutFilter(TFormMain &owner) : m_owner(owner) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            return m_owner.HandleApplicationKey(key->key(), key->modifiers(),
                                                static_cast<QWidget *>(watched));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TFormMain &m_owner;
};

TFormMain::TFormMain(TApplication &app, QWidget *parent)
    : QMainWindow(parent), m_app(app),
      m_procedures(std::make_unique<TOperatorProcedures>(app, *this))
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Tals35xI-ModBus"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/readings.png")));

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    // The stop button still works while a long operation shows its progress.
    TFormProgressBar::AddPassThroughWidget(m_toolBar->widgetForAction(Action("tbtnSuperStop")));

    for (auto it = m_app.WindowFactories().cbegin(); it != m_app.WindowFactories().cend(); ++it) {
        const auto factory = it.value().factory;
        m_windows.SetFactory(
            it.key(), [this, factory] { return factory(*this); }, it.value().refresher);
    }

    // Position from WndPos.ini, the design values without a section.
    ApplyPlacement(*this, kDesignPlacement);
    RestoreWindowPlacement(*this, m_app.StartDir());

    if (TArrayReadout *readout = m_app.ArrayReadout()) {
        readout->ResetSeries();
        readout->SetHost({[this](quint8 code, const QString &text, int attempts) {
                              return ExecuteWithRetries(code, text, attempts);
                          },
                          [this](const QString &name) { ExecuteAction(name); }});
    }

    ExecuteAction(QStringLiteral("act16"));
    ApplyModeVisibility();

    m_shortcuts = std::make_unique<TShortcutFilter>(*this);
    qApp->installEventFilter(m_shortcuts.get());

    m_app.Link().PollTimer().SetTickHandler([this] { PollTick(); });
    // Polling is always off after start-up, whatever Timer.ini says.
    OnPollStop({});

    m_signalTimerObject = new TCustomTimer(this);
    m_signalTimerObject->setObjectName(QStringLiteral("ctAvtoReadSignal"));
    m_signalTimer = std::make_unique<TCustomTimerControl>(m_signalTimerObject);
    m_signalTimer->LoadFromIni();
    m_signalTimer->SetTickHandler([this] { SignalTick(); });
    OnSignalPollStop({});

    for (const char *name :
         {"actTals352Show", "actTalsParShow", "actReqAnsShow", "actSelectCmdShow"})
        ExecuteAction(QString::fromLatin1(name));
    PlaceStartWindows();
    ApplyCurrentOutputCheck();

    if (m_app.Modes().FullAccessMode)
        ExecuteAction(QStringLiteral("actPasswordOn"));
    UpdateGaugeRanges();
}

TFormMain::~TFormMain()
{
    if (m_shortcuts)
        qApp->removeEventFilter(m_shortcuts.get());
    m_app.Link().PollTimer().SetTickHandler({});
    m_app.Link().PollTimer().SetPaused(true);
    m_app.Device().SetAddressReadHandler({});
    if (TArrayReadout *readout = m_app.ArrayReadout())
        readout->SetHost({});
    // No window outlives the main window.
    m_windows.DeleteAll();
}

// ---- the action list ----

void TFormMain::CreateActions()
{
    for (const TActionDef &def : MainActions()) {
        auto *action = new QAction(def.Caption(), this);
        action->setObjectName(def.Name());
        action->setStatusTip(def.Hint());
        action->setToolTip(def.Hint());
        if (def.icon)
            action->setIcon(QIcon(QString::fromLatin1(def.icon)));
        if (def.shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(def.shortcut)));
        if (def.Has(afCheckable))
            action->setCheckable(true);
        if (def.group) {
            const QString group = QString::fromLatin1(def.group);
            QActionGroup *&g = m_groups[group];
            if (!g) {
                g = new QActionGroup(this);
                g->setObjectName(group);
                g->setExclusive(true);
            }
            g->addAction(action);
        }
        const QString name = def.Name();
        connect(action, &QAction::triggered, this, [this, name] {
            // Operator input that arrives while a command runs is dropped.
            if (m_commandDepth == 0)
                ExecuteAction(name);
            else
                SetActionChecked(name, false);
        });
        m_actions.insert(name, {&def, action, true});
    }
}

void TFormMain::CreateMenus()
{
    QHash<QString, QMenu *> menus;
    for (const char *title : MainMenus()) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(title));
        menu->setObjectName(QStringLiteral("menu") + QString::number(menus.size()));
        menus.insert(QString::fromUtf8(title), menu);
    }
    m_fullAccessMenu = menus.value(QString::fromUtf8(FullAccessMenu()));
    for (const TActionDef &def : MainActions()) {
        if (!def.menu)
            continue;
        QMenu *menu = menus.value(QString::fromUtf8(def.menu));
        if (def.Has(afSeparator))
            menu->addSeparator();
        menu->addAction(Action(def.Name()));
    }
}

void TFormMain::CreateToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Панель инструментов"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    for (const char *item : MainToolBar()) {
        if (QLatin1String(item) == QLatin1String("|"))
            m_toolBar->addSeparator();
        else if (QAction *a = Action(QString::fromLatin1(item)))
            m_toolBar->addAction(a);
    }
}

void TFormMain::CreateStatusBar()
{
    auto add = [this](const char *name, int stretch) {
        auto *label = new QLabel;
        label->setObjectName(QLatin1String(name));
        statusBar()->addWidget(label, stretch);
        return label;
    };
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(false);
    m_lblPort = add("lblStatusPort", 3);
    m_lblPolling = add("lblStatusPolling", 2);
    m_lblMode = add("lblStatusMode", 2);
    m_lblExchange = add("lblStatusExchange", 3);
}

void TFormMain::UpdateStatusBar()
{
    if (!m_lblPort)
        return;
    const TPortStatus port = m_app.Link().PortStatus();
    QString portText = QStringLiteral("Порт %1: ").arg(port.Port);
    if (port.Open)
        portText += port.Simulated ? QStringLiteral("открыт (имитатор)") : QStringLiteral("открыт");
    else
        portText += QStringLiteral("не открыт");
    QString portHint = portText;
    if (port.Lost) {
        // The reason first: a port's stable name is long.
        portText = PortLostText() +
                   (port.Reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(port.Reason)) +
                   QStringLiteral(": ") + port.Port;
        portHint = portText;
    } else if (!port.Open && !port.Reason.isEmpty()) {
        portText += QStringLiteral(" - ") + port.Reason;
        portHint += QLatin1Char('\n') + port.Reason;
    }
    m_lblPort->setText(portText);
    m_lblPort->setToolTip(portHint);

    TTimerControl &poll = m_app.Link().PollTimer();
    // The timer pauses during each tick; the polling state is that of the actions.
    m_lblPolling->setText(IsPolling() ? QStringLiteral("Опрос: вкл., %1 мс").arg(poll.Interval())
                                      : QStringLiteral("Опрос: выкл."));

    const TProgramModes &modes = m_app.Modes();
    QStringList mode;
    if (modes.FullAccessMode)
        mode << QStringLiteral("полный доступ");
    if (modes.HighFrequencyMode)
        mode << QStringLiteral("высокая частота");
    m_lblMode->setText(QStringLiteral("Режим: ") +
                       (mode.isEmpty() ? QStringLiteral("пользователь") : mode.join(", ")));

    const TMainDevice &device = m_app.Device();
    const int code = device.ErrorCode();
    QString exchange;
    if (!port.Open)
        exchange = QStringLiteral("обмен невозможен");
    else if (device.LinkState() == 0 && code == 0)
        exchange = QStringLiteral("обменов не было");
    else if (code == 0)
        exchange = QStringLiteral("норма");
    else if (code < 0)
        exchange = QStringLiteral("нет ответа");
    else
        exchange = QStringLiteral("ошибка 0x%1").arg(code, 4, 16, QLatin1Char('0'));
    m_lblExchange->setText(QStringLiteral("Последний обмен: ") + exchange);
}

void TFormMain::PlaceStartWindows()
{
    const TWindowPositionStore store(m_app.StartDir());
    QHash<QString, QWidget *> unplaced;
    QHash<QString, QSize> sizes;
    for (QWidget *w : {static_cast<QWidget *>(this), m_windows.Find("FormTals352I"),
                       m_windows.Find("FormTalsPar"), m_windows.Find("FormReqAns"),
                       m_windows.Find("FormSelectCMD")}) {
        TWindowPlacement stored;
        if (!w || store.Read(w->objectName(), stored))
            continue;
        unplaced.insert(w->objectName(), w);
        sizes.insert(w->objectName(), w->size());
    }
    const QList<QRect> areas = AvailableScreenAreas();
    if (unplaced.isEmpty() || areas.isEmpty())
        return;
    const QHash<QString, QRect> layout = StartLayout(areas.first(), sizes);
    for (auto it = layout.cbegin(); it != layout.cend(); ++it)
        if (QWidget *w = unplaced.value(it.key()))
            w->setGeometry(it.value());
}

QAction *TFormMain::Action(const QString &name) const
{
    const auto it = m_actions.constFind(name);
    return it == m_actions.cend() ? nullptr : it->action;
}

bool TFormMain::IsActionEnabled(const QString &name) const
{
    const auto it = m_actions.constFind(name);
    return it != m_actions.cend() && it->enabled;
}

void TFormMain::SetActionEnabled(const QString &name, bool enabled)
{
    auto it = m_actions.find(name);
    if (it == m_actions.end())
        return;
    // QAction reports a hidden action as disabled, so the state is kept here too.
    it->enabled = enabled;
    it->action->setEnabled(enabled);
}

void TFormMain::SetActionChecked(const QString &name, bool checked)
{
    if (QAction *a = Action(name)) {
        if (a->actionGroup() && !checked && a->isChecked()) {
            // An exclusive group never unchecks its checked member by itself.
            a->actionGroup()->setExclusive(false);
            a->setChecked(false);
            a->actionGroup()->setExclusive(true);
        } else {
            a->setChecked(checked);
        }
    }
}

bool TFormMain::ExecuteAction(const QString &name)
{
    const auto it = m_actions.constFind(name);
    if (it == m_actions.cend() || !it->enabled)
        return false;
    Run(*it->def);
    return true;
}

void TFormMain::Run(const TActionDef &def)
{
    TCommandScope scope(m_commandDepth);
    switch (def.kind) {
    case TActionKind::Handler:
        (this->*def.handler)(def);
        break;
    case TActionKind::DeviceCommand:
        RunDeviceCommand(def);
        break;
    case TActionKind::SingleShot:
        RunSingleShot(def);
        break;
    case TActionKind::OpenWindow:
        OpenWindow(QString::fromLatin1(def.target));
        break;
    case TActionKind::Trend:
        OpenWindow(TrendWindowName(def.code));
        break;
    }
    // The outcome of the command's exchanges.
    UpdateStatusBar();
}

void TFormMain::OpenWindow(const QString &name)
{
    const bool wasOpen = m_windows.IsOpen(name);
    QWidget *w = m_windows.Open(name);
    // A window opened again re-reads what it loaded when it was created.
    if (w && wasOpen && w->metaObject()->indexOfSlot("Reopened()") >= 0)
        QMetaObject::invokeMethod(w, "Reopened", Qt::DirectConnection);
}

void TFormMain::FailMessage(const QString &text)
{
    m_procedures->FailMessage(text);
}

// ---- commands with the device ----

bool TFormMain::ExecuteWithRetries(quint8 code, const QString &text, int attempts)
{
    return m_procedures->ExecuteWithRetries(code, text, attempts);
}

void TFormMain::WaitWithCountdown(int seconds)
{
    m_procedures->WaitWithCountdown(seconds);
}

void TFormMain::RunDeviceCommand(const TActionDef &def)
{
    if (def.Has(afNewSoftware) && !m_app.Device().NewSoftware())
        return;
    if (!ExecuteWithRetries(quint8(def.code), def.Hint(), TOperatorProcedures::kRetries)) {
        FailMessage(def.Hint());
        return;
    }
    if (def.Has(afGauges))
        UpdateGaugeRanges();
    if (def.Has(afRefresh))
        RefreshAllWindows();
}

void TFormMain::RunSingleShot(const TActionDef &def)
{
    const auto code = quint8(def.code);
    m_app.Link().ExecuteCommand(code);
    if ((code == cmd::ReadReadings || code == cmd::ReadTestDistances) &&
        m_app.Device().LinkState() == 1)
        m_app.Link().ArchiveReadings(code);
    if (def.Has(afRefresh))
        RefreshAllWindows();
}

// ---- window-wide operations ----

void TFormMain::RefreshAllWindows()
{
    const bool high = m_app.Modes().HighFrequencyMode;
    SetActionChecked(QStringLiteral("actSetModeHertzHigh"), high);
    SetActionChecked(QStringLiteral("actSetModeHertzNormal"), !high);
    m_windows.RefreshAll();
    UpdateStatusBar();
}

void TFormMain::ApplyModeVisibility()
{
    const bool full = m_app.Modes().FullAccessMode;
    for (const TActionEntry &e : std::as_const(m_actions))
        if (e.def->Has(afFull))
            e.action->setVisible(full);
    if (m_fullAccessMenu)
        m_fullAccessMenu->menuAction()->setVisible(full);
    ApplyCurrentOutputCheck();
    UpdateStatusBar();
}

void TFormMain::ApplyCurrentOutputCheck()
{
    QWidget *select = m_windows.Find(QStringLiteral("FormSelectCMD"));
    if (!select)
        return;
    if (auto *box = select->findChild<QCheckBox *>(QStringLiteral("chbCurrentOutput")))
        box->setChecked(m_app.Modes().FullAccessMode && m_app.Modes().ZelvinMode);
}

bool TFormMain::IsPolling() const
{
    return !IsActionEnabled(QStringLiteral("actOprosStart"));
}

void TFormMain::UpdatePollDependentActions()
{
    // Follows the enabled state of "Начать опрос" alone.
    const bool enable = IsActionEnabled(QStringLiteral("actOprosStart"));
    for (const TActionDef &def : MainActions())
        if (def.Has(afPollDependent))
            SetActionEnabled(def.Name(), enable);
}

void TFormMain::UpdateGaugeRanges()
{
    TMainDevice &device = m_app.Device();
    const double lmax = device.Value(QStringLiteral("Lmax"));
    const double hmax = device.Value(QStringLiteral("Hmax"));
    device.SetDisplayRange(QStringLiteral("LevelBusy"), 0, lmax);
    device.SetDisplayRange(QStringLiteral("LevelFree"), 0, lmax);
    device.SetDisplayRange(QStringLiteral("Distance"), 0, hmax);
}

QWidget *TFormMain::FindWindow(const QString &name)
{
    return m_windows.Find(name);
}

void TFormMain::ShowComparison(const TComparison &comparison)
{
    const QString name = QStringLiteral("FormCompare");
    auto *window = qobject_cast<TFormCompare *>(m_windows.Find(name));
    if (!window) {
        window = new TFormCompare(this);
        m_windows.Add(name, window);
    }
    window->SetComparison(comparison);
    window->show();
    window->raise();
    window->activateWindow();
}

TTimerControl &TFormMain::SignalTimer()
{
    return *m_signalTimer;
}

// ---- polling ----

void TFormMain::UpdatePollControls()
{
    const bool on = m_app.Link().PollTimer().IsEnabled();
    SetActionEnabled(QStringLiteral("actOprosStart"), !on);
    SetActionEnabled(QStringLiteral("actOprosStop"), on);
    UpdateStatusBar();
}

void TFormMain::UpdateSignalControls()
{
    const bool on = m_signalTimer && m_signalTimer->IsEnabled();
    SetActionEnabled(QStringLiteral("actOprosSignalStart"), !on);
    SetActionEnabled(QStringLiteral("actOprosSignalStop"), on);
}

void TFormMain::PollTick()
{
    TTimerControl &timer = m_app.Link().PollTimer();
    timer.SetPaused(true);
    if (m_app.Link().AnyDeviceEnabled()) {
        m_app.Link().ResumeWorker();
        RefreshAllWindows();
        timer.SetPaused(false);
    } else {
        ExecuteAction(QStringLiteral("actOprosStop"));
    }
}

void TFormMain::SignalTick()
{
    // A tick that comes while a command runs (its progress window lets events
    // through) is skipped rather than starting a readout inside it.
    if (!m_signalTimer || m_commandDepth > 0)
        return;
    TCommandScope scope(m_commandDepth);
    ReadSignalAutomatically();
}

void TFormMain::ReadSignalAutomatically()
{
    TArrayReadout *readout = m_app.ArrayReadout();
    if (!readout || !m_signalTimer)
        return;
    // Polling and the signal timer rest during the readout and get their
    // states back afterwards, whatever happens inside it.
    struct TRestore
    {
        TFormMain &owner;
        bool pollWasOn;
        bool signalWasOn;
        ~TRestore()
        {
            owner.m_app.Link().PollTimer().SetPaused(!pollWasOn);
            if (owner.m_signalTimer) // the window may have shut down meanwhile
                owner.m_signalTimer->SetPaused(!signalWasOn);
            owner.SetActionChecked(QStringLiteral("tbtnSuperStop"),
                                   owner.m_app.Modes().StopRequested);
        }
    } restore{*this, m_app.Link().PollTimer().IsEnabled(), m_signalTimer->IsEnabled()};
    m_app.Link().PollTimer().SetPaused(true);
    m_signalTimer->SetPaused(true);
    readout->ReadSignal(false);
}

void TFormMain::OnPollStart(const TActionDef &)
{
    m_app.Link().PollTimer().Start();
    UpdatePollControls();
    UpdatePollDependentActions();
}

void TFormMain::OnPollStop(const TActionDef &)
{
    m_app.Link().PollTimer().Stop();
    UpdatePollControls();
    UpdatePollDependentActions();
    RefreshAllWindows();
}

void TFormMain::OnSignalPollStart(const TActionDef &)
{
    if (TArrayReadout *readout = m_app.ArrayReadout()) {
        readout->ResetSeries();
        // A new recording of the spectra read from now on.
        m_app.SpectrumRecording().Start();
        ReadSignalAutomatically();
    }
    m_signalTimer->Start();
    UpdateSignalControls();
    UpdatePollDependentActions();
}

void TFormMain::OnSignalPollStop(const TActionDef &)
{
    m_signalTimer->Stop();
    m_app.SpectrumRecording().Stop();
    UpdateSignalControls();
    UpdatePollDependentActions();
}

void TFormMain::OnPollPeriodChange(const TActionDef &)
{
    TTimerControl &timer = m_app.Link().PollTimer();
    int interval = timer.Interval();
    m_app.Input().TryInputInteger(EntryCaption(), QStringLiteral("Период опроса, мс [100, 60000]"),
                                  interval, 100, 60000);
    timer.SetInterval(interval);
    timer.SaveToIni();
    UpdateStatusBar();
}

void TFormMain::OnSignalPeriodChange(const TActionDef &)
{
    int interval = m_signalTimer->Interval();
    m_app.Input().TryInputInteger(EntryCaption(),
                                  QStringLiteral("Период опроса сигнала, мс [1000, 3600000]"),
                                  interval, 1000, 3600000);
    m_signalTimer->SetInterval(interval);
    m_signalTimer->SaveToIni();
}

// ---- modes and settings ----

void TFormMain::OnRadix(const TActionDef &def)
{
    m_app.Link().SetJournalRadix(def.code);
    SetActionChecked(QStringLiteral("act10"), def.code == 10);
    SetActionChecked(QStringLiteral("act16"), def.code == 16);
}

void TFormMain::OnValueDigits(const TActionDef &)
{
    TMainDevice &device = m_app.Device();
    int digits = int(device.Value(QStringLiteral("ValueDigits")));
    m_app.Input().TryInputInteger(EntryCaption(),
                                  QStringLiteral("Точность представления от 0 до 3"), digits, 0, 3);
    device.SetValue(QStringLiteral("ValueDigits"), digits);
    RefreshAllWindows();
}

void TFormMain::OnFrequencyMode(const TActionDef &def)
{
    m_app.Modes().HighFrequencyMode = def.code == 1;
    RefreshAllWindows();
}

void TFormMain::OnPortChange(const TActionDef &)
{
    m_app.Link().ChangePortSettings();
    RefreshAllWindows();
}

void TFormMain::OnSuperStop(const TActionDef &)
{
    TProgramModes &modes = m_app.Modes();
    modes.StopRequested = !modes.StopRequested;
    SetActionChecked(QStringLiteral("tbtnSuperStop"), modes.StopRequested);
}

bool TFormMain::HandleApplicationKey(int key, Qt::KeyboardModifiers modifiers, QWidget *receiver)
{
    const Qt::KeyboardModifiers mods =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    TProgramModes &modes = m_app.Modes();
    if (mods == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_A: {
            // In a text field Ctrl+A selects its text and nothing else.
            if (IsTextField(receiver))
                return false;
            modes.FullAccessMode = true;
            TMainDevice &device = m_app.Device();
            const bool was255 = device.Value(QStringLiteral("SoftVersionNumber")) == 255;
            device.SetValue(QStringLiteral("SoftVersionNumber"), was255 ? 0 : 255);
            ApplyModeVisibility();
            RefreshAllWindows();
            return true;
        }
        case Qt::Key_F:
            modes.FullAccessMode = !modes.FullAccessMode;
            ApplyModeVisibility();
            RefreshAllWindows();
            return true;
        case Qt::Key_C:
            // Copying in the focused control still works.
            modes.StopRequested = true;
            SetActionChecked(QStringLiteral("tbtnSuperStop"), true);
            return false;
        default:
            return false;
        }
    }
    if (mods == Qt::NoModifier && key == Qt::Key_F12) {
        if (isMinimized())
            showNormal();
        show();
        raise();
        activateWindow();
        return true;
    }
    return false;
}

void TFormMain::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// ---- parameter files ----

void TFormMain::OnLoadParameters(const TActionDef &)
{
    if (TParameterFiles *files = m_app.ParameterFiles())
        files->Load();
    RefreshAllWindows();
}

void TFormMain::OnSaveParameters(const TActionDef &)
{
    if (TParameterFiles *files = m_app.ParameterFiles())
        files->Save();
    RefreshAllWindows();
}

// ---- operator procedures ----

void TFormMain::OnSignatureRead(const TActionDef &def)
{
    m_procedures->SignatureRead(def.Hint());
}

void TFormMain::OnAllRead(const TActionDef &)
{
    m_procedures->AllRead();
}

void TFormMain::OnAllWrite(const TActionDef &)
{
    m_procedures->AllWrite();
}

void TFormMain::OnCompareWithDevice(const TActionDef &)
{
    m_procedures->CompareWithDevice();
}

void TFormMain::OnCompareFiles(const TActionDef &)
{
    m_procedures->CompareFiles();
}

void TFormMain::OnPasswordOn(const TActionDef &)
{
    m_procedures->PasswordOn();
}

void TFormMain::OnPasswordOff(const TActionDef &)
{
    m_procedures->PasswordOff();
}

void TFormMain::OnSetLevelState(const TActionDef &def)
{
    m_procedures->SetLevelState(def.code);
}

void TFormMain::OnUpdateProgram(const TActionDef &)
{
    m_procedures->UpdateProgram();
}

void TFormMain::OnSystemAddressWrite(const TActionDef &def)
{
    m_procedures->SystemAddressWrite(def.Hint());
}

void TFormMain::OnPlantNumberWrite(const TActionDef &def)
{
    m_procedures->PlantNumberWrite(def.Hint());
}

void TFormMain::OnLevelKalibrWrite(const TActionDef &def)
{
    m_procedures->LevelKalibrWrite(def.Hint());
}

void TFormMain::OnModePredictionWrite(const TActionDef &def)
{
    m_procedures->ModePredictionWrite(def.Hint());
}

void TFormMain::OnTrainingModeStart(const TActionDef &def)
{
    m_procedures->TrainingModeStart(def.Hint());
}

void TFormMain::OnTrainingModeStop(const TActionDef &def)
{
    m_procedures->TrainingModeStop(def.Hint());
}

void TFormMain::OnCorrectionModeStart(const TActionDef &def)
{
    m_procedures->CorrectionModeStart(def.Hint());
}

void TFormMain::OnChangeValue(const TActionDef &def)
{
    m_procedures->ChangeValue(def.Name());
}

void TFormMain::OnPPMChange(const TActionDef &)
{
    m_procedures->PPMChange();
}

void TFormMain::OnNNZChange(const TActionDef &)
{
    m_procedures->NNZChange();
}

void TFormMain::OnReadValuesAndTestDistances(const TActionDef &)
{
    ExecuteAction(QStringLiteral("actReadValues"));
    ExecuteAction(QStringLiteral("actReadTestDistances"));
}

// ---- views and arrays ----

void TFormMain::OnMultiGraph(const TActionDef &def)
{
    // code 0: the level graphs, 1: the test distances. Each is a new window,
    // shown modally and destroyed when it is closed.
    const QString name =
        def.code == 0 ? QStringLiteral("FormMultiGraph") : QStringLiteral("FormMultiGraphTest");
    const auto it = m_app.WindowFactories().constFind(name);
    if (it == m_app.WindowFactories().cend() || !it->factory)
        return;
    QPointer<QWidget> w = it->factory(*this);
    if (!w)
        return;
    if (w->objectName().isEmpty())
        w->setObjectName(name);
    if (auto *dialog = qobject_cast<QDialog *>(w.data())) {
        dialog->exec();
        delete w.data();
        return;
    }
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
}

void TFormMain::OnReadArraySignal(const TActionDef &)
{
    if (TArrayReadout *readout = m_app.ArrayReadout())
        readout->ReadSignal(true);
    SetActionChecked(QStringLiteral("tbtnSuperStop"), m_app.Modes().StopRequested);
}

void TFormMain::OnReadArraySpectrum(const TActionDef &)
{
    if (TArrayReadout *readout = m_app.ArrayReadout())
        readout->ReadSpectrum();
    SetActionChecked(QStringLiteral("tbtnSuperStop"), m_app.Modes().StopRequested);
}

void TFormMain::OnReadArrayNevyzka(const TActionDef &)
{
    if (TArrayReadout *readout = m_app.ArrayReadout())
        readout->ReadResidual();
    SetActionChecked(QStringLiteral("tbtnSuperStop"), m_app.Modes().StopRequested);
}

// ---- exit ----

void TFormMain::OnClose(const TActionDef &)
{
    close();
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    if (m_shutDown) {
        event->accept();
        return;
    }
    if (m_closing) { // the question is already open
        event->ignore();
        return;
    }
    m_closing = true;
    const TDialogButton answer =
        Dialogs().Question(QStringLiteral("Завершить работу?"),
                           {TDialogButton::Yes, TDialogButton::No}, TDialogButton::No);
    if (answer != TDialogButton::Yes) {
        m_closing = false;
        event->ignore();
        return;
    }
    ShutDown();
    event->accept();
}

void TFormMain::ShutDown()
{
    m_app.Modes().StopRequested = true;
    SaveWindowPlacement(*this, m_app.StartDir());
    if (m_app.Device().IsFullAccess())
        m_procedures->PasswordOff();
    if (TParameterFiles *files = m_app.ParameterFiles())
        files->Save();

    QStringList order;
    for (const char *name : kExitCloseOrder)
        order << QString::fromLatin1(name);
    for (int slot = 1; slot <= kTrendSlots; ++slot)
        order << TrendWindowName(slot);
    m_windows.Close(order);
    m_windows.Close(m_windows.OpenNames()); // whatever else is still open
    // The password write above cleared the stop request; a readout still running
    // must see it.
    m_app.Modes().StopRequested = true;

    m_signalTimer.reset();
    delete m_signalTimerObject;
    m_signalTimerObject = nullptr;
    // No ticks after this: the link stops when the application object goes.
    m_app.Link().PollTimer().SetTickHandler({});
    m_app.Link().PollTimer().SetPaused(true);
    m_shutDown = true;
}

} // namespace tals
