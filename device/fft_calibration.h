#pragma once

// The rules of the FFT calibration over the model's FFT table
// (CalibrTable, CalibrMode points): the current point of a free-space
// reading, the capture, the least-squares fit of KrPer and SmPer, the
// residual of every point under the present coefficients and the texts of
// the calibration grid. Shared with the MMP calibration (mmp_calibration.h),
// whose table is laid out the same way. Widget-free.

#include <QString>

#include <initializer_list>
#include <vector>

namespace tals {

class Ttals352;
struct TCalibrTable;

// Points in use: count limited to 0..5.
int CalibrPointCount(int count);

// The first point 1..count whose set value lies within the tolerance of the
// reading (both ends included), or 0.
int CalibrCurrentPoint(const TCalibrTable &table, int count, double reading);

// The current point takes the reading as its measured value; returns the
// point (1..5) or 0 when no point is within the tolerance (nothing changes).
int CaptureCalibrPoint(TCalibrTable &table, int count, double reading);

// The straight line set = Slope * raw + Offset through the points, where
// raw = (measured - offset) / slope is the raw value behind each reading.
struct TCalibrFit
{
    bool Ok = false; // false: fewer than two points, or all raw values equal
    double Slope = 0;
    double Offset = 0;
};
TCalibrFit FitCalibrLine(const TCalibrTable &table, int count, double slope, double offset);

// "Вычислить" of the FFT group: the fit over CalibrMode points from the
// coefficients the captures were taken under: the present KrPer and SmPer
// (copied into the previous slope and offset), or, when the table is the one
// the last fit used, the coefficients that fit started from. Both
// coefficients are set, or neither when one lies outside its range.
struct TFftFitOutcome
{
    TCalibrFit Fit;
    bool Applied = false;
    bool Repeated = false; // computed again over the captures of the last fit
    QString Refusal;       // why the fit was not applied, for a message
};
TFftFitOutcome FitFftCalibration(Ttals352 &model);

// A computed coefficient against its setter's range.
struct TCalibrRangeCheck
{
    QString Name;
    double Value = 0;
    double Minimum = 0;
    double Maximum = 0;
};
// "Крутизна ... = 1,8 вне диапазона от 0,1 до 1,5.\rКоэффициенты не изменены."
// for the first value outside its range; empty when all fit.
QString CalibrRangeRefusal(std::initializer_list<TCalibrRangeCheck> checks);

// One point of the residual chart.
struct TCalibrResidual
{
    double Set = 0;   // X: the set value
    double Error = 0; // Y: the point's error under the present coefficients, mm
};
// Error_i = sm + kr * (measured_i - prevSm) / prevKr - set_i, in ascending set
// value; empty while prevKr is 0 (no fit yet).
std::vector<TCalibrResidual> CalibrResiduals(const TCalibrTable &table, int count, double kr,
                                             double sm, double prevKr, double prevSm);
// The same from the model's present and previous coefficients.
std::vector<TCalibrResidual> FftResiduals(const Ttals352 &model);
// Whether any residual lies beyond the fixed chart range of +/-3.5 mm.
bool ResidualsBeyondFixedRange(const std::vector<TCalibrResidual> &points);
inline constexpr double kResidualFixedRange = 3.5;

// The report's rows 1..5: row k takes the point with the k-th largest set
// value; rows past the points are empty (Valid false).
struct TCalibrReportRow
{
    bool Valid = false;
    double Set = 0;
    double Measured = 0; // set + error
    double Error = 0;
};
std::vector<TCalibrReportRow> CalibrReportRows(const std::vector<TCalibrResidual> &points);

// Grid texts: the set value without decimals, the measured value with one,
// up to 9 significant digits.
QString CalibrSetText(double value);
QString CalibrMeasuredText(double value);
// The first "." and the first "," of an edited cell become the locale's
// decimal separator.
QString NormaliseDecimalText(const QString &text);
// Parses one grid row back into point 1..5 (column 1 the set value, column 2
// the measured value); a cell that does not parse leaves its value.
void ParseCalibrRow(TCalibrTable &table, int point, const QString &setText,
                    const QString &measuredText);

// Fine-tuning steps of the calibration windows.
inline constexpr double kSmPerStep = 0.1;
inline constexpr double kKrPerStep = 0.001;

} // namespace tals
