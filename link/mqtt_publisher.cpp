#include "link/mqtt_publisher.h"

#include "platform/codepage.h"
#include "storage/publish_queue.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <mosquitto.h>

#include <chrono>

namespace tals {

namespace {

// Messages handed to libmosquitto and not yet acknowledged, at most.
constexpr int kWindow = 500;
const QByteArray kOffline("offline");

void InitLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString ConnackText(int rc)
{
    switch (rc) {
    case 1:
        return QStringLiteral("брокер MQTT не поддерживает версию протокола");
    case 2:
        return QStringLiteral("брокер MQTT отклонил идентификатор клиента");
    case 3:
        return QStringLiteral("брокер MQTT недоступен");
    case 4:
        return QStringLiteral("брокер MQTT отклонил имя пользователя или пароль");
    case 5:
        return QStringLiteral(
            "брокер MQTT отказал в доступе: неверные имя пользователя или пароль, "
            "или нет прав");
    default:
        return QStringLiteral("брокер MQTT отклонил подключение, код %1").arg(rc);
    }
}

} // namespace

std::optional<TMqttUrl> ParseMqttUrl(const QString &text, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<TMqttUrl> {
        if (error)
            *error = QStringLiteral("--mqtt %1: %2").arg(text, why);
        return std::nullopt;
    };
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return fail(QStringLiteral("нужен адрес вида mqtt://УЗЕЛ:ПОРТ или mqtts://УЗЕЛ:ПОРТ"));
    TMqttUrl result;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mqtts"))
        result.Tls = true;
    else if (scheme != QLatin1String("mqtt"))
        return fail(QStringLiteral("схема должна быть mqtt:// или mqtts://"));
    if (!url.userInfo().isEmpty())
        return fail(QStringLiteral("имя и пароль не указываются в адресе, только в "
                                   "--mqtt-credentials"));
    if (!url.path().isEmpty() && url.path() != QLatin1String("/"))
        return fail(QStringLiteral("в адресе брокера нет пути"));
    result.Host = url.host();
    result.Port = url.port(result.Tls ? 8883 : 1883);
    if (result.Port < 1 || result.Port > 65535)
        return fail(QStringLiteral("порт от 1 до 65535"));
    return result;
}

std::optional<TMqttCredentials> ReadMqttCredentials(const QString &path, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<TMqttCredentials> {
        if (error)
            *error = QStringLiteral("--mqtt-credentials %1: %2").arg(path, why);
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("файл не читается (%1)").arg(file.errorString()));
    TMqttCredentials c;
    bool user = false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const int eq = line.indexOf('=');
        if (eq < 0)
            return fail(QStringLiteral("строка без \"=\""));
        const QByteArray key = line.left(eq).trimmed();
        const QString value = QString::fromUtf8(line.mid(eq + 1).trimmed());
        if (key == "username") {
            c.User = value;
            user = true;
        } else if (key == "password") {
            c.Password = value;
        } else {
            return fail(QStringLiteral("неизвестный ключ %1").arg(QString::fromUtf8(key)));
        }
    }
    if (!user || c.User.isEmpty())
        return fail(QStringLiteral("нет строки username=ИМЯ"));
    return c;
}

TMqttPublisher::TMqttPublisher(TMqttSettings settings, TPublishQueue &queue)
    : m_settings(std::move(settings)), m_queue(queue)
{}

TMqttPublisher::~TMqttPublisher()
{
    Stop(0);
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

void TMqttPublisher::SetJournal(std::function<void(const QString &)> journal)
{
    std::lock_guard guard(m_lock);
    m_journal = std::move(journal);
}

void TMqttPublisher::Journal(const QString &line)
{
    std::function<void(const QString &)> journal;
    {
        std::lock_guard guard(m_lock);
        journal = m_journal;
    }
    if (journal)
        journal(line);
}

QString TMqttPublisher::LastError() const
{
    std::lock_guard guard(m_lock);
    return m_lastError;
}

int TMqttPublisher::InFlight() const
{
    std::lock_guard guard(m_lock);
    return int(m_inFlight.size());
}

bool TMqttPublisher::Start(QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    InitLibrary();
    const QByteArray id = m_settings.ClientId.toUtf8();
    m_mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), true, this);
    if (!m_mosq)
        return fail(QStringLiteral("MQTT: клиент не создан"));
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &TMqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(m_mosq, &TMqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(m_mosq, &TMqttPublisher::OnPublish);
    mosquitto_max_inflight_messages_set(m_mosq, 0); // our own window bounds them
    mosquitto_reconnect_delay_set(m_mosq, 1, 5, false);
    if (!m_settings.WillTopic.isEmpty()) {
        const QByteArray topic = m_settings.WillTopic.toUtf8();
        mosquitto_will_set(m_mosq, topic.constData(), int(kOffline.size()), kOffline.constData(), 1,
                           true);
    }
    if (m_settings.Credentials) {
        const QByteArray user = m_settings.Credentials->User.toUtf8();
        const QByteArray password = m_settings.Credentials->Password.toUtf8();
        mosquitto_username_pw_set(m_mosq, user.constData(), password.constData());
    }
    if (m_settings.Url.Tls) {
        const QByteArray ca = QFile::encodeName(m_settings.CaFile);
        if (!m_settings.CaFile.isEmpty() && !QFileInfo(m_settings.CaFile).isReadable())
            return fail(QStringLiteral("--mqtt-ca %1: файл не читается").arg(m_settings.CaFile));
        const int rc =
            m_settings.CaFile.isEmpty()
                ? mosquitto_tls_set(m_mosq, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                : mosquitto_tls_set(m_mosq, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(
                QStringLiteral("MQTT TLS: %1").arg(QString::fromUtf8(mosquitto_strerror(rc))));
    }
    m_state = TMqttState::Connecting;
    {
        std::lock_guard guard(m_lock);
        m_stopping = false;
    }
    // A broker not reachable yet is no error: libmosquitto's thread retries.
    const QByteArray host = m_settings.Url.Host.toUtf8();
    mosquitto_connect_async(m_mosq, host.constData(), m_settings.Url.Port,
                            m_settings.KeepAliveSeconds);
    if (const int rc = mosquitto_loop_start(m_mosq); rc != MOSQ_ERR_SUCCESS)
        return fail(QStringLiteral("MQTT: %1").arg(QString::fromUtf8(mosquitto_strerror(rc))));
    m_sender = std::thread([this] { SendLoop(); });
    return true;
}

void TMqttPublisher::Stop(int timeoutMs)
{
    if (!m_mosq || m_state == TMqttState::Stopped)
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (m_state == TMqttState::Connected && !m_settings.WillTopic.isEmpty()) {
        // The messages in flight first, then the state.
        std::unique_lock lock(m_lock);
        m_wake.wait_until(lock, deadline, [this] { return m_inFlight.empty() && !m_dirty; });
        lock.unlock();
        int mid = 0;
        const QByteArray topic = m_settings.WillTopic.toUtf8();
        mosquitto_publish(m_mosq, &mid, topic.constData(), int(kOffline.size()),
                          kOffline.constData(), 1, true);
        // Give the offline state its round trip.
        while (std::chrono::steady_clock::now() < deadline && mosquitto_want_write(m_mosq))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs > 0 ? 50 : 0));
    }
    {
        std::lock_guard guard(m_lock);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_sender.joinable())
        m_sender.join();
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    m_state = TMqttState::Stopped;
}

void TMqttPublisher::SetRetained(const QString &topic, const QByteArray &payload)
{
    {
        std::lock_guard guard(m_lock);
        bool found = false;
        for (auto &[t, p] : m_retained)
            if (t == topic) {
                p = payload;
                found = true;
            }
        if (!found)
            m_retained.emplace_back(topic, payload);
    }
    if (m_state == TMqttState::Connected) {
        const QByteArray t = topic.toUtf8();
        mosquitto_publish(m_mosq, nullptr, t.constData(), int(payload.size()), payload.constData(),
                          1, true);
    }
}

void TMqttPublisher::PublishRetained()
{
    std::vector<std::pair<QString, QByteArray>> retained;
    {
        std::lock_guard guard(m_lock);
        retained = m_retained;
    }
    for (const auto &[topic, payload] : retained) {
        const QByteArray t = topic.toUtf8();
        mosquitto_publish(m_mosq, nullptr, t.constData(), int(payload.size()), payload.constData(),
                          1, true);
    }
}

void TMqttPublisher::Notify()
{
    {
        std::lock_guard guard(m_lock);
        m_dirty = true;
    }
    m_wake.notify_all();
}

void TMqttPublisher::OnConnect(mosquitto *, void *self, int rc)
{
    auto *p = static_cast<TMqttPublisher *>(self);
    if (rc != 0) {
        const QString why = ConnackText(rc);
        bool report = false;
        {
            std::lock_guard guard(p->m_lock);
            p->m_lastError = why;
            report = !p->m_refusalReported;
            p->m_refusalReported = true;
        }
        p->m_state = TMqttState::Refused;
        if (report)
            p->Journal(QStringLiteral("MQTT: %1 (%2:%3)")
                           .arg(why, p->m_settings.Url.Host)
                           .arg(p->m_settings.Url.Port));
        return;
    }
    {
        std::lock_guard guard(p->m_lock);
        p->m_refusalReported = false;
        p->m_lastError.clear();
        p->m_dirty = true;
    }
    p->m_state = TMqttState::Connected;
    p->PublishRetained();
    p->Journal(QStringLiteral("MQTT: подключение к брокеру %1:%2")
                   .arg(p->m_settings.Url.Host)
                   .arg(p->m_settings.Url.Port));
    p->m_wake.notify_all();
}

void TMqttPublisher::OnDisconnect(mosquitto *, void *self, int rc)
{
    auto *p = static_cast<TMqttPublisher *>(self);
    if (p->m_state == TMqttState::Refused)
        return;
    const bool wasConnected = p->m_state == TMqttState::Connected;
    p->m_state = TMqttState::Lost;
    if (rc != 0 && wasConnected) {
        {
            std::lock_guard guard(p->m_lock);
            p->m_lastError = QStringLiteral("связь с брокером MQTT потеряна");
        }
        p->Journal(QStringLiteral("MQTT: связь с брокером %1:%2 потеряна, сообщения ждут в очереди")
                       .arg(p->m_settings.Url.Host)
                       .arg(p->m_settings.Url.Port));
    }
}

void TMqttPublisher::OnPublish(mosquitto *, void *self, int mid)
{
    auto *p = static_cast<TMqttPublisher *>(self);
    {
        std::lock_guard guard(p->m_lock);
        const auto it = p->m_inFlight.find(mid);
        if (it == p->m_inFlight.end())
            return; // a retained message
        p->m_acked.push_back(it->second);
        p->m_inFlight.erase(it);
    }
    p->m_wake.notify_all();
}

void TMqttPublisher::SendLoop()
{
    std::unique_lock lock(m_lock);
    while (!m_stopping) {
        m_wake.wait_for(lock, std::chrono::milliseconds(500), [this] {
            return m_stopping || !m_acked.empty() ||
                   (m_dirty && m_state == TMqttState::Connected &&
                    int(m_inFlight.size()) < kWindow);
        });
        if (!m_acked.empty()) {
            std::vector<qint64> acked;
            acked.swap(m_acked);
            lock.unlock();
            m_queue.Remove(acked);
            lock.lock();
            m_wake.notify_all(); // Stop may wait for the queue to empty
        }
        if (m_stopping || m_state != TMqttState::Connected || !m_dirty ||
            int(m_inFlight.size()) >= kWindow)
            continue;
        const int room = kWindow - int(m_inFlight.size());
        const qint64 after = m_sentUpTo;
        lock.unlock();
        const std::vector<TQueuedMessage> batch = m_queue.Next(after, room);
        lock.lock();
        if (batch.empty()) {
            m_dirty = false;
            m_wake.notify_all();
            continue;
        }
        // The lock is kept while handing over, so an acknowledgement finds its id.
        for (const TQueuedMessage &m : batch) {
            int mid = 0;
            const QByteArray topic = m.Topic.toUtf8();
            if (mosquitto_publish(m_mosq, &mid, topic.constData(), int(m.Payload.size()),
                                  m.Payload.constData(), 1, false) != MOSQ_ERR_SUCCESS)
                break; // not connected any more: the rest waits in the queue
            m_inFlight[mid] = m.Id;
            m_sentUpTo = m.Id;
        }
    }
}

} // namespace tals
