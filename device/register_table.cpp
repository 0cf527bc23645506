#include "device/register_table.h"

#include <cstring>
#include <limits>

namespace tals {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kWordMax = 65535;
constexpr double kIntMax = std::numeric_limits<int>::max();
constexpr double kIntMin = std::numeric_limits<int>::min();
constexpr double kInt64Max = 9223372036854775807.0;

using K = TValueKind;
using G = TRegisterGroup;
using E = TEncoding;
constexpr auto H = TRegisterSpace::Holding;
constexpr auto I = TRegisterSpace::Input;
constexpr auto N = TRegisterSpace::None;

constexpr unsigned T = pfTypical;

// One row: id, name, kind, group, default, min, max, flags, space, address,
// encoding, read code, write code, INI section, INI key, caption, list section.
constexpr TPropertyInfo Row(TProp id, const char *name, K kind, G group, double def, double min,
                            double max, unsigned flags, TRegisterSpace space, int address,
                            E encoding, int read, int write, const char *section = nullptr,
                            const char *key = nullptr, const char *caption = nullptr,
                            const char *list = nullptr)
{
    return TPropertyInfo{id,    name,    kind,     group, def,   min,     max, min,     max, flags,
                         space, address, encoding, read,  write, section, key, caption, list};
}

// A row whose limits differ in the high-frequency mode.
constexpr TPropertyInfo HfRow(TPropertyInfo row, double hfMin, double hfMax)
{
    row.HfMin = hfMin;
    row.HfMax = hfMax;
    row.Flags |= pfHighFrequency;
    return row;
}

constexpr const char *kUser = "UserRegisters";
constexpr const char *kCommon = "CommonServiceRegisters";
constexpr const char *kService1 = "ServiceRegisters1";
constexpr const char *kService2 = "ServiceRegisters2";
constexpr const char *kFunctional = "FunctionalRegisters";
constexpr const char *kBadZones = "BadZones";

#define P TProp::
// clang-format off
constexpr TPropertyInfo kTable[] = {
    // Identity and link.
    Row(P SystemAddress, "SystemAddress", K::Byte, G::Identity, 1, 0, 255, 0, N, -1, E::None, -1, -1,
        kUser, "SystemAddress", "Системный адрес, от 0 до 247"),
    Row(P SystemAddressNew, "SystemAddressNew", K::Byte, G::Identity, 1, 0, 255, 0, N, -1, E::None, -1, -1),
    Row(P PlantNumberNew, "PlantNumberNew", K::Word, G::Identity, 0, 0, kWordMax, 0, N, -1, E::None, -1, -1),
    Row(P ValueDigits, "ValueDigits", K::Integer, G::Identity, 1, 0, kIntMax, 0, N, -1, E::None, -1, -1),
    Row(P ErrorMax, "ErrorMax", K::Word, G::Identity, 0, 0, kWordMax, 0, N, -1, E::None, -1, -1),
    Row(P PlantNumber, "PlantNumber", K::Word, G::CommonServiceRegisters, 0, 0, kWordMax, 0, H, 2002, E::Word, 18, -1,
        kCommon, "PlantNumber", "Заводской номер, от 0 до 65535"),
    Row(P HardVersionNumber, "HardVersionNumber", K::Byte, G::CommonServiceRegisters, 0, 0, 255, 0, N, -1, E::None, -1, -1,
        kCommon, "HardVersion", "Аппаратная версия"),
    Row(P SoftVersionNumber, "SoftVersionNumber", K::Byte, G::CommonServiceRegisters, 0, 0, 255, 0, N, -1, E::None, -1, -1,
        kCommon, "SoftVersion", "Программная версия"),
    Row(P DeviceTypeNumber, "DeviceTypeNumber", K::Byte, G::Identity, 20, 0, 255, 0, N, -1, E::None, -1, -1),

    // User registers.
    Row(P Hmax, "Hmax", K::Real, G::UserRegisters, 30000, 0, 30000, T | pfOnlyIfDifferent, H, 1000, E::Single, 6, 83,
        kUser, "Hmax", "Hmax, от 0 до 30 000 мм"),
    Row(P Lmax, "Lmax", K::Real, G::UserRegisters, 30000, 0, 30000, T | pfOnlyIfDifferent | pfMaxIsHmax, H, 1002, E::Single, 7, 84,
        kUser, "Lmax", "Hу max, от 0 до 30 000 мм"),
    Row(P LevelKalibr, "LevelKalibr", K::Real, G::UserRegisters, 0, 0, 30000, T | pfMaxIsLmax, H, 1004, E::Single, 8, 85,
        nullptr, nullptr, "текущий уровень"),
    Row(P KKalman, "KKalman", K::Real, G::UserRegisters, 1, 0.01, 1, T, H, 1006, E::Single, 9, 86,
        kUser, "KKalman", "Коэффициент сглаживания, от 0,01 до 1"),
    Row(P Speed, "Speed", K::Real, G::UserRegisters, 0, 0, 99.999, T, H, 1008, E::Single, 10, 87,
        kUser, "Speed", "Скорость изменения уровня продукта, от 0 до 99.999 мм/с"),
    Row(P CurrentOutput_Input, "CurrentOutput_Input", K::Word, G::UserRegisters, 1, 0, 3, T, H, 1010, E::Word, 11, 89,
        kUser, "CurrentOutput_Input", "Исходные данные", "ИсходныеДанныеТоковогоВыхода"),
    Row(P CurrentOutput_Range, "CurrentOutput_Range", K::Word, G::UserRegisters, 2, 0, 2, T, H, 1011, E::Word, 12, 90,
        kUser, "CurrentOutput_Range", "Диапазон", "ДиапазонТоковогоВыхода"),
    Row(P CurrentOutput_ErrorValue, "CurrentOutput_ErrorValue", K::Word, G::UserRegisters, 3, 0, 4, T, H, 1012, E::Word, 13, 91,
        kUser, "CurrentOutput_ErrorValue", "Значение тока при ошибке", "ЗначениеТокаПриОшибке"),
    Row(P LevelState, "LevelState", K::Word, G::UserRegisters, 0, 0, 2, T | pfNotDecoded, H, 1162, E::Word, 14, 92),

    // Common service registers.
    Row(P Password, "Password", K::Word, G::CommonServiceRegisters, 0, 0, kWordMax, T, H, 2000, E::Word, 16, 94),
    Row(P ControlCommand, "ControlCommand", K::Word, G::CommonServiceRegisters, 0, 0, 6, T, H, 2001, E::Word, 17, 95,
        kCommon, "ControlCommand", "Управляющая команда ведущего", "УправляющаяКоманда"),
    Row(P mbBaudRate, "mbBaudRate", K::Word, G::CommonServiceRegisters, 6, 0, 12, T, H, 2003, E::Word, 19, 97,
        kCommon, "mbBaudRate", "Скорость передачи данных по интерфейсу", "СкоростьПередачиДанных"),
    Row(P mbParity, "mbParity", K::Word, G::CommonServiceRegisters, 2, 0, 2, T, H, 2004, E::Word, 20, 98,
        kCommon, "MbParity", "Бит паритета", "БитПаритета"),
    Row(P CalibrModeTals, "CalibrModeTals", K::Integer, G::CommonServiceRegisters, 1, 0, 1, T | pfOnlyIfDifferent, H, 2005, E::Word, 21, 99,
        nullptr, nullptr, "Тип калибровки", "ТипКалибровки"),
    Row(P CalibrMode, "CalibrMode", K::Integer, G::CommonServiceRegisters, 2, kIntMin, kIntMax, T, N, -1, E::None, -1, -1,
        kCommon, "CalibrMode"),
    Row(P CalibrModeMMP, "CalibrModeMMP", K::Integer, G::CommonServiceRegisters, 5, kIntMin, kIntMax, T, N, -1, E::None, -1, -1),
    Row(P KrPer, "KrPer", K::Real, G::CommonServiceRegisters, 1, 0.1, 1.5, T, H, 2006, E::Single, 22, 100,
        kCommon, "KrPer", "Крутизна характеристики преобразования"),
    Row(P SmPer, "SmPer", K::Real, G::CommonServiceRegisters, 0.001, -10000, 10000, T, H, 2008, E::Single, 23, 101,
        kCommon, "SmPer", "Смещение нуля"),

    // Service registers 1.
    Row(P PPMType, "PPMType", K::Word, G::ServiceRegisters1, 0, 0, 4, T, H, 3000, E::Word, 27, 103,
        kService1, "PPMType", "Тип ППМ", "ТипППМ"),
    Row(P PPMNumber, "PPMNumber", K::Word, G::ServiceRegisters1, 0, 0, kWordMax, T, H, 3001, E::Word, 28, 104,
        kService1, "PPMNumber", "Номер ППМ, от 0 до 65535"),
    Row(P ProgramType, "ProgramType", K::Word, G::ServiceRegisters1, 0, 0, kWordMax, 0, H, 3002, E::Word, 29, 105,
        kService1, "ProgramType", "Тип программы", "ТипПрибора"),
    Row(P WDActive, "WDActive", K::Word, G::ServiceRegisters1, 1, 0, 1, T, H, 3003, E::Word, 30, 106,
        kService1, "WDActive", "Активация таймера BlackFin"),
    Row(P WDUpdate, "WDUpdate", K::Word, G::ServiceRegisters1, 1, 0, 1, T, H, 3004, E::Word, 31, 107,
        kService1, "WDUpdate", "Обновление таймера BlackFin"),
    Row(P Amplification, "Amplification", K::Word, G::ServiceRegisters1, 0, 0, 255, T, H, 3005, E::Word, 32, 108,
        kService1, "Amplification", "Текущее значение регулятора усиления, от 0 до 255"),
    Row(P AutoControlAmplification, "AutoControlAmplification", K::Word, G::ServiceRegisters1, 1, 0, 1, T, H, 3006, E::Word, 33, 109,
        kService1, "AutoControlAmplification", "Автоматическая регулировка усиления"),
    Row(P ModulationType, "ModulationType", K::Word, G::ServiceRegisters1, 0, 0, 1, T, H, 3007, E::Word, 34, 110,
        kService1, "ModulationType", "Тип модуляции", "ТипЧастотнойМодуляции"),
    HfRow(Row(P CountSteps, "CountSteps", K::Word, G::ServiceRegisters1, 1024, 512, 1024, T, H, 3008, E::Word, 35, 111,
        kService1, "CountSteps", "Число шагов синтезатора по частоте: 512, 1024"), 512, 2048),
    Row(P MDOS, "MDOS", K::Word, G::ServiceRegisters1, 0, 0, 10, T, H, 3009, E::Word, 36, 112,
        kService1, "MDOS", "Мультиплексор диагностического выхода синтезатора", "МультиплексорДиагностическогоВыхода"),
    Row(P FracDS, "FracDS", K::Word, G::ServiceRegisters1, 4093, 2, 4095, T, H, 3010, E::Word, 37, 113,
        kService1, "FracDS", "Знаменатель дробного делителя синтезатора, от 2 до 4095"),
    Row(P Izns, "Izns", K::Word, G::ServiceRegisters1, 15, 0, 15, T, H, 3011, E::Word, 38, 114,
        kService1, "Izns", "Ток зарядового насоса синтезатора", "ТокЗарядовогоНасосаСинтезатора"),
    Row(P DSint, "DSint", K::Word, G::ServiceRegisters1, 189, 23, 4095, T, H, 3012, E::Word, 39, 115,
        kService1, "DSint", "Делитель синтезатора - начальное значение целой части, от 23 до 4095"),
    Row(P DSfrac, "DSfrac", K::Word, G::ServiceRegisters1, 0, 0, 65535, T, H, 3013, E::Word, 40, 116,
        kService1, "DSfrac", "Делитель синтезатора - начальное значение дробной части, >= 0"),
    Row(P DSdelta, "DSdelta", K::SignedWord, G::ServiceRegisters1, 88, -32768, 32767, T, H, 3014, E::SignedWord, 41, 117,
        kService1, "DSdelta", "Делитель синтезатора - приращение, >= 0"),
    HfRow(Row(P FreqPeriod, "FreqPeriod", K::Real, G::ServiceRegisters1, 8, 5, 25, T, H, 3015, E::Single, 42, 118,
        kService1, "FreqPeriod", "Длительность ступеньки частотной модуляции, мкс от %.0f до %.0f"), 4, 16),
    Row(P FreqValue, "FreqValue", K::Real, G::ServiceRegisters1, 24, 0, kInf, T, H, 3017, E::Single, 43, 119,
        kService1, "FreqValue", "Значение опорной частоты синтезатора, МГц от 12 до 25"),

    // Service registers 2.
    Row(P CountSkip, "CountSkip", K::Word, G::ServiceRegisters2, 5, 5, kWordMax, T, H, 3100, E::Word, 45, 121,
        kService2, "CountSkip", "Число пропускаемых отсчётов в начале сигнала биений, >= 5"),
    Row(P IncreaseFreqStep, "IncreaseFreqStep", K::Word, G::ServiceRegisters2, 1, 0, kWordMax, T | pfNonZero, H, 3101, E::Word, 46, 122,
        kService2, "IncreaseFreqStep", "Увеличение шага по частоте, >= 1"),
    Row(P CountFixedFreqs, "CountFixedFreqs", K::Word, G::ServiceRegisters2, 0, 0, 1, T, H, 3102, E::Word, 47, 123,
        kService2, "CountFixedFreqs", "Число фиксированных частот", "ЧислоФиксированныхЧастот"),
    Row(P CountFreqs, "CountFreqs", K::Word, G::ServiceRegisters2, 0, 0, 1, T, H, 3103, E::Word, 48, 124,
        kService2, "CountFreqs", "Число частот", "ЧислоЧастот"),
    Row(P WindowBlackmanEnabled, "WindowBlackmanEnabled", K::Word, G::ServiceRegisters2, 0, 0, 1, T, H, 3104, E::Word, 49, 125,
        kService2, "WindowBlackmanEnabled", "Использование при расчетах окна Блэкмана"),
    Row(P KrFChH, "KrFChH", K::Real, G::ServiceRegisters2, -0.00015, -2, 2, T, H, 3105, E::Single, 50, 126,
        kService2, "KrFChH", "Крутизна ФЧХ, от -2 до 2"),
    Row(P SmFChH, "SmFChH", K::Real, G::ServiceRegisters2, -2.75, -1000, 1000, T, H, 3107, E::Single, 51, 127,
        kService2, "SmFChH", "Смещение ФЧХ, Рад от -1000 до 1000"),
    Row(P Radius, "Radius", K::Real, G::ServiceRegisters2, 30000, 10, 30000, T, H, 3109, E::Single, 52, 128,
        kService2, "Radius", "Радиус волновода, мм от 10 до 30 000"),
    HfRow(Row(P FreqNes, "FreqNes", K::Real, G::ServiceRegisters2, 9072, 9000, 10000, T, H, 3111, E::Single, 53, 129,
        kService2, "FreqNes", "Несущая частота, МГц от %.0f до %.0f"), 9000, 27000),
    HfRow(Row(P FreqDev, "FreqDev", K::Real, G::ServiceRegisters2, 1056.774048, 400, 1100, T, H, 3113, E::Single, 54, 130,
        kService2, "FreqDev", "Девиация частоты, МГц от %.0f до %.0f"), 400, 3300),
    Row(P ODPM, "ODPM", K::Real, G::ServiceRegisters2, 2, 1.1, 100, T, H, 3115, E::Single, 55, 131,
        kService2, "ODPM", "Относительная диэлектрическая проницаемость продукта, от 1,1 до 100,0"),
    Row(P FreqBeg, "FreqBeg", K::Real, G::ServiceRegisters2, 8, 0, kInf, T, H, 3117, E::Single, 56, 132,
        kService2, "FreqBeg", "Начальная частота обработки, бин >= 0"),
    Row(P MUP, "MUP", K::Word, G::ServiceRegisters2, 20, 20, 60, T, H, 3119, E::Word, 57, 133,
        kService2, "MUP", "Уровень учитываемой помехи, - дБ от 20 до 60"),
    Row(P CoundNOS, "CoundNOS", K::Word, G::ServiceRegisters2, 10, 1, 100, T, H, 3120, E::Word, 58, 134,
        kService2, "CoundNOS", "Количество накапливаемых отсчетов сигнала, от 1 до 100"),
    Row(P CoundNRI, "CoundNRI", K::Word, G::ServiceRegisters2, 10, 1, 100, T, H, 3121, E::Word, 59, 135,
        kService2, "CoundNRI", "Количество накапливаемых результатов измерения, от 1 до 100"),
    Row(P RezTemperature, "RezTemperature", K::Real, G::ServiceRegisters2, 22, -50, 300, T, H, 3122, E::Single, 60, 136,
        kService2, "RezTemperature", "Температура внутри резервуара, от -50 до +300 °С"),
    Row(P RezPressure, "RezPressure", K::Real, G::ServiceRegisters2, 101, 80, 2500, T, H, 3124, E::Single, 61, 137,
        kService2, "RezPressure", "Давление внутри резервуара, от 80 до 2500 кПа"),
    Row(P DPG, "DPG", K::Real, G::ServiceRegisters2, 1.00059, 1, 1.1, T, H, 3126, E::Single, 62, 138,
        kService2, "DPG", "Диэлектрическая проницаемость газа, от 1,0 до 1,1"),

    // Bad zones.
    Row(P CountBadZones, "CountBadZones", K::Word, G::BadZones, 1, 1, 5, T, H, 3128, E::Word, 75, 151,
        kBadZones, "CountBadZones", "Количество плохих зон, шт от 1 до 5"),

    // Functional registers.
    Row(P SignalAccumulation, "SignalAccumulation", K::Word, G::FunctionalRegisters, 0, 0, 1, T, H, 3200, E::Word, 64, 140,
        kFunctional, "SignalAccumulation", "Накопление отсчетов сигнала"),
    Row(P WindowEnabled, "WindowEnabled", K::Word, G::FunctionalRegisters, 2, 0, 2, T, H, 3201, E::Word, 65, 141,
        kFunctional, "WindowEnabled", "Применение оконной функции при вычислении спектра сигнала", "ОконнаяФункция"),
    Row(P AlgoritmType, "AlgoritmType", K::Word, G::FunctionalRegisters, 0, 0, 4, T, H, 3202, E::Word, 66, 142,
        kFunctional, "AlgoritmType", "Тип алгоритма обработки", "ТипАлгоритмаОбработки"),
    Row(P AveragingResults, "AveragingResults", K::Word, G::FunctionalRegisters, 0, 0, 1, T, H, 3203, E::Word, 67, 143,
        kFunctional, "AveragingResults", "Усреденение результатов измерения"),
    Row(P MedianFilter, "MedianFilter", K::Word, G::FunctionalRegisters, 0, 0, 1, T, H, 3204, E::Word, 68, 144,
        kFunctional, "MedianFilter", "Медианный фильтр"),
    Row(P ControlSpeed, "ControlSpeed", K::Word, G::FunctionalRegisters, 1, 0, 1, T, H, 3205, E::Word, 69, 145,
        kFunctional, "ControlSpeed", "Управление скоростью изменения показаний"),
    Row(P PredictionIntoBadZones, "PredictionIntoBadZones", K::Word, G::FunctionalRegisters, 0, 0, 2, T, H, 3206, E::Word, 70, 146,
        kFunctional, "PredictionIntoBadZones", "Учет мешающих отражений", "УчетМешающихОтражений"),
    Row(P ProcessingReflection, "ProcessingReflection", K::Word, G::FunctionalRegisters, 1, 0, 1, T, H, 3207, E::Word, 71, 147,
        kFunctional, "ProcessingReflection", "Обработка отражения от дна"),
    Row(P TempAndPresCorrection, "TempAndPresCorrection", K::Word, G::FunctionalRegisters, 1, 0, 1, T, H, 3208, E::Word, 72, 148,
        kFunctional, "TempAndPresCorrection", "Корректировка показаний по температуре и давлению в резервуаре"),
    Row(P MMPCorrection, "MMPCorrection", K::Word, G::FunctionalRegisters, 0, 0, 1, T, H, 3209, E::Word, 73, 149,
        kFunctional, "MMPCorrection", "Коррекция ММП"),
    Row(P EmptyTraining, "EmptyTraining", K::Word, G::FunctionalRegisters, 0, 0, 1, T, H, 3210, E::Word, 74, 150,
        kFunctional, "EmptyTraining", "Обучение на пустом резервуаре"),

    // Information registers: read only, input registers 3000 to 3030.
    Row(P HoldSettingsStart, "HoldSettingsStart", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3000, E::Word, -1, -1,
        nullptr, nullptr, "Регистры хранения настроек приемника и передатчика"),
    Row(P HoldSettingsLength, "HoldSettingsLength", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3001, E::Word, -1, -1),
    Row(P HoldNllsStart, "HoldNllsStart", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3002, E::Word, -1, -1,
        nullptr, nullptr, "Регистры хранения настроек алгоритма NLLS"),
    Row(P HoldNllsLength, "HoldNllsLength", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3003, E::Word, -1, -1),
    Row(P HoldAltStart, "HoldAltStart", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3004, E::Word, -1, -1,
        nullptr, nullptr, "Регистры хранения настроек альтернативного алгоритма"),
    Row(P HoldAltLength, "HoldAltLength", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3005, E::Word, -1, -1),
    Row(P HoldAllUserNumbReg, "HoldAllUserNumbReg", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3006, E::Word, -1, -1,
        nullptr, nullptr, "Общих пользовательских настроек"),
    Row(P Hold35xUserNumbReg, "Hold35xUserNumbReg", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3007, E::Word, -1, -1,
        nullptr, nullptr, "Пользовательских настроек"),
    Row(P HoldAllServNumbReg, "HoldAllServNumbReg", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3008, E::Word, -1, -1,
        nullptr, nullptr, "Общих сервисных настроек"),
    Row(P Hold35xSoftNumbReg, "Hold35xSoftNumbReg", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3009, E::Word, -1, -1,
        nullptr, nullptr, "Сервисных программных настроек"),
    Row(P Hold35xHardNumbReg, "Hold35xHardNumbReg", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3010, E::Word, -1, -1,
        nullptr, nullptr, "Сервисных аппаратных настроек"),
    Row(P HoldFuncNumbReg, "HoldFuncNumbReg", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3011, E::Word, -1, -1,
        nullptr, nullptr, "Сервисных командных настроек"),
    Row(P FreqsStart, "FreqsStart", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3012, E::Word, -1, -1,
        nullptr, nullptr, "Регистры хранения результатов алгоритма NLLS"),
    Row(P FreqsLength, "FreqsLength", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3013, E::Word, -1, -1),
    Row(P SCLK, "SCLK", K::LongWord, G::InformationRegisters, 0, 0, 4294967295.0, T, I, 3014, E::LongWord, -1, -1,
        nullptr, nullptr, "Системная тактовая частота процессора"),
    Row(P TCLKDIV, "TCLKDIV", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3016, E::Word, -1, -1,
        nullptr, nullptr, "Делитель  для передачи данных через SPORT"),
    Row(P RCLKDIV, "RCLKDIV", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3017, E::Word, -1, -1,
        nullptr, nullptr, "Делитель  для приема данных через SPORT"),
    Row(P NSamples, "NSamples", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3018, E::Word, -1, -1,
        nullptr, nullptr, "Количество ступенек на период модуляции"),
    Row(P Nfft, "Nfft", K::Word, G::InformationRegisters, 0, 0, kWordMax, T, I, 3019, E::Word, -1, -1,
        nullptr, nullptr, "Длина дискретного преобразования Фурье"),
    Row(P Ampl, "Ampl", K::Word, G::InformationRegisters, 1, 0, 255, T, I, 3020, E::Word, -1, -1,
        nullptr, nullptr, "Усиление"),
    Row(P FreqRating, "FreqRating", K::Real, G::InformationRegisters, 0, 0, kInf, T, I, 3021, E::Single, -1, -1,
        nullptr, nullptr, "Оценка частоты биения"),
    Row(P TimeStamp, "TimeStamp", K::Int64, G::InformationRegisters, 0, 0, kInt64Max, T, I, 3023, E::Int64, -1, -1,
        nullptr, nullptr, "Время считывания с АЦП"),
    Row(P TimeUsed, "TimeUsed", K::Int64, G::InformationRegisters, 0, 0, kInt64Max, T, I, 3027, E::Int64, -1, -1,
        nullptr, nullptr, "Количество тактов на вычисление результата"),

    // Array read-out and modes.
    Row(P ControlCommandRequest, "ControlCommandRequest", K::Word, G::ArrayAndModes, 0, 0, kWordMax, 0, I, 10000, E::Word, -1, -1),
    Row(P ControlCommandAnswer, "ControlCommandAnswer", K::Word, G::ArrayAndModes, 0, 0, kWordMax, T, I, 10001, E::Word, -1, -1),
    Row(P Usil, "Usil", K::Word, G::ArrayAndModes, 0, 0, kWordMax, pfNoSetter, N, -1, E::None, -1, -1),
    Row(P ModePrediction, "ModePrediction", K::Byte, G::ArrayAndModes, 0, 0, 2, 0, N, -1, E::None, -1, -1),
    Row(P ProgonMode, "ProgonMode", K::Integer, G::ArrayAndModes, 5, kIntMin, kIntMax, pfOnlyIfDifferent, N, -1, E::None, -1, -1),
};
// clang-format on
#undef P

static_assert(std::size(kTable) == kPropertyCount, "one row per property");

constexpr bool RowsInOrder()
{
    for (int i = 0; i < kPropertyCount; ++i)
        if (static_cast<int>(kTable[i].Id) != i)
            return false;
    return true;
}
static_assert(RowsInOrder(), "rows in the order of TProp");

constexpr TBlockInfo kBlocks[] = {
    {4, -1, I, 0, 15, 0, 0},          {5, 82, H, 1000, 13, 1000, 13},
    {15, 93, H, 2000, 10, 2002, 8},   {24, -1, I, 3000, 35, 0, 0},
    {25, -1, I, 3031, 4, 0, 0},       {26, 102, H, 3000, 19, 3000, 19},
    {44, 120, H, 3100, 28, 3100, 28}, {63, 139, H, 3200, 11, 3200, 11},
    {76, 152, H, 3128, 41, 3128, 41}, {77, -1, I, 10000, 2, 0, 0},
};

constexpr TWriteAlias kAliases[] = {
    {88, TProp::Speed, 1160},
    {96, TProp::PlantNumberNew, 2002},
};

constexpr TServiceParameter Param(int id, TProp p, int write, int read)
{
    return TServiceParameter{id, false, p, TBadZoneValue::NearBound, 0, write, read};
}
constexpr TServiceParameter ZoneParam(TBadZoneValue v, int zone)
{
    const int k = static_cast<int>(v);
    return TServiceParameter{
        20 + 10 * k + zone - 1, true, TProp::Hmax, v, zone, 188 + 5 * k + zone - 1,
        227 + 5 * k + zone - 1};
}

using Z = TBadZoneValue;
constexpr TServiceParameter kServiceParameters[] = {
    Param(0, TProp::KrPer, 181, 221),
    Param(1, TProp::SmPer, 182, 222),
    Param(2, TProp::Hmax, 183, 223),
    Param(3, TProp::Lmax, 184, 224),
    Param(4, TProp::KKalman, 185, 225),
    Param(6, TProp::Speed, 186, 226),
    Param(10, TProp::LevelKalibr, 187, -1),
    ZoneParam(Z::NearBound, 1),
    ZoneParam(Z::NearBound, 2),
    ZoneParam(Z::NearBound, 3),
    ZoneParam(Z::NearBound, 4),
    ZoneParam(Z::NearBound, 5),
    ZoneParam(Z::FarBound, 1),
    ZoneParam(Z::FarBound, 2),
    ZoneParam(Z::FarBound, 3),
    ZoneParam(Z::FarBound, 4),
    ZoneParam(Z::FarBound, 5),
    ZoneParam(Z::FillSpeed, 1),
    ZoneParam(Z::FillSpeed, 2),
    ZoneParam(Z::FillSpeed, 3),
    ZoneParam(Z::FillSpeed, 4),
    ZoneParam(Z::FillSpeed, 5),
    ZoneParam(Z::DrainSpeed, 1),
    ZoneParam(Z::DrainSpeed, 2),
    ZoneParam(Z::DrainSpeed, 3),
    ZoneParam(Z::DrainSpeed, 4),
    ZoneParam(Z::DrainSpeed, 5),
    Param(60, TProp::KrFChH, 208, 247),
    Param(61, TProp::SmFChH, 209, 248),
    Param(62, TProp::Radius, 210, 249),
    Param(63, TProp::FreqNes, 211, 250),
    Param(64, TProp::FreqDev, 212, 251),
    Param(65, TProp::ODPM, 213, 252),
};

} // namespace

int TPropertyInfo::Words() const
{
    switch (Encoding) {
    case TEncoding::Word:
    case TEncoding::SignedWord:
        return 1;
    case TEncoding::Single:
    case TEncoding::LongWord:
        return 2;
    case TEncoding::Int64:
        return 4;
    case TEncoding::None:
        break;
    }
    return 0;
}

std::span<const TPropertyInfo> PropertyTable()
{
    return kTable;
}

const TPropertyInfo &PropertyInfo(TProp id)
{
    return kTable[static_cast<int>(id)];
}

const TPropertyInfo *FindPropertyByName(const char *name)
{
    for (const TPropertyInfo &p : kTable)
        if (std::strcmp(p.Name, name) == 0)
            return &p;
    return nullptr;
}

const TPropertyInfo *FindPropertyByReadCode(int code)
{
    for (const TPropertyInfo &p : kTable)
        if (p.ReadCode == code)
            return &p;
    return nullptr;
}

const TPropertyInfo *FindPropertyByWriteCode(int code)
{
    for (const TPropertyInfo &p : kTable)
        if (p.WriteCode == code)
            return &p;
    return nullptr;
}

const TPropertyInfo *FindPropertyByAddress(TRegisterSpace space, int address)
{
    for (const TPropertyInfo &p : kTable)
        if (p.Space == space && p.Address == address)
            return &p;
    return nullptr;
}

double KindMinimum(TValueKind kind)
{
    switch (kind) {
    case TValueKind::SignedWord:
        return -32768;
    case TValueKind::Int64:
        return -kInt64Max - 1;
    case TValueKind::Integer:
        return kIntMin;
    case TValueKind::Real:
        return -kInf;
    default:
        return 0;
    }
}

double KindMaximum(TValueKind kind)
{
    switch (kind) {
    case TValueKind::Byte:
        return 255;
    case TValueKind::Word:
        return kWordMax;
    case TValueKind::SignedWord:
        return 32767;
    case TValueKind::LongWord:
        return 4294967295.0;
    case TValueKind::Int64:
        return kInt64Max;
    case TValueKind::Integer:
        return kIntMax;
    case TValueKind::Real:
        return kInf;
    }
    return 0;
}

std::span<const TBlockInfo> BlockTable()
{
    return kBlocks;
}

const TBlockInfo *FindBlockByReadCode(int code)
{
    for (const TBlockInfo &b : kBlocks)
        if (b.ReadCode == code)
            return &b;
    return nullptr;
}

const TBlockInfo *FindBlockByWriteCode(int code)
{
    for (const TBlockInfo &b : kBlocks)
        if (b.WriteCode == code)
            return &b;
    return nullptr;
}

int BadZoneAddress(TBadZoneValue value, int zone)
{
    return 3129 + 10 * static_cast<int>(value) + 2 * (zone - 1);
}

std::span<const TWriteAlias> WriteAliasTable()
{
    return kAliases;
}

std::span<const TServiceParameter> ServiceParameterTable()
{
    return kServiceParameters;
}

} // namespace tals
