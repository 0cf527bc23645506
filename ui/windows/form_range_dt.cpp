#include "ui/windows/form_range_dt.h"

#include "platform/dialogs.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace tals {

namespace {

constexpr double kOneSecond = 1.0 / SecondsPerDay;

QGroupBox *PeriodGroup(const QString &title, const char *name, QDateEdit *&date, QTimeEdit *&time)
{
    auto *group = new QGroupBox(title);
    group->setObjectName(QLatin1String(name));
    date = new QDateEdit;
    date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    date->setCalendarPopup(false);
    time = new QTimeEdit;
    time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    auto *form = new QFormLayout(group);
    form->addRow(QStringLiteral("Дата:"), date);
    form->addRow(QStringLiteral("Время:"), time);
    return group;
}

QTime TimeOfDay(TDateTime t)
{
    return QTime::fromMSecsSinceStartOfDay(int(std::llround(TimeOf(t) * MSecsPerDay)) % 86400000);
}

} // namespace

TFormRangeDT::TFormRangeDT(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormRangeDT"));
    setWindowTitle(QStringLiteral("Временной диапазон"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);

    QGroupBox *start =
        PeriodGroup(QStringLiteral(" Начало периода "), "gbStart", dtpStartDate, dtpStartTime);
    QGroupBox *stop =
        PeriodGroup(QStringLiteral(" Конец периода "), "gbStop", dtpStopDate, dtpStopTime);
    dtpStartDate->setObjectName(QStringLiteral("dtpStartDate"));
    dtpStartTime->setObjectName(QStringLiteral("dtpStartTime"));
    dtpStopDate->setObjectName(QStringLiteral("dtpStopDate"));
    dtpStopTime->setObjectName(QStringLiteral("dtpStopTime"));

    auto *interval = new QGroupBox(QStringLiteral("Интервал"));
    interval->setObjectName(QStringLiteral("gbInterval"));
    cbInterval = new QComboBox;
    cbInterval->setObjectName(QStringLiteral("cbInterval"));
    cbInterval->addItems({QStringLiteral("Произвольный период"), QStringLiteral("Сутки"),
                          QStringLiteral("Неделя"), QStringLiteral("Месяц"),
                          QStringLiteral("Год")});
    (new QVBoxLayout(interval))->addWidget(cbInterval);

    btnOK = new QPushButton(QStringLiteral("OK"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отменить"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &TFormRangeDT::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TFormRangeDT::reject);

    auto *periods = new QHBoxLayout;
    periods->addWidget(start);
    periods->addWidget(stop);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(periods);
    layout->addWidget(interval);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cbInterval, &QComboBox::currentIndexChanged, this, &TFormRangeDT::OnIntervalChosen);
    for (QDateEdit *d : {dtpStartDate, dtpStopDate})
        connect(d, &QDateEdit::dateChanged, this, &TFormRangeDT::OnPickerEdited);
    for (QTimeEdit *t : {dtpStartTime, dtpStopTime})
        connect(t, &QTimeEdit::timeChanged, this, &TFormRangeDT::OnPickerEdited);
}

void TFormRangeDT::SetRange(TDateTime start, TDateTime stop, TDateTime now)
{
    m_setting = true;
    const TDateTime today = DateOf(now);
    dtpStartDate->setDate(ToQDate(DateOf(start) != 0 ? DateOf(start) : today - 1));
    dtpStartTime->setTime(TimeOf(start) >= kOneSecond ? TimeOfDay(start) : TimeOfDay(now));
    dtpStopDate->setDate(ToQDate(DateOf(stop) != 0 ? DateOf(stop) : today));
    dtpStopTime->setTime(TimeOf(stop) >= kOneSecond ? TimeOfDay(stop) : TimeOfDay(now));
    cbInterval->setCurrentIndex(0);
    m_setting = false;
}

TDateTime TFormRangeDT::Start() const
{
    const QDate d = dtpStartDate->date();
    return EncodeDate(d.year(), d.month(), d.day()) +
           dtpStartTime->time().msecsSinceStartOfDay() / MSecsPerDay;
}

TDateTime TFormRangeDT::Stop() const
{
    const QDate d = dtpStopDate->date();
    return EncodeDate(d.year(), d.month(), d.day()) +
           dtpStopTime->time().msecsSinceStartOfDay() / MSecsPerDay;
}

void TFormRangeDT::OnIntervalChosen(int index)
{
    static const int days[] = {0, 1, 7, 30, 365};
    if (m_setting || index <= 0 || index > 4)
        return;
    m_setting = true;
    dtpStartDate->setDate(dtpStopDate->date().addDays(-days[index]));
    dtpStartTime->setTime(dtpStopTime->time());
    m_setting = false;
}

void TFormRangeDT::OnPickerEdited()
{
    if (m_setting)
        return;
    m_setting = true;
    cbInterval->setCurrentIndex(0);
    m_setting = false;
}

void TFormRangeDT::accept()
{
    if (Start() > Stop()) {
        Dialogs().Message(QStringLiteral("Неверный диапазон"), TDialogIcon::None,
                          AttentionCaption());
        return;
    }
    QDialog::accept();
}

bool RunRangeDialog(TDateTime &start, TDateTime &stop)
{
    TFormRangeDT dialog;
    dialog.SetRange(start, stop, Now());
    dialog.adjustSize();
    if (QScreen *screen = dialog.screen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    start = dialog.Start();
    stop = dialog.Stop();
    return true;
}

} // namespace tals
