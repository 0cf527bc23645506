#include "ui/application/command_line.h"

#include "device/program_modes.h"

namespace tals {

void ApplyModeSwitches(const QStringList &arguments, TProgramModes &modes)
{
    for (const QString &a : arguments) {
        if (a == QLatin1String("/full"))
            modes.FullAccessMode = true;
        else if (a == QLatin1String("/zelvin"))
            modes.ZelvinMode = true;
        else if (a == QLatin1String("/HiHertz"))
            modes.HighFrequencyMode = true;
    }
}

TCommandLineOptions ParseCommandLine(const QStringList &arguments, TProgramModes &modes)
{
    ApplyModeSwitches(arguments, modes);

    TCommandLineOptions options;
    struct TValueOption
    {
        QLatin1String name;
        QString TCommandLineOptions::*field;
    };
    const TValueOption valueOptions[] = {
        {QLatin1String("--port"), &TCommandLineOptions::Port},
    };
    // The first argument is the program path and never an option.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--simulate")) {
            options.Simulate = true;
            continue;
        }
        if (a == QLatin1String("--devices") || a.startsWith(QLatin1String("--devices="))) {
            QString value;
            if (a.contains(QLatin1Char('=')))
                value = a.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            bool ok = false;
            const int count = value.toInt(&ok);
            if (ok && count >= 1 && count <= 247)
                options.simulatedDevices = count;
            else
                options.Errors << QStringLiteral("--devices: ожидается число от 1 до 247");
            continue;
        }
        for (const TValueOption &o : valueOptions) {
            if (a == o.name) {
                if (i + 1 < arguments.size())
                    options.*o.field = arguments[++i];
                else
                    options.Errors << QStringLiteral("%1: нет значения").arg(o.name);
                break;
            }
            const QString prefix = o.name + QLatin1Char('=');
            if (a.startsWith(prefix)) {
                options.*o.field = a.mid(prefix.size());
                break;
            }
        }
    }
    return options;
}

} // namespace tals
