#pragma once

// Runs a check on the modal window that a call under test opens.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace tals::test {

// Calls action with the active modal window once one is open (polling from
// the modal loop); gives up after two seconds, closing nothing.
inline void WhenModal(std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal && clock->elapsed() < 2000)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (modal)
            action(modal);
    });
    timer->start();
}

// Finds a child by object name and type, or null.
template <class T> T *Child(QWidget *window, const char *name)
{
    return window ? window->findChild<T *>(QLatin1String(name)) : nullptr;
}

} // namespace tals::test
