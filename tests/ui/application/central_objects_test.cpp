#include "ui/application/central_objects.h"

#include "device/program_modes.h"
#include "device/tals352.h"

#include <gtest/gtest.h>

using namespace tals;

TEST(Tals352Device, PropertiesGoThroughTheModelsSetters)
{
    TProgramModes modes;
    Ttals352 model(modes);
    TTals352Device device(model);

    EXPECT_EQ(device.Value("Hmax"), 30000);
    EXPECT_EQ(device.Value("ValueDigits"), 1);
    device.SetValue("Hmax", 10000);
    EXPECT_EQ(model.Hmax(), 10000);
    device.SetValue("Lmax", 12000); // above Hmax: refused
    EXPECT_EQ(device.Value("Lmax"), model.Lmax());
    EXPECT_NE(model.Lmax(), 12000);
    device.SetValue("LevelState", 2);
    EXPECT_EQ(model.LevelState(), 2);
    device.SetValue("SoftVersionNumber", 255);
    EXPECT_EQ(model.SoftVersionNumber(), 255);
    EXPECT_TRUE(device.NewSoftware());
    EXPECT_EQ(device.Value("NoSuchProperty"), 0);

    device.OpenFullAccess();
    EXPECT_TRUE(model.IsFullAccess());
    device.CloseFullAccess();
    EXPECT_FALSE(device.IsFullAccess());

    device.SetText("PPMNumberText", QStringLiteral("A-12"));
    device.SetText("OrderNumber", QStringLiteral("77"));
    EXPECT_EQ(model.PPMNumberText, QStringLiteral("A-12"));
    EXPECT_EQ(device.Text("OrderNumber"), QStringLiteral("77"));

    device.SetDisplayRange("Distance", 0, 5000);
    EXPECT_EQ(model.Distance().Description().Max(), 5000);
    device.SetDisplayRange("LevelBusy", 0, 4000);
    EXPECT_EQ(model.LevelBusy().Description().Max(), 4000);
}

TEST(Tals352Device, AddressReadHandlerIsInstalledAndRemoved)
{
    TProgramModes modes;
    Ttals352 model(modes);
    TTals352Device device(model);
    int seen = -1;
    device.SetAddressReadHandler([&](int address, bool matches) { seen = matches ? address : 0; });
    ASSERT_TRUE(bool(model.OnReadAddress));
    model.OnReadAddress(&model, 17, true);
    EXPECT_EQ(seen, 17);
    device.SetAddressReadHandler({});
    EXPECT_FALSE(bool(model.OnReadAddress));
}
