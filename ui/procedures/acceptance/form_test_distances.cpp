#include "ui/procedures/acceptance/form_test_distances.h"

#include "device/tals352.h"
#include "device/test_distances.h"
#include "platform/dialogs.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "storage/test_result_files.h"
#include "ui/application/main_services.h"
#include "ui/application/window_position.h"
#include "ui/controls/test_chart.h"
#include "ui/controls/value_text.h"
#include "ui/procedures/acceptance/test_range_entry.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <cerrno>
#include <cmath>

namespace tals {

namespace {

const QColor kRaw(0xFF, 0x00, 0x00);
const QColor kFiltered(0x00, 0x00, 0xFF);
const QColor kZero(0x00, 0xFF, 0x00);

QWidget *Swatch(const QColor &color, const QString &text)
{
    auto *w = new QWidget;
    auto *layout = new QHBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *box = new QLabel;
    box->setFixedSize(24, 10);
    box->setStyleSheet(QStringLiteral("background:%1; border:1px solid black").arg(color.name()));
    layout->addWidget(box);
    layout->addWidget(new QLabel(text));
    layout->addStretch();
    return w;
}

QToolButton *NavButton(const char *name, const QString &glyph, const QString &hint)
{
    auto *b = new QToolButton;
    b->setObjectName(QLatin1String(name));
    b->setText(glyph);
    b->setToolTip(hint);
    b->setMinimumWidth(32);
    return b;
}

} // namespace

QString TestChartTitle(const Ttals352 &model)
{
    return QStringLiteral("%1, Зав.№=%2, Апп.вер=%3, Прогр.вер.=%4, №ППМ=%5")
        .arg(model.DeviceTypeName())
        .arg(model.PlantNumber())
        .arg(model.HardVersionNumber())
        .arg(model.SoftVersionNumber())
        .arg(model.PPMNumber());
}

TFormTestDistances::TFormTestDistances(Ttals352 &model, TTestDistances &steps, TUserInput &input,
                                       const QString &programDir, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(model), m_steps(steps), m_input(input),
      m_programDir(programDir)
{
    setObjectName(QStringLiteral("FormTestDistances"));
    setWindowTitle(QStringLiteral("Проверка погрешности измерения"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 560);

    auto *group = new QGroupBox(QStringLiteral("Прогон"));
    group->setObjectName(QStringLiteral("gbProgon"));
    auto *grid = new QGridLayout(group);
    m_lblStart = new TValueText(QStringLiteral("lblStartDistance"));
    m_lblStop = new TValueText(QStringLiteral("lblStopDistance"));
    m_lblOffset = new TValueText(QStringLiteral("lblOffset"));
    m_lblIndex = new TValueText(QStringLiteral("lblIndex"));
    m_lblIdeal = new TValueText(QStringLiteral("lblIdealDistance"));
    m_lblStart->setToolTip(QStringLiteral("Изменить начало"));
    m_lblStop->setToolTip(QStringLiteral("Изменить конец"));
    m_lblOffset->setToolTip(QStringLiteral("Изменить смещение"));
    m_lblIndex->setCursor(Qt::ArrowCursor);
    m_lblIdeal->setCursor(Qt::ArrowCursor);
    const char *captions[] = {"Начало", "Конец", "Смещение", "№ измерения"};
    TValueText *values[] = {m_lblStart, m_lblStop, m_lblOffset, m_lblIndex};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(captions[i])), i, 0);
        grid->addWidget(values[i], i, 1);
    }
    grid->addWidget(m_lblIdeal, 4, 1);
    auto *nav = new QHBoxLayout;
    QToolButton *first = NavButton("tbtnFirst", QStringLiteral("|◀"), QStringLiteral("Первый"));
    QToolButton *prior = NavButton("tbtnPrior", QStringLiteral("◀"), QStringLiteral("Предыдущий"));
    QToolButton *next = NavButton("tbtnNext", QStringLiteral("▶"), QStringLiteral("Следующий"));
    QToolButton *last = NavButton("tbtnLast", QStringLiteral("▶|"), QStringLiteral("Последний"));
    for (QToolButton *b : {first, prior, next, last})
        nav->addWidget(b);
    grid->addLayout(nav, 5, 0, 1, 2);

    auto *actChangeOffset = new QAction(QStringLiteral("Изменить смещение"), this);
    actChangeOffset->setObjectName(QStringLiteral("actChangeOffset"));
    addAction(actChangeOffset);

    m_bbtnRecord = new QPushButton;
    m_bbtnRecord->setObjectName(QStringLiteral("bbtnRecord"));
    m_bbtnRecord->setMinimumHeight(80);
    auto *clear = new QPushButton(QStringLiteral("Очистить график"));
    clear->setObjectName(QStringLiteral("bbtnClear"));
    auto *saveText = new QPushButton(QStringLiteral("Сохранить в файл TXT"));
    saveText->setObjectName(QStringLiteral("bbtnSaveTxt"));
    auto *saveBmp = new QPushButton(QStringLiteral("Сохранить в файл BMP"));
    saveBmp->setObjectName(QStringLiteral("bbtnSaveBmp"));

    auto *left = new QVBoxLayout;
    left->addWidget(group);
    left->addWidget(m_bbtnRecord);
    left->addWidget(clear);
    left->addWidget(saveText);
    left->addWidget(saveBmp);
    left->addStretch();

    m_chart = new TTestChart;
    m_zero = m_chart->AddGraph(kZero, false);
    m_raw = m_chart->AddGraph(kRaw, true);
    m_filtered = m_chart->AddGraph(kFiltered, true);
    m_chart->SetYSeries(m_raw);
    m_chart->Plot()->xAxis->setLabel(QStringLiteral("Расстояние, мм"));
    auto *legend = new QHBoxLayout;
    legend->addWidget(Swatch(kRaw, QStringLiteral("Погрешность без обработки, мм")));
    legend->addWidget(Swatch(kFiltered, QStringLiteral("Погрешность с обработкой, мм")));
    auto *right = new QVBoxLayout;
    right->addWidget(m_chart, 1);
    right->addLayout(legend);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(first, &QToolButton::clicked, this, &TFormTestDistances::First);
    connect(prior, &QToolButton::clicked, this, &TFormTestDistances::Prior);
    connect(next, &QToolButton::clicked, this, &TFormTestDistances::Next);
    connect(last, &QToolButton::clicked, this, &TFormTestDistances::Last);
    connect(m_bbtnRecord, &QPushButton::clicked, this, &TFormTestDistances::Record);
    connect(clear, &QPushButton::clicked, this, &TFormTestDistances::ClearChart);
    connect(saveText, &QPushButton::clicked, this, &TFormTestDistances::SaveText);
    connect(saveBmp, &QPushButton::clicked, this, &TFormTestDistances::SaveBitmap);
    connect(m_lblStart, &TValueText::Clicked, this, &TFormTestDistances::ChangeStart);
    connect(m_lblStop, &TValueText::Clicked, this, &TFormTestDistances::ChangeStop);
    connect(m_lblOffset, &TValueText::Clicked, actChangeOffset, &QAction::trigger);
    connect(actChangeOffset, &QAction::triggered, this, &TFormTestDistances::ChangeOffset);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    // The window sees the keys before its controls.
    qApp->installEventFilter(this);

    RestoreWindowPlacement(*this);
    SetUpChart();
    Refresh();
}

TFormTestDistances::~TFormTestDistances()
{
    qApp->removeEventFilter(this);
}

void TFormTestDistances::Refresh()
{
    m_lblStart->setText(FloatToStrF(m_steps.StartDistance(), ffNumber, 15, 3));
    m_lblStop->setText(FloatToStrF(m_steps.StopDistance(), ffNumber, 15, 3));
    m_lblOffset->setText(FloatToStrF(m_steps.Offset(), ffFixed, 15, 0));
    m_lblIndex->setText(QString::number(m_steps.Index()));
    m_lblIdeal->setText(FloatToStrF(m_steps.IdealDistance(), ffFixed, 15, 3));
    // Four lines on the button.
    m_bbtnRecord->setText(QStringLiteral("Записать\nи перейти\nк следующему\nшагу"));
}

void TFormTestDistances::First()
{
    m_steps.First();
    Refresh();
}

void TFormTestDistances::Prior()
{
    m_steps.Prior();
    Refresh();
}

void TFormTestDistances::Next()
{
    m_steps.Next();
    Refresh();
}

void TFormTestDistances::Last()
{
    m_steps.Last();
    Refresh();
}

void TFormTestDistances::Record()
{
    const double d = m_steps.IdealDistance();
    // addData keeps the points sorted by distance.
    m_raw->addData(d, m_model.TestDistance().Output().ToDouble() - d);
    m_filtered->addData(d, m_model.TestDistanceFlt().Output().ToDouble() - d);
    m_chart->Replot();
    m_steps.Next();
    Refresh();
}

void TFormTestDistances::ClearChart()
{
    if (Dialogs().Question(QStringLiteral("Очистить график?"),
                           {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) != TDialogButton::Yes)
        return;
    m_raw->data()->clear();
    m_filtered->data()->clear();
    m_steps.First();
    m_chart->Replot();
    Refresh();
}

void TFormTestDistances::SaveText()
{
    std::vector<TDistanceErrorRow> rows;
    auto blue = m_filtered->data()->constBegin();
    for (auto red = m_raw->data()->constBegin(); red != m_raw->data()->constEnd(); ++red) {
        const double filtered = blue != m_filtered->data()->constEnd() ? blue->value : NAN;
        rows.push_back({red->key, red->value, filtered});
        if (blue != m_filtered->data()->constEnd())
            ++blue;
    }
    // Written without a question; only a failure is reported.
    const QString path = TestDistancesPath(m_programDir);
    if (const int error = ReplaceTextLines(path, TestDistancesLines(rows)))
        Dialogs().Message(FileNotWrittenText(QFileInfo(path).absoluteFilePath(), error),
                          TDialogIcon::Warning);
}

void TFormTestDistances::SaveBitmap()
{
    const QString path = FindPathNoCase(JoinPath(m_programDir, QStringLiteral("TestDistance.bmp")));
    const QByteArray bytes = m_chart->BmpBytes();
    const int error = bytes.isEmpty() ? EIO : ReplaceFile(path, bytes);
    if (error)
        Dialogs().Message(FileNotWrittenText(QFileInfo(path).absoluteFilePath(), error),
                          TDialogIcon::Warning);
}

void TFormTestDistances::ChangeStart()
{
    if (!AskTestStart(m_input, m_steps, 16000))
        return;
    SetUpChart();
    Refresh();
}

void TFormTestDistances::ChangeStop()
{
    if (!AskTestStop(m_input, m_steps, 16000))
        return;
    SetUpChart();
    Refresh();
}

void TFormTestDistances::ChangeOffset()
{
    if (AskTestOffset(m_input, m_steps))
        Refresh();
}

void TFormTestDistances::SetUpChart()
{
    if (auto *title = qobject_cast<QCPTextElement *>(m_chart->Plot()->plotLayout()->element(0, 0)))
        title->setText(TestChartTitle(m_model));
    m_zero->data()->clear();
    m_zero->addData(m_steps.StartDistance(), 0);
    m_zero->addData(m_steps.StopDistance(), 0);
    m_chart->SetHomeRanges(m_steps.StartDistance(), m_steps.StopDistance(), -10, 10);
}

void TFormTestDistances::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    SetUpChart();
    Refresh();
}

void TFormTestDistances::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

bool TFormTestDistances::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this)
        return m_chart->HandleKey(*static_cast<QKeyEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

} // namespace tals
