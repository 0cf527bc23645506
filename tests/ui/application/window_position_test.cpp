#include "ui/application/window_position.h"

#include "tests/common/test_support.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tals;

namespace {

QWidget *NamedWindow(const QString &name)
{
    auto *w = new QWidget;
    w->setObjectName(name);
    w->move(10, 20);
    w->resize(300, 200);
    return w;
}

} // namespace

TEST(WindowPosition, MissingFileOrSectionKeepsTheDesignPlacementAndCreatesNothing)
{
    test::ScratchDir dir;
    std::unique_ptr<QWidget> w(NamedWindow("FormTalsPar"));
    RestoreWindowPlacement(*w, dir.path());
    EXPECT_EQ(w->pos(), QPoint(10, 20));
    EXPECT_EQ(w->size(), QSize(300, 200));
    EXPECT_FALSE(QFileInfo::exists(dir.file("INI/WndPos.ini")));

    test::writeAll(dir.file("INI/WndPos.ini"), "[FormOther]\r\nLeft=500\r\n");
    RestoreWindowPlacement(*w, dir.path());
    EXPECT_EQ(w->pos(), QPoint(10, 20));
}

TEST(WindowPosition, AWindowSavedMaximisedOpensMaximised)
{
    test::ScratchDir dir;
    test::writeAll(dir.file("INI/WndPos.ini"),
                   "[FormMain]\r\nName=FormMain\r\nLeft=40\r\nTop=50\r\nWidth=640\r\nHeight="
                   "180\r\nWindowState=2\r\n");
    std::unique_ptr<QWidget> w(NamedWindow("FormMain"));
    RestoreWindowPlacement(*w, dir.path());
    w->show();
    QApplication::processEvents();
    EXPECT_TRUE(w->isMaximized());
    // The normal bounds are those of the file.
    EXPECT_EQ(w->normalGeometry().size(), QSize(640, 180));
}

TEST(WindowPosition, SaveWritesEveryKeyAndRestoreReadsThemBack)
{
    test::ScratchDir dir;
    test::writeAll(dir.file("ini/wndpos.ini"), "; kept\r\n[Other]\r\nLeft=1\r\n");
    {
        std::unique_ptr<QWidget> w(NamedWindow("FormReqAns"));
        w->move(123, 45);
        w->resize(400, 250);
        SaveWindowPlacement(*w, dir.path());
    }
    // The existing file is found without regard to case and keeps its other lines.
    const QByteArray text = test::readAll(dir.file("ini/wndpos.ini"));
    EXPECT_TRUE(text.startsWith("; kept\r\n[Other]\r\nLeft=1\r\n"));
    EXPECT_TRUE(text.contains("[FormReqAns]\r\nName=FormReqAns\r\nLeft=123\r\nTop=45\r\n"
                              "Width=400\r\nHeight=250\r\nWindowState=0\r\n"));

    std::unique_ptr<QWidget> w(NamedWindow("FormReqAns"));
    RestoreWindowPlacement(*w, dir.path());
    EXPECT_EQ(w->pos(), QPoint(123, 45));
    EXPECT_EQ(w->size(), QSize(400, 250));
    EXPECT_FALSE(w->isMaximized());
}

TEST(WindowPosition, MaximisedWindowSavesItsNormalBoundsAndState)
{
    test::ScratchDir dir;
    std::unique_ptr<QWidget> w(NamedWindow("FormGraph1"));
    w->show();
    w->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(w->isMaximized());
    SaveWindowPlacement(*w, dir.path());

    TWindowPlacement p;
    ASSERT_TRUE(TWindowPositionStore(dir.path()).Read("FormGraph1", p));
    EXPECT_EQ(p.WindowState, 2);
    EXPECT_EQ(p.Width, 300);
    EXPECT_EQ(p.Height, 200);
}
