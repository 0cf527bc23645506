#pragma once

// The date-time range dialog "Временной диапазон": start and stop as date and
// time pickers, an interval list that sets the start from the stop, OK and
// "Отменить". A reversed range is refused with "Неверный диапазон".

#include "platform/date_time.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QPushButton;
class QTimeEdit;

namespace tals {

class TFormRangeDT : public QDialog
{
    Q_OBJECT

public:
    explicit TFormRangeDT(QWidget *parent = nullptr);

    // The pickers from the range: a date part of 0 means yesterday (start) or
    // today (stop), a time part below one second the current time of day.
    void SetRange(TDateTime start, TDateTime stop, TDateTime now);
    TDateTime Start() const;
    TDateTime Stop() const;

    QDateEdit *dtpStartDate = nullptr;
    QTimeEdit *dtpStartTime = nullptr;
    QDateEdit *dtpStopDate = nullptr;
    QTimeEdit *dtpStopTime = nullptr;
    QComboBox *cbInterval = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

public slots:
    void accept() override;

private:
    void OnIntervalChosen(int index);
    void OnPickerEdited();

    bool m_setting = false; // pickers set by code, not by hand
};

// Runs the dialog on the range; true on OK with the new bounds.
bool RunRangeDialog(TDateTime &start, TDateTime &stop);

} // namespace tals
