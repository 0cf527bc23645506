#pragma once

// The list file INI/Parameters.ini in the program's folder and its sections:
// one section per register whose values the list boxes name.

#include <QString>

namespace tals {

class TiniComboBox;

// One list of register value texts: the device model property it describes
// and the section of Parameters.ini that holds its texts.
struct TParameterList
{
    const char *property;
    const char *section; // UTF-8
};

// Every list the program shows, in the order of the parameters window.
inline constexpr TParameterList kParameterLists[] = {
    {"CurrentOutput_Input", "ИсходныеДанныеТоковогоВыхода"},
    {"CurrentOutput_Range", "ДиапазонТоковогоВыхода"},
    {"CurrentOutput_ErrorValue", "ЗначениеТокаПриОшибке"},
    {"mbBaudRate", "СкоростьПередачиДанных"},
    {"mbParity", "БитПаритета"},
    {"CalibrModeTals", "ТипКалибровки"},
    {"ControlCommand", "УправляющаяКоманда"},
    {"PPMType", "ТипППМ"},
    {"ProgramType", "ТипПрибора"},
    {"ModulationType", "ТипЧастотнойМодуляции"},
    {"MDOS", "МультиплексорДиагностическогоВыхода"},
    {"Izns", "ТокЗарядовогоНасосаСинтезатора"},
    {"CountFixedFreqs", "ЧислоФиксированныхЧастот"},
    {"CountFreqs", "ЧислоЧастот"},
    {"AlgoritmType", "ТипАлгоритмаОбработки"},
    {"WindowEnabled", "ОконнаяФункция"},
    {"PredictionIntoBadZones", "УчетМешающихОтражений"},
};

// The section of the list for a device model property ("mbBaudRate"), or an
// empty string for a property without a list.
QString ParameterListSection(const QString &property);

// INI/Parameters.ini in the program's folder (found without regard to case).
QString ParametersIniPath();

// Points the list box at Parameters.ini and the property's section and
// loads its items; false when the file cannot be read.
bool LoadParameterList(TiniComboBox &box, const QString &property);

} // namespace tals
