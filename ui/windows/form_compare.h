#pragma once

// The window "Сравнение параметров": the registers whose values differ
// between our side (the program's model or a parameter file) and the other
// (the device or a second file), one row each with caption, name and both
// values, under the device compared with and the time of the comparison. The list is copied to the
// clipboard as tab-separated text and printed as a table.

#include "device/model_compare.h"

#include <QWidget>

class QLabel;
class QTableWidget;

namespace tals {

// "Прибор: адрес 1, заводской номер 1234, ТАЛС352И; Сравнение: 11.12.2026 15:45:01".
QString ComparisonHeading(const TComparison &comparison);

class TFormCompare : public QWidget
{
    Q_OBJECT

public:
    explicit TFormCompare(QWidget *parent = nullptr);

    void SetComparison(const TComparison &comparison);
    const TComparison &Comparison() const { return m_comparison; }
    // The list as the clipboard gets it.
    QString ClipboardText() const;

public slots:
    void CopyToClipboard();
    void PrintList();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TComparison m_comparison;
    QLabel *m_title = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_device = nullptr;
    QTableWidget *m_table = nullptr;
};

} // namespace tals
