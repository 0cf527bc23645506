#pragma once

// One connection to the plant's MQTT broker through libmosquitto: the
// messages of an on-disk queue go out in order with QoS 1 and leave the queue
// only when the broker has acknowledged them; retained messages (state,
// identity) are sent again on every connection; the last will marks the
// device "offline" when the station dies. The connection is kept up by
// libmosquitto's own thread, which reconnects after an outage; a sender
// thread hands queued messages over while connected.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct mosquitto;

namespace tals {

class TPublishQueue;

// "mqtt://HOST[:PORT]" (1883) or "mqtts://HOST[:PORT]" (8883).
struct TMqttUrl
{
    bool Tls = false;
    QString Host;
    int Port = 1883;
};
std::optional<TMqttUrl> ParseMqttUrl(const QString &text, QString *error = nullptr);

// The user name and password of a credentials file: lines "username=NAME"
// and "password=SECRET" (blank lines and lines starting with "#" ignored).
struct TMqttCredentials
{
    QString User;
    QString Password;
};
std::optional<TMqttCredentials> ReadMqttCredentials(const QString &path, QString *error = nullptr);

struct TMqttSettings
{
    TMqttUrl Url;
    QString CaFile; // TLS: the certificate authority file (empty: the system's)
    std::optional<TMqttCredentials> Credentials;
    QString ClientId;
    QString WillTopic; // retained "offline" when the connection dies
    int KeepAliveSeconds = 10;
};

enum class TMqttState { Connecting, Connected, Refused, Lost, Stopped };

class TMqttPublisher
{
public:
    TMqttPublisher(TMqttSettings settings, TPublishQueue &queue);
    ~TMqttPublisher();
    TMqttPublisher(const TMqttPublisher &) = delete;
    TMqttPublisher &operator=(const TMqttPublisher &) = delete;

    // Lines about the connection (connected, lost, refused) for the fault journal.
    void SetJournal(std::function<void(const QString &)> journal);

    // Starts connecting in the background; false with the reason when the
    // settings cannot be used (a CA file that cannot be read, say).
    bool Start(QString *error = nullptr);
    // Publishes "offline" to the will topic, waits up to timeoutMs for the
    // queue's messages in flight, and disconnects.
    void Stop(int timeoutMs = 2000);

    // A retained message, sent now when connected and on every reconnection.
    void SetRetained(const QString &topic, const QByteArray &payload);
    // New messages are in the queue.
    void Notify();

    TMqttState State() const { return m_state.load(); }
    // The reason of the last refusal or loss, in Russian.
    QString LastError() const;
    // Messages handed to the broker and not yet acknowledged.
    int InFlight() const;

private:
    static void OnConnect(mosquitto *, void *self, int rc);
    static void OnDisconnect(mosquitto *, void *self, int rc);
    static void OnPublish(mosquitto *, void *self, int mid);
    void SendLoop();
    void Journal(const QString &line);
    void PublishRetained();

    TMqttSettings m_settings;
    TPublishQueue &m_queue;
    mosquitto *m_mosq = nullptr;
    std::atomic<TMqttState> m_state{TMqttState::Stopped};

    mutable std::mutex m_lock; // guards the members below
    std::condition_variable m_wake;
    bool m_stopping = false;
    bool m_dirty = true;              // the queue may hold messages not handed over
    qint64 m_sentUpTo = 0;            // the last queue id handed to the broker
    std::map<int, qint64> m_inFlight; // message id -> queue id
    std::vector<qint64> m_acked;      // to be removed from the queue
    std::vector<std::pair<QString, QByteArray>> m_retained;
    QString m_lastError;
    std::function<void(const QString &)> m_journal;
    bool m_refusalReported = false;

    std::thread m_sender;
};

} // namespace tals
