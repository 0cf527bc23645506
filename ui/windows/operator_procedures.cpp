#include "ui/windows/operator_procedures.h"

#include "device/command_table.h"
#include "device/tals352.h"
#include "device/write_differences.h"
#include "platform/dialogs.h"
#include "platform/format_settings.h"
#include "platform/number_format.h"
#include "storage/parameter_file.h"
#include "ui/application/application.h"

#include <QDateTime>
#include <QFileInfo>

#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace tals {

namespace {

// Pause after the broadcast of a new address, before it is read back.
constexpr int kAddressSettleMs = 500;

// The change commands: operator entry into one model property.
struct TChangeDef
{
    const char *action;
    const char *prompt;
    const char *property;
    int decimals; // -1: integer entry
    double minimum;
    double maximum;
};

const TChangeDef kChanges[] = {
    {"actKrPerChange", "Крутизну характеристики преобразования", "KrPer", 3, -1e9, 1e9},
    {"actSmPerChange", "Смещение нуля", "SmPer", 3, -1e9, 1e9},
    {"actKrFChHChange", "Крутизну ФЧХ", "KrFChH", 8, -2, 2},
    {"actSmFChHChange", "Смещение ФЧХ", "SmFChH", 3, -1000, 1000},
    {"actODPMChange", "Относительная диэлектрическая проницаемость материала [1 ... 100]", "ODPM",
     1, 1, 100},
    {"actCountBadZonesChange", "Количество плохих зон", "CountBadZones", -1, 0, 5},
};

const char *const kReadAllSteps[] = {"actSignatureRead", "actReadUserRegisters1"};
const char *const kReadAllServiceSteps[] = {"actPasswordOn",
                                            "actReadInformationRegisters",
                                            "actReadCommonServiceRegisters",
                                            "actReadServiceRegisters1",
                                            "actReadServiceRegisters2",
                                            "actReadFunctionalRegisters",
                                            "actCountBadZonesRead",
                                            "actBadZonesRead"};

QString EntryCaption()
{
    return QStringLiteral("Введите");
}

QString PasswordText()
{
    return QStringLiteral("Записать пароль");
}

// A device value as an integer for an entry dialog; a value that is no finite
// number or lies outside int gives `fallback`.
int IntegerOf(double value, int fallback = 0)
{
    if (!std::isfinite(value) || value < -2147483648.0 || value > 2147483647.0)
        return fallback;
    return int(value);
}

// A parameter file read into a model of its own; null after a message when
// the file cannot be loaded.
std::unique_ptr<Ttals352> LoadFileModel(const TProgramModes &modes, const QString &path)
{
    auto model = std::make_unique<Ttals352>(modes);
    const QString problem = ParameterFileProblem(*model, path);
    if (!problem.isEmpty()) {
        Dialogs().Message(problem, TDialogIcon::Warning);
        return nullptr;
    }
    ReadParameterFile(*model, path);
    return model;
}

QString ChooseParameterFile(const QString &caption, int deviceType)
{
    QString path = Dialogs().OpenFileName(caption, ParameterFolder(deviceType),
                                          QStringLiteral("Параметры приборов (*.ini)"));
    if (!path.isEmpty() && !QFileInfo::exists(path) && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".ini");
    return path;
}

// At most this many registers are named in the write-all's question.
constexpr int kListedChanges = 30;

QString ChangesText(const QList<TModelDifference> &differences)
{
    const QChar decimal = FormatSettings().DecimalSeparator;
    QString text =
        QStringLiteral("Будут изменены регистры прибора (%1):\r").arg(differences.size());
    for (int i = 0; i < differences.size() && i < kListedChanges; ++i) {
        const TModelDifference &d = differences[i];
        text += QStringLiteral("%1 (%2): %3 -> %4\r")
                    .arg(d.Caption, d.Name, StoredValueText(d.Encoding, d.Theirs, decimal),
                         StoredValueText(d.Encoding, d.Ours, decimal));
    }
    if (differences.size() > kListedChanges)
        text += QStringLiteral("... и ещё %1\r").arg(differences.size() - kListedChanges);
    return text + QStringLiteral("Записать?");
}

} // namespace

TOperatorProcedures::TOperatorProcedures(TApplication &app, TProcedureHost &host)
    : m_app(app), m_host(host)
{}

bool TOperatorProcedures::ExecuteWithRetries(quint8 code, const QString &text, int attempts)
{
    return Retry([&] { return m_app.Link().ExecuteCommand(code); }, text, attempts).Ok();
}

bool TOperatorProcedures::ExecuteInto(Ttals352 &copy, quint8 code, const QString &text)
{
    return Retry([&] { return m_app.Link().ExecuteCommandInto(copy, code); }, text, kRetries).Ok();
}

TExchangeOutcome TOperatorProcedures::Retry(const std::function<TExchangeOutcome()> &exchange,
                                            const QString &text, int attempts)
{
    m_app.Modes().StopRequested = false;
    m_host.SetActionChecked(QStringLiteral("tbtnSuperStop"), false); // the button shows the flag
    TUserInput &input = m_app.Input();
    bool answered = false;
    TExchangeOutcome outcome;
    for (int k = 1; k <= attempts; ++k) {
        input.ShowProgress(QStringLiteral("Повтор команды ") + text, k, attempts);
        outcome = exchange();
        if (outcome.Ok()) {
            input.CloseProgress();
            return outcome;
        }
        answered = answered || outcome.Result != -1;
    }
    input.CloseProgress();
    if (attempts > 0 && !answered)
        ++m_silentFailures;
    return outcome;
}

void TOperatorProcedures::WaitWithCountdown(int seconds)
{
    TUserInput &input = m_app.Input();
    const QString text = QStringLiteral("Обучение занимает %1 секунд").arg(seconds);
    for (int k = 1; k <= seconds; ++k) {
        input.ShowProgress(text, k, seconds);
        m_app.Clock().Wait(1000);
    }
    input.CloseProgress();
}

void TOperatorProcedures::FailMessage(const QString &text)
{
    Dialogs().Message(QStringLiteral("Не выполнена команда\r") + text, TDialogIcon::Warning);
}

void TOperatorProcedures::RunGroup(const char *const *steps, int count)
{
    bool asked = false;
    for (int i = 0; i < count; ++i) {
        const int silentBefore = m_silentFailures;
        m_host.ExecuteAction(QString::fromLatin1(steps[i]));
        if (asked || m_silentFailures == silentBefore || i + 1 == count)
            continue;
        // A device that answers nothing would make every further step wait
        // out all its tries and report its own failure.
        asked = true;
        if (Dialogs().Question(QStringLiteral("Прибор не отвечает.\rПродолжить выполнение "
                                              "остальных команд?"),
                               {TDialogButton::Yes, TDialogButton::No},
                               TDialogButton::No) != TDialogButton::Yes)
            return;
    }
}

void TOperatorProcedures::SignatureRead(const QString &hint)
{
    for (quint8 code : {1, 2, 3}) {
        if (!ExecuteWithRetries(code, hint, kRetries)) {
            FailMessage(hint);
            return;
        }
    }
    m_host.ApplyModeVisibility();
    m_host.RefreshAllWindows();
    m_host.ExecuteAction(QStringLiteral("actFormSignatureShow"));
}

void TOperatorProcedures::AllRead()
{
    const bool full = m_app.Modes().FullAccessMode;
    std::vector<const char *> steps(std::begin(kReadAllSteps), std::end(kReadAllSteps));
    if (full)
        steps.insert(steps.end(), std::begin(kReadAllServiceSteps), std::end(kReadAllServiceSteps));
    RunGroup(steps.data(), int(steps.size()));
}

void TOperatorProcedures::AllWrite()
{
    Ttals352 *shown = m_app.Model();
    if (!shown)
        return;
    const TCompareScope scope = Scope();
    Ttals352 device(m_app.Modes());
    if (!ReadDevice(device, scope))
        return;
    QList<TModelDifference> differences = CompareModels(*shown, device, scope);
    // The device keeps its identity: its plant number is written only by its
    // own command, never from the program's model of maybe another device.
    differences.removeIf([](const TModelDifference &d) { return IsIdentityRegister(d.Name); });
    if (differences.isEmpty()) {
        Dialogs().Message(QStringLiteral("Регистры прибора не отличаются от параметров "
                                         "программы.\rНичего не записано."),
                          TDialogIcon::Information);
        return;
    }
    if (Dialogs().Question(ChangesText(differences), {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    // The block that carries the plant number sends the device's own.
    if (scope == TCompareScope::All)
        shown->SetPlantNumber(device.PlantNumber());
    TWriteSteps steps;
    steps.WriteBlock = [this](quint8 code) {
        return Retry([&] { return m_app.Link().ExecuteCommand(code); }, BlockCommandText(code),
                     kRetries);
    };
    steps.Exchange = [this](quint8 code) { return m_app.Link().ExecuteCommand(code); };
    const TWriteResult written = WriteDifferences(*shown, differences, scope, steps);
    if (!written.Ok()) {
        QString message = BlockCommandText(written.FailedBlock);
        if (written.Failure.RefusesValue()) {
            QStringList names;
            for (const TModelDifference &d : written.Refused)
                names << QStringLiteral("%1 (%2)").arg(d.Caption, d.Name);
            message += QStringLiteral("\rПрибор не принял: ") + names.join(QStringLiteral(", "));
        }
        FailMessage(message);
    }
    m_host.RefreshAllWindows();
}

TCompareScope TOperatorProcedures::Scope() const
{
    return m_app.Modes().FullAccessMode ? TCompareScope::All : TCompareScope::User;
}

bool TOperatorProcedures::ReadDevice(Ttals352 &copy, TCompareScope scope)
{
    const Ttals352 *shown = m_app.Model();
    if (!shown)
        return false;
    copy.SetErrorMax(1);
    copy.SetSystemAddress(shown->SystemAddress());
    // The service groups are read with the device's full access open, the
    // password coming from the copy.
    if (scope == TCompareScope::All) {
        copy.OpenFullAccess();
        if (!ExecuteInto(copy, cmd::WritePassword, PasswordText())) {
            FailMessage(PasswordText());
            return false;
        }
    }
    for (int code : CompareBlockReads(scope)) {
        const QString text = BlockCommandText(code);
        if (!ExecuteInto(copy, quint8(code), text)) {
            FailMessage(text);
            return false;
        }
    }
    return true;
}

void TOperatorProcedures::CompareWithDevice()
{
    Ttals352 *shown = m_app.Model();
    if (!shown)
        return;
    const TDialogButton choice =
        Dialogs().Question(QStringLiteral("Сравнить с прибором параметры программы?\r"
                                          "\"Нет\" - выбрать файл параметров."),
                           {TDialogButton::Yes, TDialogButton::No, TDialogButton::Cancel},
                           TDialogButton::Yes, QStringLiteral("Сравнить с прибором"));
    if (choice != TDialogButton::Yes && choice != TDialogButton::No)
        return;
    TComparison comparison;
    std::unique_ptr<Ttals352> file;
    const Ttals352 *ours = shown;
    comparison.OursTitle = QStringLiteral("Программа");
    if (choice == TDialogButton::No) {
        const QString path =
            ChooseParameterFile(QStringLiteral("Сравнить с прибором"), shown->DeviceTypeNumber());
        if (path.isEmpty())
            return;
        file = LoadFileModel(m_app.Modes(), path);
        if (!file)
            return;
        ours = file.get();
        comparison.OursTitle = QFileInfo(path).fileName();
    }
    const TCompareScope scope = Scope();
    Ttals352 device(m_app.Modes());
    if (!ReadDevice(device, scope))
        return;
    comparison.Title = QStringLiteral("Сравнение с прибором: ") + comparison.OursTitle;
    comparison.TheirsTitle = QStringLiteral("Прибор");
    comparison.Differences = CompareModels(*ours, device, scope);
    comparison.Device = CompareDeviceText(*shown);
    comparison.Time = QDateTime::currentDateTime();
    m_host.ShowComparison(comparison);
}

void TOperatorProcedures::CompareFiles()
{
    const TProgramModes &modes = m_app.Modes();
    const int type = m_app.Model() ? m_app.Model()->DeviceTypeNumber() : 20;
    std::unique_ptr<Ttals352> models[2];
    QString names[2];
    for (int i = 0; i < 2; ++i) {
        const QString path = ChooseParameterFile(i == 0 ? QStringLiteral("Первый файл параметров")
                                                        : QStringLiteral("Второй файл параметров"),
                                                 type);
        if (path.isEmpty())
            return;
        models[i] = LoadFileModel(modes, path);
        if (!models[i])
            return;
        names[i] = QFileInfo(path).fileName();
    }
    TComparison comparison;
    comparison.Title = QStringLiteral("Сравнение файлов параметров");
    comparison.OursTitle = names[0];
    comparison.TheirsTitle = names[1];
    // Files keep every register group.
    comparison.Differences = CompareModels(*models[0], *models[1], TCompareScope::All);
    comparison.Time = QDateTime::currentDateTime();
    m_host.ShowComparison(comparison);
}

void TOperatorProcedures::PasswordOn()
{
    if (!m_app.Modes().FullAccessMode)
        return;
    m_app.Device().OpenFullAccess();
    if (!ExecuteWithRetries(cmd::WritePassword, PasswordText(), kRetries))
        FailMessage(PasswordText());
}

void TOperatorProcedures::PasswordOff()
{
    if (!m_app.Modes().FullAccessMode)
        return;
    m_app.Device().CloseFullAccess();
    if (!ExecuteWithRetries(cmd::WritePassword, PasswordText(), kRetries))
        FailMessage(PasswordText());
}

void TOperatorProcedures::SetLevelState(int state)
{
    TMainDevice &device = m_app.Device();
    device.SetValue(QStringLiteral("LevelState"), state);
    const int stored = IntegerOf(device.Value(QStringLiteral("LevelState")), -1);
    for (int tag = 0; tag < 3; ++tag)
        m_host.SetActionChecked(QStringLiteral("actSetLevelState%1").arg(tag), tag == stored);
    const QString text = QStringLiteral("Записать состояние уровня");
    if (!ExecuteWithRetries(cmd::WriteLevelState, text, kRetries))
        FailMessage(text);
}

void TOperatorProcedures::UpdateProgram()
{
    if (Dialogs().Question(QStringLiteral("Обновить ПО?"), {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    TMainDevice &device = m_app.Device();
    int plant = IntegerOf(device.Value(QStringLiteral("PlantNumber")));
    if (!m_app.Input().TryInputInteger(EntryCaption(), QStringLiteral("Заводской номер"), plant, 0,
                                       65535))
        return;
    device.SetValue(QStringLiteral("PlantNumber"), plant);
    const QString text = QStringLiteral("Записать команду обновить ПО");
    if (!ExecuteWithRetries(cmd::StartProgramUpdate, text, kRetries))
        FailMessage(text);
}

void TOperatorProcedures::SystemAddressWrite(const QString &hint)
{
    TMainDevice &device = m_app.Device();
    TUserInput &input = m_app.Input();
    int plant = IntegerOf(device.Value(QStringLiteral("PlantNumber")));
    if (!input.TryInputInteger(EntryCaption(), QStringLiteral("Заводской номер"), plant, 0, 65535))
        return;
    device.SetValue(QStringLiteral("PlantNumber"), plant);
    int address = IntegerOf(device.Value(QStringLiteral("SystemAddressNew")), 1);
    if (!input.TryInputInteger(EntryCaption(), QStringLiteral("Новый системный адрес [1..247]"),
                               address, 1, 247))
        return;
    device.SetValue(QStringLiteral("SystemAddressNew"), address);

    // A broadcast is not answered: its result says nothing.
    ExecuteWithRetries(cmd::BroadcastSetAddress, hint, 1);
    m_app.Clock().Wait(kAddressSettleMs);

    const double oldAddress = device.Value(QStringLiteral("SystemAddress"));
    device.SetValue(QStringLiteral("SystemAddress"),
                    device.Value(QStringLiteral("SystemAddressNew")));
    device.SetAddressReadHandler([this](int readAddress, bool matches) {
        if (!matches)
            return;
        Dialogs().Message(QStringLiteral("Новый системный адрес прибора: ") +
                              QString::number(readAddress),
                          TDialogIcon::Information, QStringLiteral("Системный адрес записан!"));
        if (QWidget *par = m_host.FindWindow(QStringLiteral("FormTalsPar")))
            if (QObject *field = par->findChild<QObject *>(QStringLiteral("enSystemAddress")))
                field->setProperty("Value", readAddress);
        m_host.RefreshAllWindows();
    });
    if (!ExecuteWithRetries(cmd::ReadAddressRegister, hint, kRetries)) {
        device.SetValue(QStringLiteral("SystemAddress"), oldAddress);
        FailMessage(hint);
    }
    device.SetAddressReadHandler({});
    m_host.RefreshAllWindows();
}

void TOperatorProcedures::PlantNumberWrite(const QString &hint)
{
    TMainDevice &device = m_app.Device();
    int plant = IntegerOf(device.Value(QStringLiteral("PlantNumberNew")));
    if (!m_app.Input().TryInputInteger(
            EntryCaption(), QStringLiteral("Новый заводской номер [0..65535]"), plant, 0, 65535))
        return;
    device.SetValue(QStringLiteral("PlantNumberNew"), plant);
    if (!ExecuteWithRetries(cmd::WritePlantNumber, hint, kRetries))
        FailMessage(hint);
    m_host.RefreshAllWindows();
}

void TOperatorProcedures::LevelKalibrWrite(const QString &hint)
{
    TMainDevice &device = m_app.Device();
    const int digits = std::clamp(IntegerOf(device.Value(QStringLiteral("ValueDigits"))), 0, 9);
    const double lmax = device.Value(QStringLiteral("Lmax"));
    double level = device.Value(QStringLiteral("LevelKalibr"));
    const QString prompt = QStringLiteral("Текущий уровень, мм [не более %1]")
                               .arg(FloatToStrF(lmax, ffNumber, 9, digits));
    if (!m_app.Input().TryInputDouble(EntryCaption(), prompt, digits, level, 0, lmax))
        return;
    device.SetValue(QStringLiteral("LevelKalibr"), level);
    if (!ExecuteWithRetries(cmd::WriteLevelKalibr, hint, kRetries)) {
        FailMessage(hint);
        return;
    }
    m_host.ExecuteAction(QStringLiteral("actReadUserRegisters1"));
    m_host.RefreshAllWindows();
}

void TOperatorProcedures::ModePredictionWrite(const QString &hint)
{
    const int mode = IntegerOf(m_app.Device().Value(QStringLiteral("ModePrediction")), -1);
    if (mode < 0 || mode > 2)
        return;
    if (!ExecuteWithRetries(quint8(cmd::SvcSetPrediction + mode), hint, kRetries)) {
        FailMessage(hint);
        return;
    }
    m_host.RefreshAllWindows();
}

void TOperatorProcedures::TrainingModeStart(const QString &hint)
{
    if (Dialogs().Question(QStringLiteral("Резервуар должен быть пуст.\rВыполнить обучение?"),
                           {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    // The start-mode codes run from mode 0; training is mode 2.
    if (!ExecuteWithRetries(quint8(cmd::SvcStartMode + 2), hint, kRetries)) {
        FailMessage(hint);
        return;
    }
    WaitWithCountdown(15);
    m_host.ExecuteAction(QStringLiteral("actCountBadZonesRead"));
    m_host.ExecuteAction(QStringLiteral("actBadZonesRead"));
    m_host.ExecuteAction(QStringLiteral("actTalsParShow"));
    m_host.RefreshAllWindows();
}

void TOperatorProcedures::TrainingModeStop(const QString &hint)
{
    if (!ExecuteWithRetries(cmd::SvcEndMode, hint, kRetries))
        FailMessage(hint);
}

void TOperatorProcedures::CorrectionModeStart(const QString &hint)
{
    const double distance = m_app.Device().Value(QStringLiteral("Distance"));
    if (!(distance >= 1500 && distance <= 4000)) {
        Dialogs().Message(QStringLiteral("Значение расстояния от фланца до продукта \rдолжно быть "
                                         "в интервале от 1500 до 4000 мм"),
                          TDialogIcon::Warning);
        return;
    }
    // Correction is start mode 3.
    if (!ExecuteWithRetries(quint8(cmd::SvcStartMode + 3), hint, kRetries)) {
        FailMessage(hint);
        return;
    }
    WaitWithCountdown(3);
    m_host.ExecuteAction(QStringLiteral("actSmFChHRead"));
    m_host.ExecuteAction(QStringLiteral("actTalsParShow"));
    if (QWidget *par = m_host.FindWindow(QStringLiteral("FormTalsPar")))
        QMetaObject::invokeMethod(par, "ShowFactoryPage", Qt::DirectConnection);
    m_host.RefreshAllWindows();
}

bool TOperatorProcedures::ChangeValue(const QString &actionName)
{
    const auto it = std::find_if(std::begin(kChanges), std::end(kChanges),
                                 [&](const TChangeDef &c) { return actionName == c.action; });
    if (it == std::end(kChanges))
        return false;
    TMainDevice &device = m_app.Device();
    const QString property = QString::fromLatin1(it->property);
    const QString prompt = QString::fromUtf8(it->prompt);
    if (it->decimals < 0) {
        int value = IntegerOf(device.Value(property), int(it->minimum));
        if (m_app.Input().TryInputInteger(EntryCaption(), prompt, value, int(it->minimum),
                                          int(it->maximum)))
            device.SetValue(property, value);
    } else {
        double value = device.Value(property);
        if (m_app.Input().TryInputDouble(EntryCaption(), prompt, it->decimals, value, it->minimum,
                                         it->maximum))
            device.SetValue(property, value);
    }
    m_host.RefreshAllWindows();
    return true;
}

void TOperatorProcedures::PPMChange()
{
    TMainDevice &device = m_app.Device();
    QString text = device.Text(QStringLiteral("PPMNumberText"));
    // Cancel keeps the initial text, which is stored all the same.
    Dialogs().InputText(EntryCaption(), QStringLiteral("Номер ППМ"), text);
    device.SetText(QStringLiteral("PPMNumberText"), text);
    bool isNumber = false;
    const int number = text.trimmed().toInt(&isNumber);
    if (!isNumber)
        return;
    device.SetValue(QStringLiteral("PPMNumber"), number);
    m_host.RefreshAllWindows();
}

void TOperatorProcedures::NNZChange()
{
    TMainDevice &device = m_app.Device();
    QString text = device.Text(QStringLiteral("OrderNumber"));
    Dialogs().InputText(EntryCaption(), QStringLiteral("Номер Н/З"), text);
    device.SetText(QStringLiteral("OrderNumber"), text);
}

} // namespace tals
