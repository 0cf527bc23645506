#include "ui/windows/spectrum_player.h"

#include "device/spectrum_recording.h"
#include "platform/number_format.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace tals {

namespace {

QToolButton *Button(QWidget *parent, const char *name, const QString &text, const char *hint)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(QString::fromUtf8(hint));
    button->setAutoRaise(true);
    return button;
}

} // namespace

TSpectrumPlayer::TSpectrumPlayer(TSpectrumRecording &recording, QWidget *parent)
    : QWidget(parent), m_recording(recording)
{
    setObjectName(QStringLiteral("SpectrumPlayer"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 2);
    m_back = Button(this, "tbtnStepBack", QStringLiteral("◀"), "Предыдущая кривая записи");
    m_play = Button(this, "tbtnPlay", QStringLiteral("Пуск"), "Проиграть запись");
    m_pause = Button(this, "tbtnPause", QStringLiteral("Пауза"), "Остановить проигрывание");
    m_forward = Button(this, "tbtnStepForward", QStringLiteral("▶"), "Следующая кривая записи");
    m_live = Button(this, "tbtnLive", QStringLiteral("Текущая"), "Последняя считанная кривая");
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("sbFrames"));
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblFrame"));
    m_label->setMinimumWidth(300);
    for (QWidget *w : std::initializer_list<QWidget *>{m_back, m_play, m_pause, m_forward, m_live})
        row->addWidget(w);
    row->addWidget(m_slider, 1);
    row->addWidget(m_label);

    m_timer = new QTimer(this);
    m_timer->setInterval(kPlayIntervalMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_index < 0 || m_index + 1 >= m_recording.Count()) {
            Pause();
            return;
        }
        Choose(m_index + 1);
    });
    connect(m_back, &QToolButton::clicked, this, [this] { Step(-1); });
    connect(m_forward, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_play, &QToolButton::clicked, this, &TSpectrumPlayer::Play);
    connect(m_pause, &QToolButton::clicked, this, &TSpectrumPlayer::Pause);
    connect(m_live, &QToolButton::clicked, this, [this] { Choose(-1); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) { Choose(value); });
    connect(&m_recording, &TSpectrumRecording::Added, this, &TSpectrumPlayer::RecordingChanged);
    connect(&m_recording, &TSpectrumRecording::Reset, this, [this] {
        Pause();
        m_index = -1;
        RecordingChanged();
        emit FrameChosen(-1);
    });
    UpdateControls();
}

bool TSpectrumPlayer::Playing() const
{
    return m_timer->isActive();
}

void TSpectrumPlayer::Play()
{
    if (m_recording.Count() == 0)
        return;
    // From the start when at the present curve or at the end.
    if (m_index < 0 || m_index + 1 >= m_recording.Count())
        Choose(0);
    m_timer->start();
    UpdateControls();
}

void TSpectrumPlayer::Pause()
{
    m_timer->stop();
    UpdateControls();
}

void TSpectrumPlayer::Step(int delta)
{
    Pause();
    const int count = m_recording.Count();
    if (count == 0)
        return;
    const int from = m_index < 0 ? count : m_index;
    Choose(std::clamp(from + delta, 0, count - 1));
}

void TSpectrumPlayer::Choose(int index)
{
    const int count = m_recording.Count();
    index = index < 0 || count == 0 ? -1 : std::min(index, count - 1);
    if (index == m_index) {
        UpdateControls();
        return;
    }
    m_index = index;
    UpdateControls();
    emit FrameChosen(m_index);
}

void TSpectrumPlayer::RecordingChanged()
{
    // A curve that dropped out of a full recording moves the index with it.
    if (m_index >= m_recording.Count())
        m_index = m_recording.Count() - 1;
    UpdateControls();
}

QString TSpectrumPlayer::LabelText() const
{
    const int count = m_recording.Count();
    if (m_index < 0)
        return count == 0 ? QStringLiteral("Запись пуста")
                          : QStringLiteral("Текущая кривая; в записи %1").arg(count);
    const TEchoCurve &curve = m_recording.At(m_index);
    QString text = ToQDateTime(curve.Time).toString(QStringLiteral("HH:mm:ss"));
    if (std::isfinite(curve.Distance))
        text += QStringLiteral("  ") + FloatToStrF(curve.Distance, ffNumber, 10, 1) +
                QStringLiteral(" мм");
    return text + QStringLiteral("  (%1 из %2)").arg(m_index + 1).arg(count);
}

void TSpectrumPlayer::UpdateControls()
{
    const int count = m_recording.Count();
    {
        const QSignalBlocker block(m_slider);
        m_slider->setRange(0, std::max(0, count - 1));
        m_slider->setValue(m_index < 0 ? std::max(0, count - 1) : m_index);
        m_slider->setEnabled(count > 0);
    }
    m_back->setEnabled(count > 0 && m_index != 0);
    m_forward->setEnabled(m_index >= 0 && m_index + 1 < count);
    m_play->setEnabled(count > 0 && !Playing());
    m_pause->setEnabled(Playing());
    m_live->setEnabled(m_index >= 0);
    m_label->setText(LabelText());
}

} // namespace tals
