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

TEST(WindowPosition, StoredGeometryIsBroughtOntoTheScreen)
{
    const QList<QRect> screens{QRect(0, 0, 1366, 738), QRect(1366, 0, 1920, 1080)};
    const TWindowPlacement design{10, 20, 300, 200, 0};
    struct
    {
        const char *name;
        TWindowPlacement stored;
        TWindowPlacement expected;
    } const cases[] = {
        {"inside", {100, 50, 400, 300, 0}, {100, 50, 400, 300, 0}},
        {"on the second screen", {2000, 100, 640, 480, 2}, {2000, 100, 640, 480, 2}},
        {"huge size", {0, 0, 2147483647, 2147483647, 0}, {0, 0, 1366, 738, 0}},
        {"far right", {3000 + 1920, 50, 400, 300, 0}, {10, 20, 400, 300, 0}},
        {"far left", {-100000, -100000, 400, 300, 0}, {10, 20, 400, 300, 0}},
        {"near the integer limits",
         {2147483600, 2147483600, 2147483647, 100, 0},
         {10, 20, 1366, 100, 0}},
        {"partly visible keeps its place", {1200, 600, 400, 300, 0}, {1200, 600, 400, 300, 0}},
        {"title above the screen", {100, -50, 400, 300, 0}, {100, 0, 400, 300, 0}},
        {"unknown state", {100, 50, 400, 300, 7}, {100, 50, 400, 300, 0}},
        {"no size", {100, 50, 0, -5, 0}, {100, 50, 300, 200, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const TWindowPlacement p = FitPlacement(c.stored, design, screens);
        EXPECT_EQ(p.Left, c.expected.Left);
        EXPECT_EQ(p.Top, c.expected.Top);
        EXPECT_EQ(p.Width, c.expected.Width);
        EXPECT_EQ(p.Height, c.expected.Height);
        EXPECT_EQ(p.WindowState, c.expected.WindowState);
    }
}

TEST(WindowPosition, RestoreKeepsAWindowFromADamagedStoreOnTheScreen)
{
    test::ScratchDir dir;
    test::writeAll(dir.file("INI/WndPos.ini"),
                   "[FormTalsPar]\r\nLeft=3000\r\nTop=-100000\r\nWidth=2147483647\r\n"
                   "Height=2147483647\r\nWindowState=0\r\n");
    std::unique_ptr<QWidget> w(NamedWindow("FormTalsPar"));
    RestoreWindowPlacement(*w, dir.path());
    const QRect screen = AvailableScreenAreas().value(0);
    ASSERT_TRUE(screen.isValid());
    EXPECT_EQ(w->pos(), QPoint(10, 20)) << "the design position";
    EXPECT_LE(w->width(), screen.width());
    EXPECT_LE(w->height(), screen.height());
}
