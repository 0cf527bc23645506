#include "ui/procedures/identification/form_about.h"

#include "ui/application/window_position.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace tals {

namespace {

QLabel *NewLine(const QString &text, const char *name, bool bold = false)
{
    auto *label = new QLabel(text);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignHCenter);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

} // namespace

TFormAbout::TFormAbout(QWidget *parent)
    : QWidget(parent, Qt::Window), m_version(BuildVersionRecord()), m_stamp(BuildTimeStamp())
{
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowModality(Qt::ApplicationModal);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(NewLine(QStringLiteral("Программа настройки"), "lblPurpose1"));
    layout->addWidget(
        NewLine(QStringLiteral("преобразователей уровня радиоволновых"), "lblPurpose2"));
    layout->addWidget(NewLine(QStringLiteral("серии ТАЛС35xИ (протокол ModBus)"), "lblPurpose3"));
    layout->addSpacing(8);
    layout->addWidget(NewLine(QStringLiteral("Tals35xI-Modbus"), "lblProductName", true));
    m_lblVersion = NewLine(QString(), "lblVersion");
    layout->addWidget(m_lblVersion);
    m_lblDate = NewLine(QString(), "lblDate");
    layout->addWidget(m_lblDate);

    auto *line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addSpacing(6);
    layout->addWidget(line);

    layout->addWidget(NewLine(QStringLiteral("Разработчики проекта tals35xi"), "lblMaker", true));
    layout->addWidget(NewLine(QStringLiteral("Обозначение программы: tals35xi"), "lblDesignation"));
    auto *contacts = new QGridLayout;
    const char *const rows[][3] = {
        {"Тел.:", "не указан", "lblPhone"},
        {"Факс:", "не указан", "lblFax"},
        {"E-mail:", "не указан", "lblEmail"},
        {"Интернет:", "см. файл README.md проекта", "lblSite"},
    };
    int r = 0;
    for (const auto &row : rows) {
        contacts->addWidget(new QLabel(QString::fromUtf8(row[0])), r, 0, Qt::AlignRight);
        auto *value = new QLabel(QString::fromUtf8(row[1]));
        value->setObjectName(QLatin1String(row[2]));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        contacts->addWidget(value, r++, 1);
    }
    contacts->setColumnStretch(1, 1);
    layout->addLayout(contacts);

    auto *ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("bbtnOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    layout->addSpacing(6);
    layout->addWidget(ok, 0, Qt::AlignHCenter);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    FillComputedLines();
    resize(380, 360);
    RestoreWindowPlacement(*this);
}

void TFormAbout::SetBuildInfo(const TVersionRecord &version, const QDateTime &stamp)
{
    m_version = version;
    m_stamp = stamp;
    FillComputedLines();
}

void TFormAbout::FillComputedLines()
{
    m_lblVersion->setText(QStringLiteral("Версия: ") + VersionText(m_version));
    m_lblDate->setText(QStringLiteral("От :") + BuildDateText(m_stamp));
}

void TFormAbout::showEvent(QShowEvent *event)
{
    FillComputedLines();
    QWidget::showEvent(event);
}

void TFormAbout::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

} // namespace tals
