#include "device/tals352.h"

#include <gtest/gtest.h>

namespace tals {
namespace {

class Tals352Test : public ::testing::Test
{
protected:
    TProgramModes modes;
    Ttals352 model{modes};
};

TEST_F(Tals352Test, StartsWithTheTableDefaults)
{
    for (const TPropertyInfo &p : PropertyTable()) {
        if (p.Id == TProp::Usil)
            continue;
        EXPECT_DOUBLE_EQ(model.PropertyAsDouble(p.Id), p.Default) << p.Name;
    }
    EXPECT_EQ(model.SystemAddress(), 1);
    EXPECT_EQ(model.DeviceTypeNumber(), 20);
    EXPECT_EQ(model.ProgonMode(), 5);
    EXPECT_EQ(model.CalibrMode(), 2);
    EXPECT_TRUE(model.Enabled());
    EXPECT_EQ(model.InUse().Value().ToInteger(), 2);
    EXPECT_EQ(model.LinkState().Value().ToInteger(), 0);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Норма"));
}

} // namespace
} // namespace tals
