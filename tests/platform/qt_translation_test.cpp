#include "platform/qt_translation.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace tals {
namespace {

TEST(QtTranslation, StandardButtonsSpeakRussianWhileInstalled)
{
    const char *context = "QPlatformTheme";
    {
        const auto translator = InstallQtTranslation();
        ASSERT_NE(translator, nullptr) << "qt6-translations-l10n is not installed";
        EXPECT_EQ(QCoreApplication::translate(context, "Cancel"), QStringLiteral("Отмена"));
    }
    EXPECT_EQ(QCoreApplication::translate(context, "Cancel"), QStringLiteral("Cancel"));
}

} // namespace
} // namespace tals
