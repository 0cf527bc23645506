#include "ui/application/window_grab.h"

#include "tests/common/test_support.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

using namespace tals;

TEST(WindowGrab, SavesVisibleWindowsByObjectNameAsPng)
{
    test::ScratchDir dir;
    QLabel shown(QStringLiteral("Проба"));
    shown.setObjectName(QStringLiteral("FormShown"));
    shown.setStyleSheet(QStringLiteral("background: #00ff00"));
    shown.resize(120, 40);
    shown.show();
    QLabel hidden;
    hidden.setObjectName(QStringLiteral("FormHidden"));

    const QString folder = QDir(dir.path()).filePath(QStringLiteral("shots/nested"));
    const QStringList written =
        SaveWindowPictures(folder, {QStringLiteral("FormShown"), QStringLiteral("FormHidden"),
                                    QStringLiteral("None")});
    ASSERT_EQ(written, QStringList{QDir(folder).filePath(QStringLiteral("FormShown.png"))});
    const QImage image(written.front());
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), shown.size() * shown.devicePixelRatio());
    EXPECT_EQ(QColor(image.pixel(2, 2)), QColor(0, 255, 0));
    EXPECT_FALSE(SaveWindowPicture(&hidden, QDir(folder).filePath(QStringLiteral("x.png"))));
}
