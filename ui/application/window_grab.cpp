#include "ui/application/window_grab.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace tals {

bool SaveWindowPicture(QWidget *window, const QString &path)
{
    if (!window || !window->isVisible())
        return false;
    QApplication::processEvents();
    const QPixmap picture = window->grab();
    if (picture.isNull())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return picture.save(path, "PNG");
}

QStringList SaveWindowPictures(const QString &folder, const QStringList &objectNames)
{
    QStringList written;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QString &name : objectNames) {
        for (QWidget *window : windows) {
            if (window->objectName() != name || !window->isVisible())
                continue;
            const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
            if (SaveWindowPicture(window, path))
                written << path;
            break;
        }
    }
    return written;
}

void ScheduleWindowPictures(const QString &folder, const QStringList &objectNames, int delayMs,
                            bool quit)
{
    QTimer::singleShot(delayMs, qApp, [folder, objectNames, quit] {
        const QStringList written = SaveWindowPictures(folder, objectNames);
        if (quit)
            QApplication::exit(written.size() == objectNames.size() ? 0 : 1);
    });
}

} // namespace tals
