#pragma once

#include "ui/application/window_registry.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class QAction;
class QLabel;

namespace tals {

// Requests and answers counted by the communications window. One object for the
// whole run of the program, so the counts survive closing and reopening the window.
struct TExchangeCounters
{
    std::atomic<qint64> Requests{0};
    std::atomic<qint64> Answers{0};
};

// The serial settings as their texts in ComPort.ini.
struct TPortSettingsText
{
    QString Port;
    QString BaudRate;
    QString DataBits;
    QString StopBits;
    QString Parity;
    QString FlowControl;
};

// What the communications window needs from the serial link.
class TReqAnsLink
{
public:
    // Called after every exchange, on the thread that performed it.
    using THandler =
        std::function<void(const QByteArray &request, const QByteArray &answer, bool answered)>;

    virtual ~TReqAnsLink() = default;
    // Installs the exchange handler; an empty handler removes it.
    virtual void SetExchangeHandler(THandler handler) = 0;
    virtual TPortSettingsText PortSettings() const = 0;
    // 10: frames in decimal, 16: in hexadecimal, otherwise the texts stay as they are.
    virtual int JournalRadix() const = 0;
};

class TRequestDevices;
class TTransmitter;

// The window's view of the program's serial link: the transmitter's exchange
// event and settings, and the scheduler's journal radix.
class TTransmitterReqAnsLink : public TReqAnsLink
{
public:
    TTransmitterReqAnsLink(TTransmitter &transmitter, std::function<int()> journalRadix);
    // The link's transmitter of the moment (none before the link starts) and radix.
    explicit TTransmitterReqAnsLink(TRequestDevices &link);

    void SetExchangeHandler(THandler handler) override;
    TPortSettingsText PortSettings() const override;
    int JournalRadix() const override;

private:
    std::function<TTransmitter *()> m_transmitter;
    std::function<int()> m_journalRadix;
};

class TExchangeRelay;

// The window "Связь": the last request and answer, the exchange statistics and
// the serial settings. Exchanges may be reported from the polling thread; they
// reach the controls through a queued signal on the user-interface thread.
class TFormReqAns : public QWidget, public TRefreshable
{
    Q_OBJECT

public:
    TFormReqAns(TReqAnsLink &link, TExchangeCounters &counters, QWidget *parent = nullptr);
    ~TFormReqAns() override;

    QAction *StatClearAction() const { return m_actStatClear; }

public slots:
    // Refresh with the other open windows: port settings and statistics.
    void Refresh() override;
    // Empties the frame texts, then statistics and port settings.
    void FullRefresh();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void ShowExchange(const QByteArray &request, const QByteArray &answer);

private:
    QString FrameText(const QByteArray &frame) const;
    void RefreshPortSettings();
    void RefreshStatistics();

    TReqAnsLink &m_link;
    TExchangeCounters &m_counters;
    std::shared_ptr<TExchangeRelay> m_relay;

    QAction *m_actStatClear = nullptr;
    QLabel *m_lblReqCount = nullptr;
    QLabel *m_lblAnsCount = nullptr;
    QLabel *m_lblReqPercent = nullptr;
    QLabel *m_lblAnsPercent = nullptr;
    QLabel *m_lblComPort = nullptr;
    QLabel *m_lblBaudRate = nullptr;
    QLabel *m_lblStopBits = nullptr;
    QLabel *m_lblParity = nullptr;
    QLabel *m_lblFlowControl = nullptr;
    QLabel *m_lblDataBits = nullptr;
    QLabel *m_stxReq = nullptr;
    QLabel *m_stxAns = nullptr;
};

// Carries one exchange from whatever thread performed it to the window.
class TExchangeRelay : public QObject
{
    Q_OBJECT

signals:
    void exchanged(const QByteArray &request, const QByteArray &answer);
};

} // namespace tals
