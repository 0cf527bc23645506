#include "ui/dialogs/form_progress_bar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <QScreen>
#include <QShortcutEvent>

#include <algorithm>
#include <cmath>

namespace tals {

namespace {

QPointer<TFormProgressBar> g_window;
bool g_processing = false;
QList<QKeyCombination> g_passKeys{QKeyCombination(Qt::ControlModifier, Qt::Key_C)};
QList<QPointer<QWidget>> g_passWidgets;

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

bool IsPassThroughKey(const QEvent *event)
{
    QKeyCombination key;
    if (event->type() == QEvent::Shortcut) {
        const QKeySequence seq = static_cast<const QShortcutEvent *>(event)->key();
        if (seq.count() != 1)
            return false;
        key = seq[0];
    } else if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        key = static_cast<const QKeyEvent *>(event)->keyCombination();
        // Keypad and similar flags do not make another key.
        key = QKeyCombination(key.keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                         Qt::AltModifier | Qt::MetaModifier),
                              key.key());
    } else {
        return false;
    }
    return g_passKeys.contains(key);
}

bool IsInside(const QWidget *widget, const QWidget *container)
{
    return container && widget && (widget == container || container->isAncestorOf(widget));
}

} // namespace

std::optional<int> ProgressPercent(int position, int maximum)
{
    if (maximum == 0)
        return std::nullopt;
    const double percent = std::nearbyint(double(position) * 100.0 / double(maximum));
    if (!std::isfinite(percent) || std::fabs(percent) > 1e9)
        return std::nullopt;
    return int(percent);
}

// Swallows user input to the windows of the program while the progress
// window exists, except for pass-through keys and widgets and for modal
// windows opened after it.
class TFormProgressBar::TInputGuard : public QObject
{
public:
    explicit TInputGuard(QObject *parent)
        : QObject(parent), m_modalBefore(QApplication::activeModalWidget())
    {
        qApp->installEventFilter(this);
    }
    ~TInputGuard() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!IsUserInput(event->type()))
            return false;
        // Programmatic closes stay possible; only the user's are held back.
        if (event->type() == QEvent::Close && !event->spontaneous())
            return false;
        if (IsPassThroughKey(event))
            return false;
        QWidget *widget = qobject_cast<QWidget *>(watched);
        if (!widget) {
            // Shortcuts go to actions and shortcut objects; the window system's
            // input goes to windows first and reaches the widgets afterwards.
            if (event->type() != QEvent::Shortcut)
                return false;
        } else {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal != m_modalBefore && IsInside(widget, modal))
                return false;
            for (const QPointer<QWidget> &pass : g_passWidgets) {
                if (IsInside(widget, pass))
                    return false;
            }
        }
        if (event->type() == QEvent::Close)
            event->ignore();
        return true;
    }

private:
    QPointer<QWidget> m_modalBefore;
};

TFormProgressBar::TFormProgressBar(const QString &text, int maximum)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_text(text),
      m_maximum(maximum)
{
    setObjectName(QStringLiteral("FormProgressBar"));
    setWindowTitle(QStringLiteral("Выполнено"));
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setRange(0, 100);
    pbProgress->setValue(0);
    pbProgress->setTextVisible(false);
    pbProgress->setGeometry(0, 0, 641, 16);
    setFixedSize(641, 16);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    m_guard = new TInputGuard(this);
    UpdateCaption();
}

TFormProgressBar::~TFormProgressBar() = default;

TFormProgressBar *TFormProgressBar::Current()
{
    return g_window.data();
}

void TFormProgressBar::UpdateCaption()
{
    setWindowTitle(m_text + QLatin1Char(' ') + QString::number(m_percent) + QLatin1Char('%'));
}

bool TFormProgressBar::Step(int position)
{
    const std::optional<int> percent = ProgressPercent(position, m_maximum);
    if (!percent || *percent == m_percent)
        return false;
    m_percent = *percent;
    pbProgress->setValue(std::clamp(m_percent, 0, 100));
    UpdateCaption();
    return true;
}

void TFormProgressBar::ShowProgress(const QString &text, int position, int maximum)
{
    if (!qApp)
        return;
    if (!g_window) {
        g_window = new TFormProgressBar(text, maximum);
        // Destroyed at the latest when the program ends.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_window.data(),
                         [] { CloseProgress(); });
    }
    bool changed = false;
    if (position >= 0)
        changed = g_window->Step(position);
    if (!g_window->isVisible()) {
        g_window->show();
        g_window->raise();
    }
    // Repaint during the long operation; user input is held back by the guard.
    // A call made from inside that processing does not process again.
    if (changed && !g_processing) {
        g_processing = true;
        QApplication::processEvents();
        g_processing = false;
    }
}

void TFormProgressBar::CloseProgress()
{
    delete g_window.data();
}

void TFormProgressBar::SetPassThroughKeys(const QList<QKeyCombination> &keys)
{
    g_passKeys = keys;
}

void TFormProgressBar::AddPassThroughWidget(QWidget *widget)
{
    g_passWidgets.removeAll(QPointer<QWidget>());
    if (widget)
        g_passWidgets.append(widget);
}

void TFormProgressBar::closeEvent(QCloseEvent *event)
{
    // Only CloseProgress ends the window.
    event->ignore();
}

} // namespace tals
