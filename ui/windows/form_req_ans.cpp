#include "ui/windows/form_req_ans.h"

#include "protocol/frame.h"
#include "link/request_devices.h"
#include "link/transmitter.h"
#include "platform/number_format.h"
#include "ui/application/window_position.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace tals {

namespace {

QLabel *AddLabel(QGridLayout *grid, const QString &text, int row, int column)
{
    auto *label = new QLabel(text);
    grid->addWidget(label, row, column);
    return label;
}

QLabel *AddValue(QGridLayout *grid, const char *name, int row, int column)
{
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, row, column);
    return label;
}

QLabel *AddFrameText(QGridLayout *grid, const QString &caption, const char *name, int row)
{
    AddLabel(grid, caption, row, 0);
    auto *text = new QLabel;
    text->setObjectName(QLatin1String(name));
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setMinimumHeight(34);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(text, row, 1);
    return text;
}

QString PercentText(qint64 part, qint64 whole)
{
    const double percent = whole > 0 ? 100.0 * double(part) / double(whole) : 0.0;
    return FloatToStrF(percent, ffNumber, 9, 1);
}

} // namespace

TTransmitterReqAnsLink::TTransmitterReqAnsLink(TTransmitter &transmitter,
                                               std::function<int()> journalRadix)
    : m_transmitter([&transmitter] { return &transmitter; }),
      m_journalRadix(std::move(journalRadix))
{}

TTransmitterReqAnsLink::TTransmitterReqAnsLink(TRequestDevices &link)
    : m_transmitter([&link] { return link.Transmitter(); }),
      m_journalRadix([&link] { return link.JournalRadix(); })
{}

void TTransmitterReqAnsLink::SetExchangeHandler(THandler handler)
{
    TTransmitter *transmitter = m_transmitter();
    if (!transmitter)
        return;
    if (!handler) {
        transmitter->SetOnExchange({});
        return;
    }
    transmitter->SetOnExchange(
        [handler = std::move(handler)](TTransmitter *, const QByteArray &request,
                                       const QByteArray &answer,
                                       bool answered) { handler(request, answer, answered); });
}

TPortSettingsText TTransmitterReqAnsLink::PortSettings() const
{
    TTransmitter *transmitter = m_transmitter();
    if (!transmitter)
        return {};
    const TPortSettings s = transmitter->Settings();
    return {s.Port,
            BaudRateToStr(s.BaudRate),
            DataBitsToStr(s.DataBits),
            StopBitsToStr(s.StopBits),
            ParityToStr(s.Parity),
            FlowControlToStr(s.FlowControl)};
}

int TTransmitterReqAnsLink::JournalRadix() const
{
    return m_journalRadix ? m_journalRadix() : 16;
}

TFormReqAns::TFormReqAns(TReqAnsLink &link, TExchangeCounters &counters, QWidget *parent)
    : QWidget(parent, Qt::Window), m_link(link), m_counters(counters),
      m_relay(new TExchangeRelay, [](TExchangeRelay *relay) { relay->deleteLater(); })
{
    setObjectName(QStringLiteral("FormReqAns"));
    setWindowTitle(QStringLiteral("Связь"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(400, 330);

    auto *statistics = new QGroupBox(QStringLiteral("Статистика"));
    auto *statGrid = new QGridLayout(statistics);
    AddLabel(statGrid, QStringLiteral("шт"), 0, 1)->setAlignment(Qt::AlignRight);
    AddLabel(statGrid, QStringLiteral("%"), 0, 2)->setAlignment(Qt::AlignRight);
    AddLabel(statGrid, QStringLiteral("Запросов"), 1, 0);
    m_lblReqCount = AddValue(statGrid, "lblReqCount", 1, 1);
    m_lblReqPercent = AddValue(statGrid, "lblReqPercent", 1, 2);
    AddLabel(statGrid, QStringLiteral("Ответов"), 2, 0);
    m_lblAnsCount = AddValue(statGrid, "lblAnsCount", 2, 1);
    m_lblAnsPercent = AddValue(statGrid, "lblAnsPercent", 2, 2);
    statGrid->setColumnMinimumWidth(1, 40);
    statGrid->setColumnMinimumWidth(2, 44);
    statGrid->setRowStretch(3, 1);

    auto *port = new QGroupBox(QStringLiteral("Параметры СОМ порта"));
    auto *portGrid = new QGridLayout(port);
    const struct
    {
        const char *caption;
        const char *name;
        QLabel *TFormReqAns::*member;
    } portRows[] = {
        {"СОМ порт:", "lblComPort1", &TFormReqAns::m_lblComPort},
        {"Скорость:", "lblBoudRate1", &TFormReqAns::m_lblBaudRate},
        {"Стоп бит:", "lblStopBits1", &TFormReqAns::m_lblStopBits},
        {"Бит четности:", "lblParity1", &TFormReqAns::m_lblParity},
        {"Контроль четности:", "lblFlowControl1", &TFormReqAns::m_lblFlowControl},
        {"Кол-во бит данных:", "lblDataBits1", &TFormReqAns::m_lblDataBits},
    };
    int row = 0;
    for (const auto &r : portRows) {
        AddLabel(portGrid, QString::fromUtf8(r.caption), row, 0);
        this->*r.member = AddValue(portGrid, r.name, row, 1);
        ++row;
    }

    auto *protocol = new QGroupBox(QStringLiteral("Протокол"));
    auto *protocolGrid = new QGridLayout(protocol);
    m_stxReq = AddFrameText(protocolGrid, QStringLiteral("Запрос"), "stxReq", 0);
    m_stxAns = AddFrameText(protocolGrid, QStringLiteral("Ответ"), "stxAns", 1);
    protocolGrid->setColumnStretch(1, 1);

    m_actStatClear = new QAction(QStringLiteral("Сброс"), this);
    m_actStatClear->setObjectName(QStringLiteral("actStatClear"));
    m_actStatClear->setToolTip(QStringLiteral("Сброс статистики"));
    connect(m_actStatClear, &QAction::triggered, this, [this] {
        m_counters.Requests = 0;
        m_counters.Answers = 0;
        FullRefresh();
    });
    auto *clearButton = new QToolButton;
    clearButton->setObjectName(QStringLiteral("bbtnStatClear"));
    clearButton->setDefaultAction(m_actStatClear);
    clearButton->setToolButtonStyle(Qt::ToolButtonTextOnly);

    auto *top = new QHBoxLayout;
    top->addWidget(statistics);
    top->addWidget(port, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(protocol, 1);
    layout->addWidget(clearButton, 0, Qt::AlignRight);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    RestoreWindowPlacement(*this);
    FullRefresh();

    // Counting happens in the handler on the exchanging thread; the frames reach the
    // controls through the relay's signal, queued when that thread is not this one.
    connect(m_relay.get(), &TExchangeRelay::exchanged, this, &TFormReqAns::ShowExchange);
    std::shared_ptr<TExchangeRelay> relay = m_relay;
    TExchangeCounters *counts = &m_counters;
    m_link.SetExchangeHandler(
        [relay, counts](const QByteArray &request, const QByteArray &answer, bool answered) {
            counts->Requests.fetch_add(1);
            if (answered)
                counts->Answers.fetch_add(1);
            emit relay->exchanged(request, answer);
        });
}

TFormReqAns::~TFormReqAns()
{
    m_link.SetExchangeHandler({});
}

void TFormReqAns::closeEvent(QCloseEvent *event)
{
    m_link.SetExchangeHandler({});
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

void TFormReqAns::Refresh()
{
    RefreshPortSettings();
    RefreshStatistics();
}

void TFormReqAns::FullRefresh()
{
    m_stxReq->clear();
    m_stxAns->clear();
    RefreshStatistics();
    RefreshPortSettings();
}

QString TFormReqAns::FrameText(const QByteArray &frame) const
{
    switch (m_link.JournalRadix()) {
    case 10:
        return FrameToDecimal(frame, false);
    case 16:
        return FrameToHex(frame);
    default:
        return QString();
    }
}

void TFormReqAns::ShowExchange(const QByteArray &request, const QByteArray &answer)
{
    const int radix = m_link.JournalRadix();
    if (radix == 10 || radix == 16) {
        m_stxReq->setText(FrameText(request));
        if (!answer.isEmpty())
            m_stxAns->setText(FrameText(answer));
    }
    if (answer.isEmpty())
        m_stxAns->setText(QStringLiteral("Нет ответа"));
    RefreshPortSettings();
    RefreshStatistics();
}

void TFormReqAns::RefreshPortSettings()
{
    const TPortSettingsText settings = m_link.PortSettings();
    m_lblComPort->setText(settings.Port);
    m_lblBaudRate->setText(settings.BaudRate);
    m_lblDataBits->setText(settings.DataBits);
    m_lblStopBits->setText(settings.StopBits);
    m_lblParity->setText(settings.Parity);
    m_lblFlowControl->setText(settings.FlowControl);
}

void TFormReqAns::RefreshStatistics()
{
    // Answers first: a request is counted before its answer, so the answers read
    // can never exceed the requests read after them.
    const qint64 answers = m_counters.Answers.load();
    const qint64 requests = m_counters.Requests.load();
    m_lblReqCount->setText(QString::number(requests));
    m_lblAnsCount->setText(QString::number(answers));
    m_lblReqPercent->setText(PercentText(requests, requests));
    m_lblAnsPercent->setText(PercentText(answers, requests));
}

} // namespace tals
