#pragma once

// Debian's mosquitto broker started on a free 127.0.0.1 port with its own
// configuration file, and a subscriber through libmosquitto that keeps every
// message it receives with the time of arrival. For the tests and the
// benchmark of the station.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>

#include <mosquitto.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

namespace tals::test {

// The broker's program, empty when the package is not installed.
inline QString MosquittoProgram()
{
    for (const char *path : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto"})
        if (QFileInfo(QString::fromLatin1(path)).isExecutable())
            return QString::fromLatin1(path);
    return QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
}

inline int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

inline bool PortAccepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

class TMosquittoBroker
{
public:
    // folder: where the configuration, password and persistence files go.
    explicit TMosquittoBroker(const QString &folder) : m_folder(folder) {}
    ~TMosquittoBroker() { Stop(); }

    // Only this user with this password may connect when set before Start.
    void RequirePassword(const QString &user, const QString &password)
    {
        m_passwordFile = QDir(m_folder).filePath(QStringLiteral("passwd"));
        QFile::remove(m_passwordFile);
        QProcess::execute(
            QStringLiteral("mosquitto_passwd"),
            {QStringLiteral("-c"), QStringLiteral("-b"), m_passwordFile, user, password});
    }

    // A second listener on its own free port speaks TLS with this
    // certificate, signed by a certification authority the client must trust.
    void EnableTls(const QString &certFile, const QString &keyFile)
    {
        m_certFile = certFile;
        m_keyFile = keyFile;
    }

    // Starts on a free port the first time, on the same port again after Stop.
    bool Start()
    {
        if (m_port == 0)
            m_port = FreeLoopbackPort();
        if (!m_certFile.isEmpty() && m_tlsPort == 0)
            m_tlsPort = FreeLoopbackPort();
        const QString config = QDir(m_folder).filePath(QStringLiteral("mosquitto.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QByteArray text = "listener " + QByteArray::number(m_port) + " 127.0.0.1\n";
        // Started as root the broker would switch to its own user, who cannot
        // read the scratch folder: it stays the user who runs the test.
        if (const passwd *user = ::getpwuid(::geteuid()))
            text += QByteArray("user ") + user->pw_name + "\n";
        if (m_passwordFile.isEmpty())
            text += "allow_anonymous true\n";
        else
            text +=
                "allow_anonymous false\npassword_file " + QFile::encodeName(m_passwordFile) + "\n";
        // Sessions and retained messages survive a restart, as on a plant's broker.
        text += "persistence true\npersistence_location " + QFile::encodeName(m_folder) +
                "/\nmax_queued_messages 100000\n";
        if (m_tlsPort != 0)
            text += "listener " + QByteArray::number(m_tlsPort) + " 127.0.0.1\ncertfile " +
                    QFile::encodeName(m_certFile) + "\nkeyfile " + QFile::encodeName(m_keyFile) +
                    "\n";
        file.write(text);
        file.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(MosquittoProgram(), {QStringLiteral("-c"), config});
        if (!m_process.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000) {
            if (PortAccepts(m_port))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    int Port() const { return m_port; }
    QString Url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(m_port); }
    QString TlsUrl() const { return QStringLiteral("mqtts://127.0.0.1:%1").arg(m_tlsPort); }
    QByteArray Output() { return m_process.readAll(); }

private:
    QString m_folder;
    QString m_passwordFile;
    QString m_certFile, m_keyFile;
    int m_port = 0;
    int m_tlsPort = 0;
    QProcess m_process;
};

struct TReceived
{
    QString Topic;
    QByteArray Payload;
    bool Retained = false;
    qint64 ArrivalMs = 0; // milliseconds since the epoch
};

// Subscribes to the filter with QoS 1 in a persistent session, so messages
// sent while it reconnects after a broker restart still reach it.
class TMqttSubscriber
{
public:
    TMqttSubscriber(int port, const QString &filter, const QString &clientId)
        : m_filter(filter.toUtf8())
    {
        mosquitto_lib_init();
        m_mosq = mosquitto_new(clientId.toUtf8().constData(), false, this);
        mosquitto_connect_callback_set(m_mosq, [](mosquitto *m, void *self, int rc) {
            auto *s = static_cast<TMqttSubscriber *>(self);
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, s->m_filter.constData(), 1);
            std::lock_guard guard(s->m_lock);
            s->m_connected = rc == 0;
        });
        mosquitto_subscribe_callback_set(m_mosq,
                                         [](mosquitto *, void *self, int, int, const int *) {
                                             auto *s = static_cast<TMqttSubscriber *>(self);
                                             std::lock_guard guard(s->m_lock);
                                             s->m_subscribed = true;
                                         });
        mosquitto_message_callback_set(
            m_mosq, [](mosquitto *, void *self, const mosquitto_message *m) {
                auto *s = static_cast<TMqttSubscriber *>(self);
                TReceived r;
                r.Topic = QString::fromUtf8(m->topic);
                r.Payload = QByteArray(static_cast<const char *>(m->payload), m->payloadlen);
                r.Retained = m->retain;
                r.ArrivalMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
                std::lock_guard guard(s->m_lock);
                s->m_messages.push_back(std::move(r));
            });
        mosquitto_reconnect_delay_set(m_mosq, 1, 1, false);
        mosquitto_connect(m_mosq, "127.0.0.1", port, 10);
        mosquitto_loop_start(m_mosq);
    }
    ~TMqttSubscriber()
    {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, false);
        mosquitto_destroy(m_mosq);
    }

    bool WaitSubscribed(int timeoutMs = 5000)
    {
        return WaitFor([this] { return m_subscribed; }, timeoutMs);
    }
    std::vector<TReceived> Messages() const
    {
        std::lock_guard guard(m_lock);
        return m_messages;
    }
    // Waits until the condition over the messages holds (checked every 20 ms).
    bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            {
                std::lock_guard guard(m_lock);
                if (condition())
                    return true;
            }
            QThread::msleep(20);
        }
        std::lock_guard guard(m_lock);
        return condition();
    }
    // The messages of one topic, in arrival order (call inside WaitFor only
    // through messages()).
    std::vector<TReceived> &messages() { return m_messages; }

private:
    QByteArray m_filter;
    mosquitto *m_mosq = nullptr;
    mutable std::mutex m_lock;
    bool m_connected = false;
    bool m_subscribed = false;
    std::vector<TReceived> m_messages;
};

} // namespace tals::test
