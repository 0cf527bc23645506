#include "ui/windows/tals_par_pages.h"

namespace tals {

namespace {

using K = TParControlKind;
#define P TProp::
constexpr double M = kModelLimits;
constexpr double kBig = 1000000000;

// clang-format off
constexpr TParControl kIdentity[] = {
    {"enSystemAddress", P SystemAddress, K::Edit, 0, 0, 247},
};
constexpr TParControl kCapacity[] = {
    {"enHmax", P Hmax, K::Edit, 1, 0, 30000},
    {"enLmax", P Lmax, K::Edit, 1, 0, 30000},
};
constexpr TParControl kSignal[] = {
    {"enKKalman", P KKalman, K::Edit, 2, 0.01, 1},
    {"enSpeed", P Speed, K::Edit, 4, 0, 99.999},
};
constexpr TParControl kCurrentOutput[] = {
    {"icbCurrentOutput_Input", P CurrentOutput_Input, K::List},
    {"icbCurrentOutput_Range", P CurrentOutput_Range, K::List},
    {"icbCurrentOutput_ErrorValue", P CurrentOutput_ErrorValue, K::List},
};
constexpr TParGroup kUserGroups[] = {
    {"gbIdentity", "Идентификация прибора", kIdentity},
    {"gbCapacity", "Параметры емкости", kCapacity},
    {"gbSignal", "Сигнал", kSignal},
    {"gbCurrentOutput", "Параметры токового выхода", kCurrentOutput},
};
constexpr TParButton kUserButtons[] = {
    {"btnReadUserRegisters1", "Считать пользовательские регистры", "actReadUserRegisters1"},
    {"btnWriteUserRegisters1", "Записать пользовательские регистры", "actWriteUserRegisters1"},
};

// The calibration page: the registers of the two procedures.
constexpr TParControl kFft[] = {
    {"enKrPer", P KrPer, K::Edit, 6, 0.1, 1.5},
    {"enSmPer", P SmPer, K::Edit, 6, -10000, 10000},
    {"enDPG", P DPG, K::Edit, 6, 1, 1.1},
    {"chbTempAndPresCorrection", P TempAndPresCorrection, K::Check},
};
constexpr TParControl kAlgorithm[] = {
    {"icbAlgoritmType", P AlgoritmType, K::List, 0, 0, 0, ""},
};
constexpr TParControl kMmp[] = {
    {"enRadius", P Radius, K::Edit, 1, 10, 30000},
    {"enFreqNes", P FreqNes, K::Edit, 6, M, M},
    {"enFreqDev", P FreqDev, K::Edit, 6, M, M},
    {"enKrFChH", P KrFChH, K::Edit, 8, -2, 2},
    {"enSmFChH", P SmFChH, K::Edit, 3, -1000, 1000},
};
constexpr TParGroup kCalibrGroups[] = {
    {"gbFft", "Алгоритм БПФ ", kFft},
    {"gbAlgoritmType", "Тип алгоритма обработки", kAlgorithm},
    {"gbMmp", "Алгоритм \"ММП\"", kMmp},
};
constexpr TParButton kCalibrButtons[] = {
    {"bbtnReadCalibrParam", "Начать калибровку",
     "actReadCommonServiceRegisters actReadServiceRegisters2 actReadFunctionalRegisters",
     "Считать функциональные регистры"},
    {"bbtnWriteCalibrParam", "Завершить калибровку",
     "actWriteCommonServiceRegisters actWriteServiceRegisters2 actWriteFunctionalRegisters "
     "actCalibrModeWrite",
     "Записать функциональные регистры"},
};

constexpr TParControl kRegisterBlocks[] = {
    {nullptr, P HoldSettingsStart, K::TextPair},
    {nullptr, P HoldNllsStart, K::TextPair},
    {nullptr, P HoldAltStart, K::TextPair},
    {nullptr, P FreqsStart, K::TextPair},
};
constexpr TParControl kRegisterCounts[] = {
    {nullptr, P HoldAllUserNumbReg, K::Text},
    {nullptr, P Hold35xUserNumbReg, K::Text},
    {nullptr, P HoldAllServNumbReg, K::Text},
    {nullptr, P Hold35xHardNumbReg, K::Text},
    {nullptr, P Hold35xSoftNumbReg, K::Text},
    {nullptr, P HoldFuncNumbReg, K::Text},
};
constexpr TParControl kProcessor[] = {
    {nullptr, P SCLK, K::Text},
    {nullptr, P TCLKDIV, K::Text},
    {nullptr, P RCLKDIV, K::Text},
    {nullptr, P NSamples, K::Text},
    {nullptr, P Nfft, K::Text},
    {nullptr, P Ampl, K::Text},
    {nullptr, P FreqRating, K::TextNumber},
    {nullptr, P TimeStamp, K::Text},
    {nullptr, P TimeUsed, K::Text},
};
constexpr TParGroup kInformationGroups[] = {
    {"gbRegisterBlocks", "", kRegisterBlocks, "Начальный адрес", "Количество регистров"},
    {"gbRegisterCounts", "Количество регистров для хранения:", kRegisterCounts},
    {"gbProcessor", "", kProcessor},
};
constexpr TParButton kInformationButtons[] = {
    {"btnReadInformationRegisters", "Считать информационные регистры", "actReadInformationRegisters"},
};

constexpr TParControl kCommonService[] = {
    {"icbMbBaudRate", P mbBaudRate, K::List},
    {"icbMbParity", P mbParity, K::List},
    {"icbCalibrModeTals", P CalibrModeTals, K::List},
    {"icbControlCommand", P ControlCommand, K::List, 0, 0, 0, nullptr, true},
};
constexpr TParControl kModification[] = {
    {"enHardVersion", P HardVersionNumber, K::ReadOnlyEdit, 0, 0, 65535},
    {"enSoftVersion", P SoftVersionNumber, K::ReadOnlyEdit, 0, 0, 65535},
};
constexpr TParControl kPlantNumber[] = {
    {"enPlantNumber", P PlantNumber, K::Edit, 0, 0, 65535},
};
constexpr TParGroup kCommonServiceGroups[] = {
    {"gbCommonServiceRegisters", "Общие сервисные регистры", kCommonService},
    {"gbModification", "Модификация прибора", kModification},
    {"gbPlantNumber", "Заводской номер", kPlantNumber},
};
constexpr TParButton kCommonServiceButtons[] = {
    {"btnReadCommonServiceRegisters", "Считать общие сервисные регистры", "actReadCommonServiceRegisters"},
    {"btnWriteCommonServiceRegisters", "Записать общие сервисные регистры", "actWriteCommonServiceRegisters"},
};

constexpr TParControl kService1[] = {
    {"icbPPMType", P PPMType, K::List},
    {"enPPMNumber", P PPMNumber, K::Edit, 0, 0, 65535},
    {"icbProgramType", P ProgramType, K::List},
    {"chbWDActive", P WDActive, K::Check},
    {"chbWDUpdate", P WDUpdate, K::Check},
    {"enAmplification", P Amplification, K::Edit, 0, 0, 255},
    {"chbAutoControlAmplification", P AutoControlAmplification, K::Check},
    {"icbModulationType", P ModulationType, K::List},
    {"enCountSteps", P CountSteps, K::Edit, 0, M, M},
    {"icbMDOS", P MDOS, K::List},
    {"enFracDS", P FracDS, K::Edit, 0, 2, 4095},
    {"icbIzns", P Izns, K::List},
    {"enDSint", P DSint, K::Edit, 0, 23, 4095},
    {"enDSfrac", P DSfrac, K::Edit, 0, 0, kBig},
    // A signed word: the increment may be negative.
    {"enDSdelta", P DSdelta, K::Edit, 0, -32768, 32767,
     "Делитель синтезатора - приращение, от -32768 до 32767"},
    {"enFreqPeriod", P FreqPeriod, K::Edit, 3, M, M},
    {"enFreqValue", P FreqValue, K::Edit, 3, 12, 25},
};
constexpr TParGroup kService1Groups[] = {
    {"gbServiceRegisters1", "Сервисные регистры-1", kService1},
};
constexpr TParButton kService1Buttons[] = {
    {"btnReadServiceRegisters1", "Считать сервисные регистры - 1", "actReadServiceRegisters1"},
    {"btnWriteServiceRegisters1", "Записать сервисные регистры - 1", "actWriteServiceRegisters1"},
};

constexpr TParControl kService2[] = {
    {"enCountSkip", P CountSkip, K::Edit, 0, 5, kBig},
    {"enIncreaseFreqStep", P IncreaseFreqStep, K::Edit, 0, 1, kBig},
    {"icbCountFixedFreqs", P CountFixedFreqs, K::List},
    {"icbCountFreqs", P CountFreqs, K::List},
    {"chbWindowBlackmanEnabled", P WindowBlackmanEnabled, K::Check},
    {"enODPM", P ODPM, K::Edit, 1, 1.1, 100},
    {"enFreqBeg", P FreqBeg, K::Edit, 0, 0, kBig},
    {"enMUP", P MUP, K::Edit, 0, 20, 60},
    {"enCoundNOS", P CoundNOS, K::Edit, 0, 1, 100},
    {"enCoundNRI", P CoundNRI, K::Edit, 0, 1, 100},
    {"enRezTemperature", P RezTemperature, K::Edit, 1, -50, 300},
    {"enRezPressure", P RezPressure, K::Edit, 0, 80, 2500},
};
constexpr TParGroup kService2Groups[] = {
    {"gbServiceRegisters2", "Сервисные регистры-2", kService2},
};
constexpr TParButton kService2Buttons[] = {
    {"btnReadServiceRegisters2", "Считать сервисные регистры - 2", "actReadServiceRegisters2"},
    {"btnWriteServiceRegisters2", "Записать сервисные регистры - 2", "actWriteServiceRegisters2"},
};

constexpr TParControl kFunctional[] = {
    {"chbSignalAccumulation", P SignalAccumulation, K::Check},
    {"icbWindowEnabled", P WindowEnabled, K::List},
    {"chbAveragingResults", P AveragingResults, K::Check},
    {"chbMedianFilter", P MedianFilter, K::Check},
    {"chbControlSpeed", P ControlSpeed, K::Check},
    {"icbPredictionIntoBadZones", P PredictionIntoBadZones, K::List},
    {"chbProcessingReflection", P ProcessingReflection, K::Check},
    {"chbMMPCorrection", P MMPCorrection, K::Check},
    {"chbEmptyTraining", P EmptyTraining, K::Check},
};
constexpr TParGroup kFunctionalGroups[] = {
    {"gbFunctionalRegisters", "Функциональные регистры", kFunctional},
};
constexpr TParButton kFunctionalButtons[] = {
    {"btnReadFunctionalRegisters", "Считать функциональные регистры", "actReadFunctionalRegisters"},
    {"btnWriteFunctionalRegisters", "Записать функциональные регистры", "actWriteFunctionalRegisters"},
    {"btnTrainingModeStart", "Обучение на пустом резервуаре", "actTrainingModeStart"},
    {"btnCorrectionModeStart", "Коррекция ММП", "actCorrectionModeStart"},
    {"btnTrainingModeStop", "Завершить режим", "actTrainingModeStop"},
};

constexpr TParControl kBadZoneCount[] = {
    {"enCountBadZones", P CountBadZones, K::Edit, 0, 1, 5},
};
constexpr TParGroup kBadZoneGroups[] = {
    {"gbCountBadZones", "", kBadZoneCount},
};

constexpr TParPage kPages[] = {
    {"tsUserRegisters", "Пользовательские", TParPageShown::Always, kUserGroups, kUserButtons},
    {"tsCalibr", "Калибровка", TParPageShown::FullAccess, kCalibrGroups, kCalibrButtons},
    {"tsInformationRegisters", "Информационные", TParPageShown::FullAccess, kInformationGroups, kInformationButtons},
    {"tsCommonServiceRegisters", "Общие сервисные", TParPageShown::FullAccess, kCommonServiceGroups, kCommonServiceButtons},
    {"tsServiceRegisters1", "Сервисные-1", TParPageShown::FullAccess, kService1Groups, kService1Buttons},
    {"tsServiceRegisters2", "Сервисные-2", TParPageShown::FullAccess, kService2Groups, kService2Buttons},
    {"tsFunctionalRegisters", "Функциональные", TParPageShown::FullAccess, kFunctionalGroups, kFunctionalButtons},
    {"tsBadZones", "Плохие зоны", TParPageShown::FullAccess, kBadZoneGroups, {}},
    {"tsPlantParameters", "Заводские", TParPageShown::Never, {}, {}},
};

constexpr TProp kApplyOrder[] = {
    P SystemAddress, P PlantNumber,
    P Hmax, P Lmax, P KKalman, P Speed, P CurrentOutput_Input, P CurrentOutput_Range,
    P CurrentOutput_ErrorValue, P ControlCommand, P mbBaudRate, P mbParity, P CalibrModeTals,
    P KrPer, P SmPer, P PPMType, P PPMNumber, P ProgramType, P WDActive, P WDUpdate,
    P Amplification, P AutoControlAmplification, P ModulationType, P CountSteps, P MDOS,
    P FracDS, P Izns, P DSint, P DSfrac, P DSdelta, P FreqPeriod, P FreqValue, P CountSkip,
    P IncreaseFreqStep, P CountFixedFreqs, P CountFreqs, P WindowBlackmanEnabled, P KrFChH,
    P SmFChH, P Radius, P FreqNes, P FreqDev, P ODPM, P FreqBeg, P MUP, P CoundNOS, P CoundNRI,
    P RezTemperature, P RezPressure, P DPG, P SignalAccumulation, P WindowEnabled,
    P AlgoritmType, P AveragingResults, P MedianFilter, P ControlSpeed,
    P PredictionIntoBadZones, P ProcessingReflection, P TempAndPresCorrection,
    P MMPCorrection, P EmptyTraining, P CountBadZones,
};
// clang-format on
#undef P

} // namespace

std::span<const TParPage> ParameterPages()
{
    return kPages;
}

std::span<const TProp> ParameterApplyOrder()
{
    return kApplyOrder;
}

const char *CountStepsCaption(bool highFrequency)
{
    return highFrequency ? "Число шагов синтезатора по частоте: 512, 1024, 2048"
                         : "Число шагов синтезатора по частоте: 512, 1024";
}

} // namespace tals
