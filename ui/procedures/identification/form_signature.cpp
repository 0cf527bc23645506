#include "ui/procedures/identification/form_signature.h"

#include "ui/application/window_position.h"
#include "ui/controls/device_picture.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace tals {

namespace {

// The rows: caption, the value label's name and the field it shows.
struct TRow
{
    const char *caption;
    const char *name;
    QString TTals35xISignature::*field;
};

const TRow kRows[] = {
    {"УСТРОЙСТВО (DEVICE)", "lblDevice", &TTals35xISignature::Device},
    {"НАЗВАНИЕ УСТРОЙСТВА (DEVICE NAME)", "lblDeviceName", &TTals35xISignature::DeviceName},
    {"ТИП УСТРОЙСТВА (DEVICE TYPE)", "lblDeviceType", &TTals35xISignature::DeviceType},
    {"ЗАВОДСКОЙ НОМЕР (PLANT NUMBER)", "lblPlantNumber", &TTals35xISignature::PlantNumber},
    {"ВЕРСИЯ АППАРАТНОЙ ЧАСТИ (HARD VERSION)", "lblHardVersion", &TTals35xISignature::HardVersion},
    {"ВЕРСИЯ ПРОГРАММНОЙ ЧАСТИ (SOFT VERSION)", "lblSoftVersion", &TTals35xISignature::SoftVersion},
    {"ПРЕДПРИЯТИЕ ИЗГОТОВИТЕЛЬ (MANUFACTURED)", "lblManufactured",
     &TTals35xISignature::Manufactured},
    {"САЙТ ТЕХПОДДЕРЖКИ (SITE)", "lblSite", &TTals35xISignature::Site},
};

QLabel *NewValue(const char *name)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(150);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TFormSignature::TFormSignature(TSource source, QWidget *parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source))
{
    setObjectName(QStringLiteral("FormSignature"));
    setWindowTitle(QStringLiteral("Идентификационные данные прибора"));
    setWindowModality(Qt::ApplicationModal);

    auto *rows = new QGridLayout;
    int r = 0;
    for (const TRow &row : kRows) {
        rows->addWidget(new QLabel(QString::fromUtf8(row.caption)), r, 0);
        QLabel *value = NewValue(row.name);
        m_values << value;
        rows->addWidget(value, r++, 1);
    }

    auto *program = new QGroupBox(QStringLiteral("Идентификационные данные прибора"));
    program->setObjectName(QStringLiteral("gbProgram"));
    auto *programRows = new QGridLayout(program);
    programRows->addWidget(new QLabel(QStringLiteral("Программа ТАЛС 35xИ")), 0, 0);
    QLabel *name = NewValue("lblProgramName");
    name->setText(ProgramDesignation());
    programRows->addWidget(name, 0, 1);
    programRows->addWidget(new QLabel(QStringLiteral("Номер версии программы ТАЛС 35xИ")), 1, 0);
    m_lblProgramVersion = NewValue("lblProgramVersion");
    programRows->addWidget(m_lblProgramVersion, 1, 1);
    programRows->addWidget(new QLabel(QStringLiteral("Контрольная сумма программы ТАЛС 35xИ")), 2,
                           0);
    m_lblProgramCrc = NewValue("lblProgramCrc");
    programRows->addWidget(m_lblProgramCrc, 2, 1);

    m_picture = new TDevicePicture;
    m_picture->setObjectName(QStringLiteral("imgDevice"));

    auto *left = new QVBoxLayout;
    left->addLayout(rows);
    left->addWidget(program);
    left->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_picture);
    layout->addLayout(left, 1);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    if (m_source)
        SetSignature(m_source());
    resize(640, 330);
    RestoreWindowPlacement(*this);
}

QString TFormSignature::ProgramDesignation()
{
    return QStringLiteral("ВПО ТАЛС35xИ");
}

void TFormSignature::SetSignature(const TTals35xISignature &signature)
{
    for (int i = 0; i < m_values.size(); ++i)
        m_values[i]->setText(signature.*kRows[i].field);
    m_lblProgramVersion->setText(signature.SoftVersion);
    m_lblProgramCrc->setText(signature.crc);
    m_picture->SetKind(DevicePictureKind(signature.DeviceType));
}

void TFormSignature::Reopened()
{
    if (m_source)
        SetSignature(m_source());
}

void TFormSignature::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

} // namespace tals
