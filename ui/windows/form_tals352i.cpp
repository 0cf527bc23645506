#include "ui/windows/form_tals352i.h"

#include "device/program_modes.h"
#include "device/tals352.h"
#include "link/port_watch.h"
#include "platform/number_format.h"
#include "ui/application/window_position.h"
#include "ui/controls/io_visual.h"
#include "ui/controls/v_histogram.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace tals {

namespace {

// A small chart picture for the buttons that open trend windows.
QIcon GraphIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawLine(1, 1, 1, 14);
    painter.drawLine(1, 14, 14, 14);
    painter.setPen(QPen(QColor(0x00, 0x00, 0xC0), 1.5));
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF line[] = {{2, 12}, {5, 8}, {8, 10}, {11, 4}, {14, 6}};
    painter.drawPolyline(line, 5);
    return QIcon(pixmap);
}

QLabel *ValueLabel(const char *name)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setProperty("showHint", false);
    return label;
}

// The groups are narrow: keep their margins small.
QGridLayout *GroupGrid(QGroupBox *group)
{
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    return grid;
}

} // namespace

// One row of a group: trend icon (none when IconName is null), caption, value label.
struct TReadingRow
{
    const char *IconName;
    const char *IconHint;
    const char *Caption;
    const char *LabelName;
    const char *ActionName;
};

QString ErrorRegisterText(int errorCode)
{
    if (errorCode < 0)
        return QString::number(errorCode);
    const quint16 word = static_cast<quint16>(errorCode);
    return QStringLiteral("0x%1=[%2]")
        .arg(QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper())
        .arg(word, 16, 2, QLatin1Char('0'));
}

QColor ReadingsGroupColor(int errorCode, const QColor &buttonFace)
{
    if (errorCode == 0)
        return buttonFace;
    if (errorCode >= 8 && errorCode <= 11)
        return QColor(0xFF, 0xFF, 0x00);
    return QColor(0xFF, 0x00, 0x00);
}

namespace {

// The "Показания" rows; the last one is the current output.
const TReadingRow kReadingRows[] = {
    {"sbGraphDistance", "График \"Расстояние\"", "Расстояние до продукта, мм", "lblDistance",
     "actGraphDistance"},
    {"sbGraphLevelFree", "График \"Свободное пространство\"", "Свободное пространство, мм",
     "lblLevelFree", "actGraphLevelFree"},
    {"sbGraphLevel", "График \"Уровень\"", "Уровень, мм", "lblLevel", "actGraphLevel"},
    {"sbGraphTmp", "График \"Температура\"", "Температура, °С", "lblTmp", "actGraphTmp"},
    {"sbGraphCurrentOutput", "График \"Ток\"", "Токовый выход, мА", "lblCurrentOutput",
     "actGraphCurrentOutputShow"},
};

const TReadingRow kTestRows[] = {
    {"sbGraphTestDistance", "График \"Расстояние без обработки\"", "Расстояние без обработки, мм",
     "lblTestDistance", "actGraphTestDistance"},
    {"sbGraphTestDistanceFlt", "График \"Расстояние с обработкой\"", "Расстояние с обработкой, мм",
     "lblTestDistanceFlt", "actGraphTestDistanceFlt"},
    {nullptr, nullptr, "Разница, мм", "lblTestDistanceDiff", nullptr},
};

} // namespace

TFormTals352I::TFormTals352I(Ttals352 &model, const TProgramModes &modes,
                             TExecuteAction executeAction, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_model(model), m_modes(modes), m_executeAction(std::move(executeAction))
{
    setObjectName(QStringLiteral("FormTals352I"));
    setWindowTitle(QStringLiteral("Показания ТАЛС35xИ"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(400, 427);
    setMinimumSize(400, 251);

    m_gauge = new TVHistogram;
    m_gauge->setObjectName(QStringLiteral("VHistogram"));
    m_gauge->SetBorder(bLower);
    m_gauge->SetMax(100);
    m_gauge->SetColorZoneAlarm(QColor(0xFF, 0x00, 0x00));
    m_gauge->SetColorZoneAttention(QColor(0xFF, 0xFF, 0x00));
    m_gauge->SetScaleOffset(0);
    m_gauge->SetColorProductType(cptManual);
    m_gauge->SetColorProduct(QColor(0x00, 0x00, 0x80));
    m_gauge->SetColorEmpty(palette().color(QPalette::Button));
    m_gauge->SetColorScale(QColor(0x80, 0x80, 0x80));
    m_gauge->SetColorValues(QColor(0x80, 0x80, 0x80));
    m_gauge->SetDValueSmall(2);
    m_gauge->SetDValueBig(10);
    m_gauge->SetDecimalSign(1);
    m_gauge->SetShowScaleMarks(true);
    m_gauge->SetShowScaleZones(false);
    m_gauge->SetShowValues(true);
    m_gauge->SetScaleAlignment(saLeft);
    m_gauge->SetScaleReverse(false);
    m_gauge->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_stxLevel = new QLabel;
    m_stxLevel->setObjectName(QStringLiteral("stxLevel"));
    m_stxLevel->setAlignment(Qt::AlignCenter);
    m_stxLevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_stxLevel->setFixedHeight(17);

    auto *left = new QWidget;
    left->setObjectName(QStringLiteral("pnlGauge"));
    left->setFixedWidth(81);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(2);
    leftLayout->addWidget(m_gauge, 1);
    leftLayout->addWidget(m_stxLevel);

    auto *right = new QVBoxLayout;
    right->addWidget(BuildReadingsGroup());
    right->addWidget(BuildErrorsGroup(), 1);
    right->addWidget(BuildTestDistancesGroup());

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    layout->addWidget(left);
    layout->addLayout(right, 1);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    CreateBoundHolders();
    RestoreWindowPlacement(*this);
}

TFormTals352I::~TFormTals352I()
{
    // Detach from the model before the controls go.
    for (auto &holder : m_bound)
        holder->SetSource(nullptr, false);
    m_bound.clear();
}

QLabel *TFormTals352I::AddRow(QGridLayout *grid, int row, const TReadingRow &reading)
{
    if (reading.IconName) {
        auto *icon = new QToolButton;
        icon->setObjectName(QLatin1String(reading.IconName));
        icon->setToolTip(QString::fromUtf8(reading.IconHint));
        icon->setIcon(GraphIcon());
        icon->setIconSize(QSize(16, 16));
        icon->setAutoRaise(true);
        icon->setFixedSize(18, 18);
        const QString action = QLatin1String(reading.ActionName);
        connect(icon, &QToolButton::clicked, this, [this, action] {
            if (m_executeAction)
                m_executeAction(action);
        });
        grid->addWidget(icon, row, 0);
    }
    grid->addWidget(new QLabel(QString::fromUtf8(reading.Caption)), row, 1);
    QLabel *value = ValueLabel(reading.LabelName);
    grid->addWidget(value, row, 2);
    return value;
}

QWidget *TFormTals352I::BuildReadingsGroup()
{
    m_gbReadings = new QGroupBox(QStringLiteral("Показания"));
    m_gbReadings->setObjectName(QStringLiteral("gbReadings"));
    m_gbReadings->setAutoFillBackground(true);
    auto *grid = GroupGrid(m_gbReadings);
    grid->setColumnStretch(2, 1);
    QLabel **labels[] = {&m_lblDistance, &m_lblLevelFree, &m_lblLevel, &m_lblTmp,
                         &m_lblCurrentOutput};
    for (int i = 0; i < 5; ++i)
        *labels[i] = AddRow(grid, i, kReadingRows[i]);
    for (int column = 0; column < 3; ++column)
        m_currentOutputRow.push_back(grid->itemAtPosition(4, column)->widget());
    return m_gbReadings;
}

QWidget *TFormTals352I::BuildErrorsGroup()
{
    auto *group = new QGroupBox(QStringLiteral("Ошибки"));
    group->setObjectName(QStringLiteral("gbErrors"));
    auto *grid = GroupGrid(group);
    grid->addWidget(new QLabel(QStringLiteral("Регистр ошибок")), 0, 0);
    m_lblErrorRegister = ValueLabel("lblErrorRegister");
    m_lblErrorRegister->setText(QStringLiteral("8888888888888888"));
    grid->addWidget(m_lblErrorRegister, 0, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Список ошибок")), 1, 0, 1, 2);
    m_memErrors = new QPlainTextEdit;
    m_memErrors->setObjectName(QStringLiteral("memErrors"));
    m_memErrors->setReadOnly(true);
    m_memErrors->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memErrors->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_memErrors->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid->addWidget(m_memErrors, 2, 0, 1, 2);
    grid->setRowStretch(2, 1);
    return group;
}

QWidget *TFormTals352I::BuildTestDistancesGroup()
{
    m_gbTestDistances = new QGroupBox(QStringLiteral("Тестовые расстояния"));
    m_gbTestDistances->setObjectName(QStringLiteral("gbTestDistances"));
    auto *grid = GroupGrid(m_gbTestDistances);
    grid->setColumnStretch(2, 1);
    m_lblTestDistance = AddRow(grid, 0, kTestRows[0]);
    m_lblTestDistanceFlt = AddRow(grid, 1, kTestRows[1]);
    m_lblTestDistanceDiff = AddRow(grid, 2, kTestRows[2]);
    return m_gbTestDistances;
}

void TFormTals352I::CreateBoundHolders()
{
    auto gauge = std::make_unique<TIODoubleVHistogram>();
    gauge->ValueControl = m_gauge;
    auto levelText = std::make_unique<TIODoubleStaticText>();
    levelText->ValueControl = m_stxLevel;
    auto level = std::make_unique<TIODoubleLabel>();
    level->ValueControl = m_lblLevel;
    auto levelFree = std::make_unique<TIODoubleLabel>();
    levelFree->ValueControl = m_lblLevelFree;
    auto distance = std::make_unique<TIODoubleLabel>();
    distance->ValueControl = m_lblDistance;
    auto temperature = std::make_unique<TIODoubleLabel>();
    temperature->ValueControl = m_lblTmp;

    m_bound.push_back(std::move(gauge));
    m_bound.push_back(std::move(levelText));
    m_bound.push_back(std::move(level));
    m_bound.push_back(std::move(levelFree));
    m_bound.push_back(std::move(distance));
    m_bound.push_back(std::move(temperature));
    m_sources = {&m_model.LevelBusy(), &m_model.LevelBusy(), &m_model.LevelBusy(),
                 &m_model.LevelFree(), &m_model.Distance(),  &m_model.TmpOfSensor()};

    // Descriptions first, then follow and take the current reading at once, so a
    // window opened while polling is off shows the model's values, not zeros.
    for (size_t i = 0; i < m_bound.size(); ++i) {
        m_bound[i]->Assign(*m_sources[i]);
        m_bound[i]->SetSource(m_sources[i], true);
    }
}

void TFormTals352I::SetPortStatusQuery(std::function<TPortStatus()> query)
{
    m_portStatus = std::move(query);
    if (isVisible())
        Refresh();
}

void TFormTals352I::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Refresh();
}

void TFormTals352I::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

void TFormTals352I::Refresh()
{
    const bool full = m_modes.FullAccessMode;
    for (QWidget *widget : m_currentOutputRow)
        widget->setVisible(full);

    const int errorCode = m_model.ErrorCode();
    m_lblErrorRegister->setText(ErrorRegisterText(errorCode));
    // One error per line; the model joins them with CR LF. Without an open
    // port the model's last state says nothing about the device.
    const TPortStatus port = m_portStatus ? m_portStatus() : TPortStatus{{}, true, {}, false};
    QString errors = m_model.ErrorText();
    if (!port.Open) {
        errors = port.Lost ? PortLostText() : QStringLiteral("Порт не открыт");
        if (!port.Reason.isEmpty())
            errors += QStringLiteral("\r\n") + port.Reason;
    }
    errors.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (m_memErrors->toPlainText() != errors)
        m_memErrors->setPlainText(errors);

    m_gbTestDistances->setVisible(full);
    TIODouble &raw = m_model.TestDistance();
    TIODouble &processed = m_model.TestDistanceFlt();
    const double rawValue = raw.Output().ToDouble();
    const double processedValue = processed.Output().ToDouble();
    m_lblTestDistance->setText(ReadingText(rawValue, 9, raw.Description().Digits));
    m_lblTestDistanceFlt->setText(ReadingText(processedValue, 9, processed.Description().Digits));
    m_lblTestDistanceDiff->setText(ReadingText(processedValue - rawValue, 9, 3));

    for (size_t i = 0; i < m_bound.size(); ++i)
        m_bound[i]->Assign(*m_sources[i]);
    // The gauge refuses a range or marks that are no finite numbers.
    const double lmax = m_model.Lmax();
    m_gauge->SetDecimalSign(0);
    m_gauge->SetRange(0, lmax);
    m_gauge->SetDValueBig(0.1 * lmax);
    m_gauge->SetDValueSmall(0.05 * lmax);
    for (auto &holder : m_bound)
        holder->Refresh();

    QPalette groupPalette = m_gbReadings->palette();
    groupPalette.setColor(QPalette::Window, ReadingsGroupColor(port.Open ? errorCode : -1,
                                                               palette().color(QPalette::Button)));
    m_gbReadings->setPalette(groupPalette);

    const TIODouble &current = m_model.CurrentOutput();
    m_lblCurrentOutput->setText(std::isfinite(current.Output().ToDouble())
                                    ? current.FormatValue(false, false)
                                    : NoDataText());
}

} // namespace tals
