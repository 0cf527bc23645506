#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char **argv)
{
    // The same zone and locale whether run by ctest or by hand.
    setenv("TZ", "Europe/Moscow", 0);
    setenv("LC_ALL", "C.UTF-8", 0);
    tzset();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
