#include "ui/windows/main_actions.h"

#include "device/command_table.h"
#include "ui/windows/form_main.h"

#include <algorithm>

namespace tals {

namespace {

using H = void (TFormMain::*)(const TActionDef &);

constexpr unsigned F = afFull;
constexpr unsigned P = afPollDependent;
constexpr unsigned N = afNewSoftware;
constexpr unsigned G = afGauges;
constexpr unsigned R = afRefresh;
constexpr unsigned S = afSeparator;
constexpr unsigned C = afCheckable;

constexpr const char *mWork = "Работа";
constexpr const char *mChange = "Изменить";
constexpr const char *mRead = "Считать";
constexpr const char *mWrite = "Записать";
constexpr const char *mGraph = "График";
constexpr const char *mWindows = "Окна";
constexpr const char *mArray = "Массив";

// A handler of the main window.
constexpr TActionDef Run(const char *name, const char *caption, const char *hint, const char *menu,
                         unsigned flags, H handler, const char *icon = nullptr,
                         const char *group = nullptr, int code = 0, const char *shortcut = nullptr)
{
    return {name, caption, hint,   menu, flags, group, shortcut, icon, TActionKind::Handler,
            code, nullptr, handler};
}

// A read or write of registers with retries; the hint is the failure message.
constexpr TActionDef Dev(const char *name, const char *caption, const char *hint, const char *menu,
                         unsigned flags, int code, const char *icon = nullptr)
{
    return {name, caption, hint,   menu, flags, nullptr, nullptr, icon, TActionKind::DeviceCommand,
            code, nullptr, nullptr};
}

// One exchange without retries or message.
constexpr TActionDef Shot(const char *name, const char *caption, const char *menu, unsigned flags,
                          int code)
{
    return {name, caption, nullptr, menu, flags, nullptr, nullptr, nullptr, TActionKind::SingleShot,
            code, nullptr, nullptr};
}

constexpr TActionDef Win(const char *name, const char *caption, const char *hint, const char *menu,
                         unsigned flags, const char *window, const char *icon = nullptr)
{
    return {name, caption, hint,   menu, flags, nullptr, nullptr, icon, TActionKind::OpenWindow,
            0,    window,  nullptr};
}

constexpr TActionDef Trend(const char *name, const char *caption, const char *hint,
                           const char *menu, unsigned flags, int slot, const char *archive)
{
    return {name, caption, hint,   menu, flags, nullptr, nullptr, nullptr, TActionKind::Trend,
            slot, archive, nullptr};
}

} // namespace

// Friend of the main window, so that the table may name its handlers.
struct TMainActionTable
{
    static std::span<const TActionDef> Get();
};

std::span<const TActionDef> TMainActionTable::Get()
{
    static const TActionDef kActions[] = {
        // Работа
        Run("actTals352iLoad", "Загрузить параметры", "Загрузить параметры прибора с диска", mWork,
            P, &TFormMain::OnLoadParameters, ":/icons/load.png"),
        Run("actTals352iSave", "Сохранить параметры ", "Сохранить параметры прибора на диск", mWork,
            P, &TFormMain::OnSaveParameters, ":/icons/save.png"),
        Run("actCompareWithDevice", "Сравнить с прибором",
            "Сравнить параметры программы или файла параметров с прибором", mWork, S | P,
            &TFormMain::OnCompareWithDevice),
        Run("actCompareFiles", "Сравнить файлы параметров", "Сравнить два файла параметров", mWork,
            afNone, &TFormMain::OnCompareFiles),
        Run("actOprosStart", "Начать опрос", "Начать опрос прибора", mWork, S,
            &TFormMain::OnPollStart, ":/icons/poll_start.png"),
        Run("actOprosStop", "Остановить опрос", "Остановить опрос прибора", mWork, afNone,
            &TFormMain::OnPollStop, ":/icons/poll_stop.png"),
        Run("actOprosSignalStart", "Начать опрос сигнала", nullptr, mWork, S | F,
            &TFormMain::OnSignalPollStart),
        Run("actOprosSignalStop", "Остановить опрос сигнала", nullptr, mWork, F,
            &TFormMain::OnSignalPollStop),
        Run("act10", "Dec", "Десятичная", mWork, S | C, &TFormMain::OnRadix, ":/icons/dec.png",
            "radix", 10),
        Run("act16", "Hex", "Шестнадцатиричная", mWork, C, &TFormMain::OnRadix, ":/icons/hex.png",
            "radix", 16),
        Run("actUpdateProgram", "Обновить ПО", nullptr, mWork, S | F, &TFormMain::OnUpdateProgram),
        Run("actPasswordOn", "Открыть полный доступ к прибору", nullptr, mWork, S | F,
            &TFormMain::OnPasswordOn, ":/icons/unlock.png"),
        Run("actPasswordOff", "Закрыть полный доступ к прибору", nullptr, mWork, F,
            &TFormMain::OnPasswordOff, ":/icons/lock.png"),
        Run("actSetLevelState0", "Уровень не изменяется", nullptr, mWork, F | C,
            &TFormMain::OnSetLevelState, ":/icons/level_still.png", "levelState", 0),
        Run("actSetLevelState1", "Производится наполнение", nullptr, mWork, F | C,
            &TFormMain::OnSetLevelState, ":/icons/level_fill.png", "levelState", 1),
        Run("actSetLevelState2", "Производится опорожнение", nullptr, mWork, F | C,
            &TFormMain::OnSetLevelState, ":/icons/level_drain.png", "levelState", 2),
        Run("actSetModeHertzNormal", "Серийный образец", nullptr, mWork, S | F | C,
            &TFormMain::OnFrequencyMode, nullptr, "hertz", 0),
        Run("actSetModeHertzHigh", "Исследуемый образец", nullptr, mWork, F | C,
            &TFormMain::OnFrequencyMode, nullptr, "hertz", 1),
        Run("actClose", "Выход", "Выход из программы", mWork, S, &TFormMain::OnClose,
            ":/icons/exit.png"),

        // Изменить
        Run("actTransmitterChange", "СОМ порт", "Изменить параметры СОМ порта", mChange, P,
            &TFormMain::OnPortChange, ":/icons/port.png"),
        Run("actTimerParametersChange", "Период опроса", "Изменить период опроса прибора", mChange,
            afNone, &TFormMain::OnPollPeriodChange),
        Run("actPeriodSignalReadChange", "Период опроса сигнала", "Изменить период опроса сигнала",
            mChange, F, &TFormMain::OnSignalPeriodChange),
        Run("actValueDigits", "Точность представления", "Точность представления показаний", mChange,
            S, &TFormMain::OnValueDigits),

        // Считать
        Shot("actReadValues", "Считать показания", mRead, R, cmd::ReadReadings),
        Dev("actReadUserRegisters1", "Считать пользовательские регистры",
            "Считать пользовательские регистры", mRead, S | R, cmd::ReadUserRegisters),
        Dev("actHmaxRead", "Считать Hmax", "Считать Hmax из прибора", mRead, S | P | G | R,
            cmd::ReadHmax),
        Dev("actLmaxRead", "Считать Hу max ", "Считать Hу max из прибора", mRead, P | G | R,
            cmd::ReadLmax),
        Dev("actKKalmanRead", "Считать коэффициент сглаживания",
            "Считать коэффициент сглаживания из прибора", mRead, P | R, cmd::ReadKKalman),
        Dev("actSpeedRead", "Считать скорость изменения уровня продукта",
            "Считать скорость изменения уровня продукта", mRead, P | N | R, cmd::ReadSpeed),
        Dev("actCurrentOutput_InputRead", "Считать исходные данные токового выхода",
            "Считать исходные данные токового выхода", mRead, R, cmd::ReadCurrentOutputInput),
        Dev("actCurrentOutput_RangeRead", "Считать диапазон токового выхода",
            "Считать диапазон токового выхода", mRead, R, cmd::ReadCurrentOutputRange),
        Dev("actCurrentOutput_ErrorValueRead", "Считать значение тока при ошибке",
            "Считать значение тока при ошибке", mRead, R, cmd::ReadCurrentOutputErrorValue),
        Run("actSignatureRead", "Считать сигнатуру", "Считать сигнатуру прибора", mRead, S,
            &TFormMain::OnSignatureRead, ":/icons/signature.png"),
        Dev("actReadInformationRegisters", "Считать информационные регистры",
            "Считать информационные регистры", mRead, S | F | R, cmd::ReadInformationRegisters),
        Dev("actReadCommonServiceRegisters", "Считать общие сервисные регистры",
            "Считать общие сервисные регистры", mRead, F | R, cmd::ReadCommonServiceRegisters),
        Dev("actReadServiceRegisters1", "Считать сервисные регистры - 1",
            "Считать сервисные регистры - 1", mRead, F | R, cmd::ReadServiceRegisters1),
        Dev("actReadServiceRegisters2", "Считать сервисные регистры - 2",
            "Считать сервисные регистры - 2", mRead, F | R, cmd::ReadServiceRegisters2),
        Dev("actReadFunctionalRegisters", "Считать функциональные регистры",
            "Считать функциональные регистры", mRead, F | R, cmd::ReadFunctionalRegisters),
        Shot("actReadTestDistances", "Считать тестовые расстояния", mRead, S | F | R,
             cmd::ReadTestDistances),
        Dev("actCountBadZonesRead", "Считать количество плохих зон",
            "Считать количество плохих зон", mRead, S | F | P | R, cmd::ReadCountBadZones),
        Dev("actBadZonesRead", "Считать информацию о плохих зонах",
            "Считать информацию о плохих зонах", mRead, F | P | R, cmd::ReadBadZones),
        Run("actAllRead", "Считать все регистры", nullptr, mRead, S, &TFormMain::OnAllRead,
            ":/icons/read_all.png"),

        // Записать
        Run("actSystemAddressWrite", "Записать системный адрес",
            "Записать системный адрес в прибор", mWrite, P, &TFormMain::OnSystemAddressWrite,
            ":/icons/address.png"),
        Run("actPlantNumberWrite", "Записать заводской номер", "Записать заводской номер", mWrite,
            F | P, &TFormMain::OnPlantNumberWrite, ":/icons/plant_number.png"),
        Shot("actWriteUserRegisters1", "Записать пользовательские регистры", mWrite, S | R,
             cmd::WriteUserRegisters),
        Dev("actHmaxWrite", "Записать Hmax ", "Записать Hmax в прибор", mWrite, S | P | R,
            cmd::WriteHmax),
        Dev("actLmaxWrite", "Записать Hу max ", "Записать Hу max в прибор", mWrite, P | R,
            cmd::WriteLmax),
        Dev("actKKalmanWrite", "Записать коэффициент сглаживания",
            "Записать коэффициент сглаживания в прибор", mWrite, P | R, cmd::WriteKKalman),
        Dev("actSpeedWrite", "Записать скорость изменения уровня продукта",
            "Записать скорость изменения уровня продукта", mWrite, P | N | R, cmd::WriteSpeed),
        Dev("actCurrentOutput_InputWrite", "Записать исходные данные токового выхода",
            "Записать исходные данные токового выхода", mWrite, R, cmd::WriteCurrentOutputInput),
        Dev("actCurrentOutput_RangeWrite", "Записать диапазон токового выхода",
            "Записать диапазон токового выхода", mWrite, R, cmd::WriteCurrentOutputRange),
        Dev("actCurrentOutput_ErrorValueWrite", "Записать значение тока при ошибке",
            "Записать значение тока при ошибке", mWrite, R, cmd::WriteCurrentOutputErrorValue),
        Run("actLevelKalibrWrite", "Записать текущий уровень", "Записать текущий уровень", mWrite,
            S | P, &TFormMain::OnLevelKalibrWrite),
        Dev("actWriteCommonServiceRegisters", "Записать общие сервисные регистры",
            "Записать общие сервисные регистры", mWrite, S | F | R,
            cmd::WriteCommonServiceRegisters),
        Dev("actWriteServiceRegisters1", "Записать сервисные регистры - 1",
            "Записать сервисные регистры - 1", mWrite, F | R, cmd::WriteServiceRegisters1),
        Dev("actWriteServiceRegisters2", "Записать сервисные регистры - 2",
            "Записать сервисные регистры - 2", mWrite, F | R, cmd::WriteServiceRegisters2),
        Dev("actWriteFunctionalRegisters", "Записать функциональные регистры",
            "Записать функциональные регистры", mWrite, F | R, cmd::WriteFunctionalRegisters),
        Dev("actCountBadZonesWrite", "Записать количество плохих зон",
            "Записать количество плохих зон", mWrite, S | F | P | R, cmd::WriteCountBadZones),
        Dev("actBadZonesWrite", "Записать информацию о плохих зонах",
            "Записать информацию о плохих зонах", mWrite, F | P | R, cmd::WriteBadZones),
        Run("actAllWrite", "Записать все регистры", nullptr, mWrite, S, &TFormMain::OnAllWrite,
            ":/icons/write_all.png"),

        // График
        Trend("actGraphDistance", "Расстояние", "График расстояния от фланца до продукта", mGraph,
              afNone, 2, "Distance"),
        Trend("actGraphLevelFree", "Свободное пространство", "График свободного пространства",
              mGraph, afNone, 3, "LevelFree"),
        Trend("actGraphLevel", "Уровень", "График уровня", mGraph, afNone, 1, "LevelBusy"),
        Run("actMultiGraphShow", "Графики: расстояние, св. пространство, уровень", nullptr, mGraph,
            afNone, &TFormMain::OnMultiGraph, nullptr, nullptr, 0),
        Trend("actGraphTmp", "Температура", "График температуры датчика", mGraph, S, 4,
              "TmpOfSensor"),
        Trend("actGraphCurrentOutputShow", "Ток", "Ток", mGraph, F, 5, "CurrentOutput"),
        Trend("actGraphTestDistance", "Тестовое расстояние без обработки",
              "График тестового расстояния без обработкиот фланца до продукта", mGraph, S | F, 6,
              "TestDistance"),
        Trend("actGraphTestDistanceFlt", "Тестовое расстояние с обработкой",
              "График тестового расстояния с обработкой от фланца до продукта", mGraph, F, 7,
              "TestDistanceFlt"),
        Run("actTestDistancesGraphShow",
            "Графики: тестовые расстояния без обработки и с обработкой",
            "Графики тестовых расстояний", mGraph, F, &TFormMain::OnMultiGraph, nullptr, nullptr,
            1),

        // Окна
        Win("actReqAnsShow", "Связь", "Открыть окно \"Связь\"", mWindows, afNone, "FormReqAns",
            ":/icons/req_ans.png"),
        Win("actTals352Show", "Показания ТАЛС35xИ", "Открыть окно \"Показания ТАЛС35xИ\"", mWindows,
            afNone, "FormTals352I", ":/icons/readings.png"),
        Win("actTalsParShow", "Параметры ТАЛС35xИ", "Открыть окно \"Параметры ТАЛС35xИ\"", mWindows,
            afNone, "FormTalsPar", ":/icons/parameters.png"),
        Win("actSelectCmdShow", "Команды ТАЛС35xИ", "Открыть окно \"Команды ТАЛС35xИ\"", mWindows,
            afNone, "FormSelectCMD", ":/icons/commands.png"),
        Win("actSpectrumShow", "Спектр", "Открыть окно \"Спектр\"", mWindows, F, "FormSpectrum",
            ":/icons/spectrum.png"),
        Win("actSignalShow", "Сигнал", "Открыть окно \"Сигнал\"", mWindows, F, "FormSignal",
            ":/icons/signal.png"),
        Win("actFormProgonShow", "Прогон", "Открыть окно \"Прогон\"", mWindows, F, "FormProgon",
            ":/icons/progon.png"),
        Win("actTestDistances", "Погрешность измерения", "Открыть окно \"Погрешность измерения\"",
            mWindows, F, "FormTestDistances", ":/icons/test_distances.png"),
        Win("actTestTube", "Погрешность труб", "Открыть окно \"Погрешность труб\"", mWindows, F,
            "FormTestTube"),
        Win("actFormScanShow", "Сканирование", "Открыть окно \"Сканирование\"", mWindows, afNone,
            "FormScan"),
        Win("actFormAboutShow", "О программе", "О программе", mWindows, afNone, "FormAbout",
            ":/icons/about.png"),

        // Массив
        Run("actReadArraySignal", "Считать массив сигнала", nullptr, mArray, F,
            &TFormMain::OnReadArraySignal, ":/icons/read_signal.png"),
        Run("actReadArraySpectrum", "Считать массив спектра", nullptr, mArray, F,
            &TFormMain::OnReadArraySpectrum, ":/icons/read_spectrum.png"),
        Run("actReadArrayNevyzka", "Считать массив невязки", nullptr, mArray, F,
            &TFormMain::OnReadArrayNevyzka),
        Win("actNevyzkaShow", "Невязка", "Открыть окно \"Невязка\"", mArray, F | S, "FormNevyzka"),

        // In no menu: executed by other windows and by the tool bar.
        Win("actFormSignatureShow", "Идентификационные данные прибора",
            "Открыть окно \"Идентификационные данные прибора\"", nullptr, afNone, "FormSignature"),
        Win("actKalibrShow", "Калибровка", nullptr, nullptr, afNone, "FormKalibr"),
        Win("actKalibrMMPShow", "Калибровка ММП", nullptr, nullptr, afNone, "FormKalibrMMP"),
        Dev("actSmFChHRead", "Считать смещение ФЧХ", "Считать смещение ФЧХ", nullptr, P | R,
            cmd::ReadSmFChH),
        Dev("actCalibrModeWrite", "Записать тип калибровки", "Записать тип калибровки", nullptr, R,
            cmd::WriteCalibrModeTals),
        Dev("actKrPerWrite", "Записать крутизну характеристики преобразования",
            "Записать крутизну характеристики преобразования в прибор", nullptr, P | R,
            cmd::WriteKrPer),
        Dev("actSmPerWrite", "Записать смещение нуля", "Записать смещение нуля в прибор", nullptr,
            P | R, cmd::WriteSmPer),
        Dev("actKrFChHWrite", "Записать крутизну ФЧХ", "Записать крутизну ФЧХ", nullptr, P | R,
            cmd::WriteKrFChH),
        Dev("actSmFChHWrite", "Записать смещение ФЧХ", "Записать смещение ФЧХ", nullptr, P | R,
            cmd::WriteSmFChH),
        Run("actModePredictionWrite", "Записать режим предсказания", nullptr, nullptr, afNone,
            &TFormMain::OnModePredictionWrite),
        Run("actKrPerChange", "Крутизна характеристики преобразования", nullptr, nullptr, P,
            &TFormMain::OnChangeValue),
        Run("actSmPerChange", "Смещение нуля", nullptr, nullptr, P, &TFormMain::OnChangeValue),
        Run("actKrFChHChange", "Крутизна ФЧХ", nullptr, nullptr, P, &TFormMain::OnChangeValue),
        Run("actSmFChHChange", "Смещение ФЧХ", nullptr, nullptr, P, &TFormMain::OnChangeValue),
        Run("actODPMChange", "Относительная диэлектрическая проницаемость материала", nullptr,
            nullptr, P, &TFormMain::OnChangeValue),
        Run("actCountBadZonesChange", "Количество плохих зон", nullptr, nullptr, P,
            &TFormMain::OnChangeValue),
        Run("actPPMChange", "ППМ", nullptr, nullptr, afNone, &TFormMain::OnPPMChange),
        Run("actNNZChange", "ННЗ", nullptr, nullptr, afNone, &TFormMain::OnNNZChange),
        Run("actTrainingModeStart", "Обучение на пустом резервуаре", nullptr, nullptr, afNone,
            &TFormMain::OnTrainingModeStart),
        Run("actTrainingModeStop", "Завершить режим", nullptr, nullptr, afNone,
            &TFormMain::OnTrainingModeStop),
        Run("actCorrectionModeStart", "Коррекция ММП", nullptr, nullptr, afNone,
            &TFormMain::OnCorrectionModeStart),
        Run("tbtnReadUserRegistersAndTestDistance", "Считать показания и тестовые расстояния",
            "Считать пользовательские регистры и тестовые расстояния", nullptr, afNone,
            &TFormMain::OnReadValuesAndTestDistances, ":/icons/read_values.png"),
        Run("tbtnSuperStop", "Стоп", "Прервать выполняемую операцию", nullptr, F | C,
            &TFormMain::OnSuperStop, ":/icons/super_stop.png"),
    };
    return kActions;
}

namespace {

const char *const kMenus[] = {mWork, mChange, mRead, mWrite, mGraph, mWindows, mArray};

const char *const kToolBar[] = {
    "actTransmitterChange",
    "|",
    "actTals352iLoad",
    "actTals352iSave",
    "|",
    "actOprosStop",
    "actOprosStart",
    "|",
    "act10",
    "act16",
    "|",
    "tbtnReadUserRegistersAndTestDistance",
    "actSignatureRead",
    "actSystemAddressWrite",
    "actPlantNumberWrite",
    "|",
    "actAllRead",
    "actAllWrite",
    "|",
    "actReqAnsShow",
    "actTals352Show",
    "actTalsParShow",
    "actSelectCmdShow",
    "actSpectrumShow",
    "actSignalShow",
    "actFormProgonShow",
    "actTestDistances",
    "|",
    "actFormAboutShow",
    "actClose",
    "|",
    "actPasswordOn",
    "actPasswordOff",
    "|",
    "actReadArraySpectrum",
    "actReadArraySignal",
    "|",
    "actSetLevelState0",
    "actSetLevelState1",
    "actSetLevelState2",
    "|",
    "tbtnSuperStop",
};

} // namespace

std::span<const TActionDef> MainActions()
{
    return TMainActionTable::Get();
}

const TActionDef *FindMainAction(const QString &name)
{
    const auto actions = MainActions();
    const auto it = std::find_if(actions.begin(), actions.end(),
                                 [&](const TActionDef &a) { return a.Name() == name; });
    return it == actions.end() ? nullptr : &*it;
}

std::span<const char *const> MainMenus()
{
    return kMenus;
}

std::span<const char *const> MainToolBar()
{
    return kToolBar;
}

} // namespace tals
