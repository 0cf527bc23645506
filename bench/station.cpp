// The measuring station against the simulated transducer and a local
// mosquitto broker:
//   station_publish_p50_ms / station_publish_p99_ms: from the answer's arrival
//     (the reading's time stamp) to its message at a subscriber, at a 200 ms
//     poll, over 30 s;
//   station_catchup_per_s: how fast a queue of 10,000 readings left by an
//     outage drains to the broker once it is reachable.
// The figures end as `key: value` lines.

#include "link/mqtt_publisher.h"
#include "storage/publish_queue.h"
#include "tests/common/mqtt_broker.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <set>

using namespace tals;
using namespace tals::test;

namespace {

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t i =
        std::min(values.size() - 1, std::size_t(p * double(values.size() - 1) + 0.5));
    return values[i];
}

bool PublishLatency(const QTemporaryDir &dir, const TMosquittoBroker &broker, double &p50,
                    double &p99, int &count)
{
    TMqttSubscriber sub(broker.Port(), QStringLiteral("tals35xi/+/readings"),
                        QStringLiteral("bench-latency"));
    if (!sub.WaitSubscribed())
        return false;
    QProcess station;
    station.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tals35xi-cli"),
                  {QStringLiteral("station"), QStringLiteral("--simulate"),
                   QStringLiteral("--period"), QStringLiteral("200"), QStringLiteral("--mqtt"),
                   broker.Url(), QStringLiteral("--start-dir"), dir.path(),
                   QStringLiteral("--program-dir"), dir.path()});
    if (!station.waitForStarted(5000))
        return false;
    sub.WaitFor([&] { return sub.messages().size() >= 150; }, 60000);
    ::kill(pid_t(station.processId()), SIGTERM);
    station.waitForFinished(10000);

    std::vector<double> latencies;
    for (const TReceived &m : sub.Messages()) {
        const QDateTime t = QDateTime::fromString(
            QJsonDocument::fromJson(m.Payload).object().value(QStringLiteral("time")).toString(),
            Qt::ISODateWithMs);
        if (t.isValid())
            latencies.push_back(double(m.ArrivalMs - t.toMSecsSinceEpoch()));
    }
    // The first readings wait for the connection to the broker.
    if (latencies.size() > 10)
        latencies.erase(latencies.begin(), latencies.begin() + 5);
    count = int(latencies.size());
    p50 = Percentile(latencies, 0.50);
    p99 = Percentile(latencies, 0.99);
    return count > 0;
}

double CatchUp(const QTemporaryDir &dir, const TMosquittoBroker &broker, int total)
{
    TPublishQueue queue(dir.filePath(QStringLiteral("catchup.queue")), 512LL * 1024 * 1024);
    if (!queue.Open())
        return -1;
    const QByteArray sample =
        R"({"time":"2026-12-11T10:00:00.000+03:00","distance":1234.5,"level":8765.5,)"
        R"("free_space":1234.5,"temperature":21,"status":0)";
    for (int i = 0; i < total; ++i)
        queue.PushNumbered(
            QStringLiteral("bench"), QStringLiteral("tals35xi/9999/readings"),
            [&](qint64 seq) { return sample + ",\"seq\":" + QByteArray::number(seq) + "}"; });
    TMqttSubscriber sub(broker.Port(), QStringLiteral("tals35xi/9999/readings"),
                        QStringLiteral("bench-catchup"));
    if (!sub.WaitSubscribed())
        return -1;
    TMqttSettings settings;
    settings.Url = *ParseMqttUrl(broker.Url());
    settings.ClientId = QStringLiteral("bench-catchup-station");
    TMqttPublisher publisher(settings, queue);
    QElapsedTimer timer;
    timer.start();
    publisher.Start();
    if (!sub.WaitFor([&] { return int(sub.messages().size()) >= total; }, 120000))
        return -1;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    publisher.Stop();
    return double(total) / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (MosquittoProgram().isEmpty()) {
        std::fprintf(stderr, "bench_station: mosquitto is not installed\n");
        return 1;
    }
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("broker")));
    TMosquittoBroker broker(dir.filePath(QStringLiteral("broker")));
    if (!broker.Start()) {
        std::fprintf(stderr, "bench_station: the broker did not start\n");
        return 1;
    }
    double p50 = -1, p99 = -1;
    int count = 0;
    if (!PublishLatency(dir, broker, p50, p99, count))
        std::fprintf(stderr, "bench_station: no readings reached the subscriber\n");
    const double rate = CatchUp(dir, broker, 10000);
    std::printf("station_publish_messages: %d\n", count);
    std::printf("station_publish_p50_ms: %.1f\n", p50);
    std::printf("station_publish_p99_ms: %.1f\n", p99);
    std::printf("station_catchup_per_s: %.0f\n", rate);
    return p50 >= 0 && rate > 0 ? 0 : 1;
}
