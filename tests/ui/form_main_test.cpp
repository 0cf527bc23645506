#include "ui/main/form_main.h"

#include <QApplication>

#include <gtest/gtest.h>

TEST(FormMain, OpensAndClosesWithItsTitle)
{
    tals::TFormMain window;
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tals35xI-ModBus"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
}
