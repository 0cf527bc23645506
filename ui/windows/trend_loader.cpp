#include "ui/windows/trend_loader.h"

#include <QMetaObject>

namespace tals {

TTrendLoader::TTrendLoader(const TArchive *archive, QObject *parent)
    : QObject(parent), m_archive(archive)
{
    qRegisterMetaType<std::shared_ptr<const TTrendResult>>();
}

TTrendLoader::~TTrendLoader()
{
    Stop();
}

void TTrendLoader::Stop()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
    m_cancel = false;
}

void TTrendLoader::Cancel()
{
    m_cancel = true;
}

quint64 TTrendLoader::Start(const TTrendRequest &request)
{
    Stop();
    const quint64 id = ++m_id;
    m_busy = true;
    m_worker = std::thread([this, id, request] {
        auto result = std::make_shared<TTrendResult>();
        result->id = id;
        result->request = request;
        const int names = int(request.names.size());
        const int columns = std::max(1, request.columns);
        const double step = (request.to - request.from) / columns;
        for (int i = 0; i < names; ++i) {
            TEnvelopeRequest r;
            r.Name = request.names[i];
            r.From = request.from;
            r.To = request.to;
            r.Step = step > 0 ? step : 1.0 / SecondsPerDay;
            r.Now = request.now;
            r.RawLimit = qint64(columns) * kRawPerColumn;
            TEnvelope e;
            if (m_archive && !m_cancel) {
                e = ReadEnvelope(*m_archive, r, &m_cancel, [&](int done, int total) {
                    const int all = total * names;
                    const int now = i * total + done;
                    QMetaObject::invokeMethod(
                        this, [this, id, now, all] { emit progress(id, now, all); },
                        Qt::QueuedConnection);
                    if (afterDay && (done < total || i + 1 < names))
                        afterDay();
                });
            }
            if (m_cancel)
                e.Cancelled = true;
            result->cancelled = result->cancelled || e.Cancelled;
            result->daysRead += e.DaysRead;
            result->days += e.Days;
            result->series.push_back(std::move(e));
        }
        std::shared_ptr<const TTrendResult> done = std::move(result);
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                if (done->id == m_id)
                    m_busy = false;
                emit finished(done);
            },
            Qt::QueuedConnection);
    });
    return id;
}

} // namespace tals
