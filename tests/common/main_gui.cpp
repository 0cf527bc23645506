#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char **argv)
{
    // Headless, with the same zone and locale whether run by ctest or by hand.
    setenv("TZ", "Europe/Moscow", 0);
    setenv("LC_ALL", "C.UTF-8", 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    tzset();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
