#pragma once

// The printed list of a comparison: heading, the two sides, the time of
// printing and the table of differences (caption, name, both values) over as
// many A4 landscape pages as it needs, each numbered.

#include "device/model_compare.h"

class QPrinter;
class QWidget;

namespace tals {

class TRepCompare
{
public:
    explicit TRepCompare(TComparison comparison);

    void Print(QPrinter &printer);
    // True when the file was written.
    bool SaveToPdf(const QString &path);
    // The print preview, modal until closed.
    void Preview(QWidget *parent = nullptr);

private:
    TComparison m_comparison;
};

} // namespace tals
