#include "ui/dialogs/form_input_bad_zone.h"

#include "device/tals352.h"
#include "ui/controls/edit_num.h"
#include "ui/dialogs/form_input_double.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tals {

namespace {

TEditNum *MakeEdit(QWidget *parent, const char *name, double minimum, double maximum)
{
    auto *edit = new TEditNum(parent);
    edit->setObjectName(QLatin1String(name));
    edit->SetFormat(ffGeneral);
    edit->SetPrecision(15);
    edit->SetCheckRange(true);
    edit->SetRange(minimum, maximum);
    return edit;
}

} // namespace

TFormInputBadZone::TFormInputBadZone(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormInputBadZone"));
    setWindowTitle(QStringLiteral("Введите параметры плохой зоны"));

    lblHint = new QLabel(QStringLiteral("Описание"), this);
    lblHint->setObjectName(QStringLiteral("lblHint"));

    auto *bounds = new QGroupBox(QStringLiteral("Границы плохой зоны"), this);
    bounds->setObjectName(QStringLiteral("gbBounds"));
    enValue1 = MakeEdit(bounds, "enValue1", 0, 30000);
    enValue2 = MakeEdit(bounds, "enValue2", 0, 30000);
    auto *boundsLayout = new QFormLayout(bounds);
    boundsLayout->addRow(QStringLiteral("Ближняя от фланца граница, мм"), enValue1);
    boundsLayout->addRow(QStringLiteral("Дальняя от фланца граница, мм"), enValue2);

    auto *speeds = new QGroupBox(QStringLiteral("Скорости"), this);
    speeds->setObjectName(QStringLiteral("gbSpeeds"));
    enSpeedInc = MakeEdit(speeds, "enSpeedInc", 0.01, 99.9999);
    enSpeedDec = MakeEdit(speeds, "enSpeedDec", 0.01, 99.9999);
    auto *speedsLayout = new QFormLayout(speeds);
    speedsLayout->addRow(QStringLiteral("Налива, мм/с"), enSpeedInc);
    speedsLayout->addRow(QStringLiteral("Слива, мм/с"), enSpeedDec);

    btnOK = MakeOkButton(*this);
    btnCancel = MakeCancelButton(*this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHint);
    layout->addWidget(bounds);
    layout->addWidget(speeds);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    enValue1->setFocus();
}

void TFormInputBadZone::Load(const TBadZoneValues &zone)
{
    lblHint->setText(zone.Hint);
    enValue1->SetValue(zone.NearBound);
    enValue2->SetValue(zone.FarBound);
    enSpeedInc->SetValue(zone.FillSpeed);
    enSpeedDec->SetValue(zone.DrainSpeed);
}

void TFormInputBadZone::Store(TBadZoneValues &zone) const
{
    zone.NearBound = enValue1->Value();
    zone.FarBound = enValue2->Value();
    zone.FillSpeed = enSpeedInc->Value();
    zone.DrainSpeed = enSpeedDec->Value();
}

void TFormInputBadZone::accept()
{
    // A value typed beyond an edit's limits is brought to the nearer limit,
    // as Enter in the edit would do.
    for (TEditNum *edit : {enValue1, enValue2, enSpeedInc, enSpeedDec})
        edit->SetValue(edit->Value());
    QDialog::accept();
}

bool InputBadZone(TBadZoneValues &zone)
{
    TFormInputBadZone dialog;
    dialog.Load(zone);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Store(zone);
    return true;
}

bool InputBadZone(TBadZone &zone)
{
    TBadZoneValues values;
    values.Hint = zone.Description.Hint;
    values.NearBound = zone.NearBound.Output().ToDouble();
    values.FarBound = zone.FarBound.Output().ToDouble();
    values.FillSpeed = zone.FillSpeed.Output().ToDouble();
    values.DrainSpeed = zone.DrainSpeed.Output().ToDouble();
    if (!InputBadZone(values))
        return false;
    zone.NearBound.SetValue(TVariant(values.NearBound));
    zone.FarBound.SetValue(TVariant(values.FarBound));
    zone.FillSpeed.SetValue(TVariant(values.FillSpeed));
    zone.DrainSpeed.SetValue(TVariant(values.DrainSpeed));
    return true;
}

} // namespace tals
