#include "ui/application/command_line.h"

#include "device/program_modes.h"

#include <gtest/gtest.h>

using namespace tals;

TEST(CommandLine, ModeSwitchesAreComparedExactly)
{
    struct
    {
        const char *argument;
        bool full, zelvin, high;
    } const cases[] = {
        {"/full", true, false, false},    {"/zelvin", false, true, false},
        {"/HiHertz", false, false, true}, {"/FULL", false, false, false},
        {"/Full", false, false, false},   {"-full", false, false, false},
        {"--full", false, false, false},  {"/full ", false, false, false},
        {"/fullx", false, false, false},  {"/hihertz", false, false, false},
        {"/ZELVIN", false, false, false}, {"full", false, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.argument);
        TProgramModes modes;
        ApplyModeSwitches({QStringLiteral("tals35xi"), QString::fromLatin1(c.argument)}, modes);
        EXPECT_EQ(modes.FullAccessMode, c.full);
        EXPECT_EQ(modes.ZelvinMode, c.zelvin);
        EXPECT_EQ(modes.HighFrequencyMode, c.high);
    }
}

TEST(CommandLine, EveryArgumentCountsTheProgramPathIncluded)
{
    TProgramModes modes;
    ApplyModeSwitches({QStringLiteral("/full"), QStringLiteral("x"), QStringLiteral("/HiHertz"),
                       QStringLiteral("/zelvin")},
                      modes);
    EXPECT_TRUE(modes.FullAccessMode);
    EXPECT_TRUE(modes.ZelvinMode);
    EXPECT_TRUE(modes.HighFrequencyMode);
}

TEST(CommandLine, ProgramOptions)
{
    TProgramModes modes;
    TCommandLineOptions o = ParseCommandLine(
        {QStringLiteral("tals35xi"), QStringLiteral("--simulate"), QStringLiteral("--port"),
         QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/full")},
        modes);
    EXPECT_TRUE(o.Simulate);
    EXPECT_EQ(o.Port, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_TRUE(o.Errors.isEmpty());
    EXPECT_TRUE(modes.FullAccessMode);

    o = ParseCommandLine({QStringLiteral("tals35xi"), QStringLiteral("--port=/dev/pts/3")}, modes);
    EXPECT_FALSE(o.Simulate);
    EXPECT_EQ(o.Port, QStringLiteral("/dev/pts/3"));

    o = ParseCommandLine({QStringLiteral("tals35xi"), QStringLiteral("--port")}, modes);
    EXPECT_TRUE(o.Port.isEmpty());
    EXPECT_EQ(o.Errors.size(), 1);

    // The program path is never an option.
    o = ParseCommandLine({QStringLiteral("--simulate")}, modes);
    EXPECT_FALSE(o.Simulate);
}

TEST(CommandLine, PollDevicesHelpAndVersion)
{
    TProgramModes modes;
    TCommandLineOptions o = ParseCommandLine({QStringLiteral("tals35xi"), QStringLiteral("--poll"),
                                              QStringLiteral("--devices"), QStringLiteral("3"),
                                              QStringLiteral("--unknown"), QStringLiteral("/full")},
                                             modes);
    EXPECT_TRUE(o.Poll);
    EXPECT_EQ(o.simulatedDevices, 3);
    EXPECT_FALSE(o.ShowHelp);
    EXPECT_TRUE(o.Errors.isEmpty()) << o.Errors.join('|').toStdString();

    o = ParseCommandLine({QStringLiteral("tals35xi")}, modes);
    EXPECT_FALSE(o.Poll);
    EXPECT_EQ(o.simulatedDevices, 1);

    o = ParseCommandLine({QStringLiteral("tals35xi"), QStringLiteral("--devices=0")}, modes);
    EXPECT_EQ(o.simulatedDevices, 1);
    EXPECT_EQ(o.Errors.size(), 1);

    o = ParseCommandLine({QStringLiteral("tals35xi"), QStringLiteral("--device"),
                          QStringLiteral("4:100"), QStringLiteral("--device=4:101"),
                          QStringLiteral("--device"), QStringLiteral("0:5")},
                         modes);
    ASSERT_EQ(o.simulatedNamed.size(), 2u);
    EXPECT_EQ(o.simulatedNamed[0].Address, 4);
    EXPECT_EQ(o.simulatedNamed[1].PlantNumber, 101);
    EXPECT_EQ(o.Errors.size(), 1);

    // The folder options are known (their values are taken elsewhere), so
    // their values are not mistaken for anything.
    o = ParseCommandLine({QStringLiteral("tals35xi"), QStringLiteral("--start-dir"),
                          QStringLiteral("--poll"), QStringLiteral("--help")},
                         modes);
    EXPECT_FALSE(o.Poll);
    EXPECT_TRUE(o.ShowHelp);

    o = ParseCommandLine({QStringLiteral("tals35xi"), QStringLiteral("--version")}, modes);
    EXPECT_TRUE(o.ShowVersion);
    EXPECT_TRUE(VersionText().startsWith(QStringLiteral("tals35xi ")));
}

TEST(CommandLine, HelpNamesEveryOptionAndSwitch)
{
    const QString help = HelpText();
    for (const char *name :
         {"--port", "--simulate", "--devices", "--poll", "--start-dir", "--program-dir", "--help",
          "--version", "/full", "/zelvin", "/HiHertz"})
        EXPECT_TRUE(help.contains(QLatin1String(name))) << name;
}
