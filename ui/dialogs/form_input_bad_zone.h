#pragma once

// The entry dialog for the four values of one bad (interference) zone.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tals {

class TBadZone;
class TEditNum;

// The values the dialog edits, taken from and put back into one zone of
// the device model: its description and its four value holders.
struct TBadZoneValues
{
    QString Hint;          // the zone's description, e.g. "1.Плохая зона"
    double NearBound = 0;  // mm from the flange
    double FarBound = 0;   // mm from the flange
    double FillSpeed = 0;  // mm/s
    double DrainSpeed = 0; // mm/s
};

class TFormInputBadZone : public QDialog
{
    Q_OBJECT

public:
    explicit TFormInputBadZone(QWidget *parent = nullptr);

    // Shows the zone; each edit brings its value into its limits.
    void Load(const TBadZoneValues &zone);
    // The four edits' values (the hint is left as it is).
    void Store(TBadZoneValues &zone) const;

    QLabel *lblHint = nullptr;
    TEditNum *enValue1 = nullptr;
    TEditNum *enValue2 = nullptr;
    TEditNum *enSpeedInc = nullptr;
    TEditNum *enSpeedDec = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

public slots:
    // Confirms every edit (bringing it into its limits) and closes with OK.
    void accept() override;
};

// True on OK, after the zone's four values have been replaced; false on
// cancel, zone unchanged.
bool InputBadZone(TBadZoneValues &zone);
// The same for a zone of the device model: shows the hint of its description
// and its holders' outputs; on OK sets NearBound, FarBound, FillSpeed and
// DrainSpeed, in this order.
bool InputBadZone(TBadZone &zone);

} // namespace tals
