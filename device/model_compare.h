#pragma once

// Comparison of two transducer models as the device keeps them: every
// register the write-all writes (the current level aside, which it always
// sends as 0) and the values of the bad zones in use, reals compared as the
// singles the registers hold. Used before a write, to show what it would
// change, and to compare parameter files.

#include "device/register_table.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <span>

namespace tals {

class Ttals352;

// The user registers only, or with the service registers and the bad zones
// (what the write-all writes in full-access mode).
enum class TCompareScope { User, All };

struct TModelDifference
{
    QString Caption; // as the parameters window names it
    QString Name;    // the property, or "BadZone2.FarBound" for a zone value
    double Ours = 0;
    double Theirs = 0;
    TEncoding Encoding = TEncoding::Word; // how the register keeps the value
    int WriteCode = -1;                   // the block write that carries it
};

// A comparison as it is shown: what was compared with what, and the list.
struct TComparison
{
    QString Title;       // the window's heading
    QString OursTitle;   // the side of our values ("Программа", a file's name)
    QString TheirsTitle; // the other side ("Прибор", a file's name)
    QList<TModelDifference> Differences;
    QString Device; // the device compared with, see CompareDeviceText; empty for two files
    QDateTime Time; // when the comparison was made
};

// The registers that make a device's identity (system address, plant number):
// a write of all registers leaves them to their own commands.
bool IsIdentityRegister(const QString &name);

// "адрес 1, заводской номер 1234, ТАЛС352И": the device the model addresses.
QString CompareDeviceText(const Ttals352 &model);

// The block writes of the write-all in their order, as far as the scope reaches.
std::span<const int> CompareBlockWrites(TCompareScope scope);
// The block reads that fill a model with everything the scope compares.
std::span<const int> CompareBlockReads(TCompareScope scope);

// The operator's name of a block read or write of those lists
// ("Считать пользовательские регистры"), empty for another code.
QString BlockCommandText(int code);

// Every compared value that differs, in register order.
QList<TModelDifference> CompareModels(const Ttals352 &ours, const Ttals352 &theirs,
                                      TCompareScope scope);

// Every register the scope's block writes carry, in register order, with the
// model's value on both sides: what a write of everything puts into the device.
QList<TModelDifference> CarriedRegisters(const Ttals352 &model, TCompareScope scope);

// Whether a register would keep both values alike.
bool SameStoredValue(TEncoding encoding, double a, double b);
// The value as the register keeps it, with the fewest digits that give it
// back: integers without fraction, singles as the shortest exact text.
QString StoredValueText(TEncoding encoding, double value,
                        QChar decimalSeparator = QLatin1Char('.'));

// The list as tab-separated lines (caption, name, the two values) under a
// header line naming the two sides; for the clipboard and the tool.
QString DifferencesText(const QList<TModelDifference> &differences, const QString &oursTitle,
                        const QString &theirsTitle, QChar decimalSeparator = QLatin1Char('.'));

// Copies every value the scope compares from one model into another through
// the setters, the bad-zone count before the zones.
void CopyComparedValues(const Ttals352 &from, Ttals352 &to, TCompareScope scope);

} // namespace tals
