#include "ui/procedures/acceptance/form_test_tube.h"

#include "device/tals352.h"
#include "platform/dialogs.h"
#include "platform/number_format.h"
#include "platform/text_file.h"
#include "storage/test_result_files.h"
#include "ui/application/main_services.h"
#include "ui/application/window_position.h"
#include "ui/controls/test_chart.h"
#include "ui/controls/value_text.h"
#include "ui/procedures/acceptance/form_test_distances.h"
#include "ui/procedures/acceptance/test_range_entry.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <cmath>

namespace tals {

namespace {

QToolButton *NavButton(const char *name, const QString &glyph, const QString &hint)
{
    auto *b = new QToolButton;
    b->setObjectName(QLatin1String(name));
    b->setText(glyph);
    b->setToolTip(hint);
    b->setMinimumWidth(32);
    return b;
}

QPushButton *Button(const char *name, const QString &text)
{
    auto *b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

TFormTestTube::TFormTestTube(Ttals352 &model, TTestTube &steps, TUserInput &input,
                             const QString &programDir, TShowReport showReport, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(model), m_steps(steps), m_input(input),
      m_programDir(programDir), m_showReport(std::move(showReport))
{
    setObjectName(QStringLiteral("FormTestTube"));
    setWindowTitle(QStringLiteral("Проверка погрешности труб"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(940, 580);

    auto *pipe = new QGroupBox(QStringLiteral("Параметры трубы, мм"));
    pipe->setObjectName(QStringLiteral("gbTube"));
    auto *grid = new QGridLayout(pipe);
    m_lblStart = new TValueText(QStringLiteral("lblStartDistance"));
    m_lblStop = new TValueText(QStringLiteral("lblStopDistance"));
    m_lblOffset = new TValueText(QStringLiteral("lblOffset"));
    grid->addWidget(new QLabel(QStringLiteral("Начало")), 0, 0);
    grid->addWidget(m_lblStart, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Конец")), 1, 0);
    grid->addWidget(m_lblStop, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Смещение")), 2, 0);
    grid->addWidget(m_lblOffset, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Направление смещения:")), 3, 0, 1, 2);
    m_cbDirection = new QComboBox;
    m_cbDirection->setObjectName(QStringLiteral("cbDirection"));
    m_cbDirection->addItems({QStringLiteral("Прямое"), QStringLiteral("Обратное")});
    grid->addWidget(m_cbDirection, 4, 0, 1, 2);

    auto *set = new QGroupBox(QStringLiteral("Установить расстояние, мм"));
    set->setObjectName(QStringLiteral("gbSetDistance"));
    auto *setLayout = new QVBoxLayout(set);
    auto *nav = new QHBoxLayout;
    QToolButton *first = NavButton("tbtnFirst", QStringLiteral("|◀"), QStringLiteral("Первый"));
    QToolButton *prior = NavButton("tbtnPrior", QStringLiteral("◀"), QStringLiteral("Предыдущий"));
    QToolButton *next = NavButton("tbtnNext", QStringLiteral("▶"), QStringLiteral("Следующий"));
    QToolButton *last = NavButton("tbtnLast", QStringLiteral("▶|"), QStringLiteral("Последний"));
    for (QToolButton *b : {first, prior, next, last})
        nav->addWidget(b);
    setLayout->addLayout(nav);
    m_lblIdeal = new TValueText(QStringLiteral("lblIdealDistance"));
    m_lblIdeal->setCursor(Qt::ArrowCursor);
    setLayout->addWidget(m_lblIdeal);

    QPushButton *start = Button("bbtnStart", QStringLiteral("Начать проверку"));
    m_bbtnRecord = Button("bbtnRecord", QString());
    m_bbtnRecord->setMinimumHeight(80);
    QPushButton *clear = Button("bbtnClear", QStringLiteral("Очистить график"));
    QPushButton *saveText = Button("bbtnSaveTxt", QStringLiteral("Сохранить в файл TXT"));
    QPushButton *preview = Button("bbtnPreview", QStringLiteral("Просмотр"));

    auto *left = new QVBoxLayout;
    left->addWidget(pipe);
    left->addWidget(set);
    left->addWidget(start);
    left->addWidget(m_bbtnRecord);
    left->addWidget(clear);
    left->addWidget(saveText);
    left->addWidget(preview);
    left->addStretch();

    m_lblTube = new TValueText(QStringLiteral("lblTube"));
    m_lblTube->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lblTube->setToolTip(QStringLiteral("Описание трубы"));
    m_lblSlope = new QLabel;
    m_lblSlope->setObjectName(QStringLiteral("lblSlope"));
    m_lblFitOffset = new QLabel;
    m_lblFitOffset->setObjectName(QStringLiteral("lblFitOffset"));
    auto *info = new QHBoxLayout;
    info->addWidget(m_lblTube, 1);
    info->addWidget(m_lblSlope);
    info->addSpacing(12);
    info->addWidget(m_lblFitOffset);

    m_chart = new TTestChart;
    m_errors = m_chart->AddGraph(QColor(0x00, 0x00, 0xFF), true);
    m_chart->SetYSeries(m_errors);
    m_chart->Plot()->xAxis->setLabel(QStringLiteral("Установленное расстояние, мм"));
    m_chart->Plot()->yAxis->setLabel(QStringLiteral("Погрешность, мм"));
    QAction *actPreview = m_chart->ToolBar()->addAction(QStringLiteral("Просмотр"));
    actPreview->setObjectName(QStringLiteral("actPreview"));
    actPreview->setToolTip(QStringLiteral("Отчет"));

    auto *right = new QVBoxLayout;
    right->addLayout(info);
    right->addWidget(m_chart, 1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(first, &QToolButton::clicked, this, &TFormTestTube::First);
    connect(prior, &QToolButton::clicked, this, &TFormTestTube::Prior);
    connect(next, &QToolButton::clicked, this, &TFormTestTube::Next);
    connect(last, &QToolButton::clicked, this, &TFormTestTube::Last);
    connect(start, &QPushButton::clicked, this, &TFormTestTube::StartTest);
    connect(m_bbtnRecord, &QPushButton::clicked, this, &TFormTestTube::Record);
    connect(clear, &QPushButton::clicked, this, &TFormTestTube::ClearChart);
    connect(saveText, &QPushButton::clicked, this, &TFormTestTube::SaveText);
    connect(preview, &QPushButton::clicked, this, &TFormTestTube::Preview);
    connect(actPreview, &QAction::triggered, this, &TFormTestTube::Preview);
    connect(m_lblTube, &TValueText::Clicked, this, &TFormTestTube::ChangeDescription);
    connect(m_lblStart, &TValueText::Clicked, this, &TFormTestTube::ChangeStart);
    connect(m_lblStop, &TValueText::Clicked, this, &TFormTestTube::ChangeStop);
    connect(m_lblOffset, &TValueText::Clicked, this, &TFormTestTube::ChangeOffset);
    connect(m_cbDirection, &QComboBox::activated, this,
            [this](int index) { m_steps.SetDirection(index == 1 ? -1 : 1); });

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    qApp->installEventFilter(this);

    RestoreWindowPlacement(*this);
    ShowErrors();
    SetUpChart();
    Refresh();
}

TFormTestTube::~TFormTestTube()
{
    qApp->removeEventFilter(this);
}

void TFormTestTube::Refresh()
{
    m_lblStart->setText(FloatToStrF(m_steps.StartDistance(), ffNumber, 15, 3));
    m_lblStop->setText(FloatToStrF(m_steps.StopDistance(), ffNumber, 15, 3));
    m_lblOffset->setText(FloatToStrF(m_steps.Offset(), ffFixed, 15, 0));
    m_lblIdeal->setText(FloatToStrF(m_steps.IdealDistance(), ffFixed, 15, 3));
    m_lblTube->setText(m_description.isEmpty() ? QStringLiteral("Описание трубы")
                                               : QStringLiteral("Труба:") + m_description);
    m_cbDirection->setCurrentIndex(m_steps.Direction() == 1 ? 0 : 1);
    m_bbtnRecord->setText(QStringLiteral("Записать\nи перейти\nк следующему\nшагу"));
}

void TFormTestTube::First()
{
    m_steps.First();
    Refresh();
}

void TFormTestTube::Prior()
{
    m_steps.Prior();
    Refresh();
}

void TFormTestTube::Next()
{
    m_steps.Next();
    Refresh();
}

void TFormTestTube::Last()
{
    m_steps.Last();
    Refresh();
}

void TFormTestTube::StartTest()
{
    m_measured.Clear();
    ShowErrors();
    if (m_steps.Direction() == 1)
        m_steps.First();
    else
        m_steps.Last();
    ChangeDescription();
    Refresh();
}

void TFormTestTube::Record()
{
    const double d = m_steps.IdealDistance();
    m_measured.Record(d, m_model.Distance().Output().ToDouble());
    ShowErrors();
    if (m_steps.Direction() == 1)
        m_steps.Next();
    else
        m_steps.Prior();
    Refresh();
}

void TFormTestTube::ShowErrors()
{
    m_fit = m_measured.Fit();
    m_lblSlope->setText(QStringLiteral("Крутизна=") + FloatToStrF(m_fit.Slope, ffNumber, 15, 6));
    m_lblFitOffset->setText(QStringLiteral("Смещение=") +
                            FloatToStrF(m_fit.Offset, ffFixed, 15, 2));
    m_errors->data()->clear();
    for (const TTubePoint &e : m_measured.Errors(m_fit))
        m_errors->addData(e.X, e.Y);
    m_chart->Replot();
}

void TFormTestTube::ClearChart()
{
    if (Dialogs().Question(QStringLiteral("Очистить график?"),
                           {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    m_measured.Clear();
    ShowErrors();
}

void TFormTestTube::SaveText()
{
    const QString path = TestTubePath(m_programDir, m_description);
    const QString shown = QFileInfo(path).absoluteFilePath();
    if (QFileInfo::exists(path) &&
        Dialogs().Question(QStringLiteral("Файл существует\r") + shown + QStringLiteral("\r") +
                               QStringLiteral("Переписать?"),
                           {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    const QStringList lines = TestTubeLines(m_measured.Points(), m_measured.Errors(m_fit));
    if (const int error = ReplaceTextLines(path, lines)) {
        Dialogs().Message(FileNotWrittenText(shown, error), TDialogIcon::Warning);
        return;
    }
    Dialogs().Message(QStringLiteral("Файл записан\r") + shown, TDialogIcon::Information);
}

TTubeReport TFormTestTube::ReportData() const
{
    TTubeReport r;
    r.Title = m_description + QStringLiteral(", ") + m_lblSlope->text() + QStringLiteral(", ") +
              m_lblFitOffset->text();
    const QCPRange x = m_chart->Plot()->xAxis->range();
    const QCPRange y = m_chart->Plot()->yAxis->range();
    r.XMin = x.lower;
    r.XMax = x.upper;
    r.YMin = y.lower;
    r.YMax = y.upper;
    r.Errors = m_measured.Errors(m_fit);
    return r;
}

void TFormTestTube::Preview()
{
    if (m_showReport)
        m_showReport(ReportData());
}

void TFormTestTube::ChangeDescription()
{
    QString text = m_description;
    if (Dialogs().InputText(QStringLiteral("Введите"), QStringLiteral("Описание трубы"), text))
        m_description = text;
    Refresh();
}

void TFormTestTube::ChangeStart()
{
    if (!AskTestStart(m_input, m_steps, 6000))
        return;
    SetUpChart();
    Refresh();
}

void TFormTestTube::ChangeStop()
{
    if (!AskTestStop(m_input, m_steps, 6000))
        return;
    SetUpChart();
    Refresh();
}

void TFormTestTube::ChangeOffset()
{
    if (AskTestOffset(m_input, m_steps))
        Refresh();
}

void TFormTestTube::SetUpChart()
{
    if (auto *title = qobject_cast<QCPTextElement *>(m_chart->Plot()->plotLayout()->element(0, 0)))
        title->setText(TestChartTitle(m_model));
    m_chart->SetHomeRanges(m_steps.StartDistance(), m_steps.StopDistance(), -3.5, 3.5);
}

void TFormTestTube::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    SetUpChart();
    Refresh();
}

void TFormTestTube::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

bool TFormTestTube::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this)
        return m_chart->HandleKey(*static_cast<QKeyEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

} // namespace tals
