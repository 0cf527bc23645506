#include "ui/application/command_line.h"

#include "device/program_modes.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace tals {

namespace {

// The options and switches as QCommandLineParser knows them; the same
// parser parses and prints the help, so the two never disagree.
struct TParser
{
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Показать эту справку и выйти.")};
    QCommandLineOption version{QStringLiteral("version"),
                               QStringLiteral("Показать версию программы и выйти.")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Последовательный порт прибора (например "
                                           "/dev/ttyUSB0) вместо порта из INI/ComPort.ini."),
                            QStringLiteral("порт")};
    QCommandLineOption simulate{QStringLiteral("simulate"),
                                QStringLiteral("Работать с встроенным имитатором прибора на "
                                               "псевдотерминале.")};
    QCommandLineOption devices{QStringLiteral("devices"),
                               QStringLiteral("Число имитируемых приборов на линии с --simulate "
                                              "(по умолчанию 1)."),
                               QStringLiteral("N"), QStringLiteral("1")};
    QCommandLineOption device{QStringLiteral("device"),
                              QStringLiteral("Имитируемый прибор с адресом A и заводским номером P "
                                             "(можно повторять; один адрес дважды даёт коллизию "
                                             "ответов на линии)."),
                              QStringLiteral("A:P")};
    QCommandLineOption poll{QStringLiteral("poll"),
                            QStringLiteral("Начать опрос сразу после запуска, с периодом из "
                                           "INI/Timer.ini (станция наблюдения, автозапуск).")};
    QCommandLineOption startDir{QStringLiteral("start-dir"),
                                QStringLiteral("Папка запуска: INI (ComPort.ini, Timer.ini, "
                                               "WndPos.ini, bde.ini), журналы обмена, архив. "
                                               "По умолчанию рабочая папка, если в ней есть "
                                               "INI, иначе ~/.local/share/tals35xi."),
                                QStringLiteral("папка")};
    QCommandLineOption programDir{
        QStringLiteral("program-dir"),
        QStringLiteral("Папка программы: папки приборов 351, 352, 35x с файлами параметров, "
                       "журнал неисправностей, результаты испытаний."),
        QStringLiteral("папка")};

    QList<const QCommandLineOption *> All() const
    {
        return {&help,   &version, &port,     &simulate,  &devices,
                &device, &poll,    &startDir, &programDir};
    }

    TParser()
    {
        parser.setApplicationDescription(
            QStringLiteral("Сервисная программа уровнемеров ТАЛС35xИ (Modbus RTU)."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        for (const QCommandLineOption *o : All())
            parser.addOption(*o);
        parser.addPositionalArgument(QStringLiteral("/full"),
                                     QStringLiteral("Режим полного доступа (сервисные регистры, "
                                                    "окна и команды)."),
                                     QStringLiteral("[/full]"));
        parser.addPositionalArgument(QStringLiteral("/zelvin"),
                                     QStringLiteral("Вместе с /full опрашивать измеритель тока "
                                                    "на той же линии."),
                                     QStringLiteral("[/zelvin]"));
        parser.addPositionalArgument(QStringLiteral("/HiHertz"),
                                     QStringLiteral("Пределы синтезатора исследуемого образца."),
                                     QStringLiteral("[/HiHertz]"));
    }
};

} // namespace

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
    TParser p;
    auto known = [&](const QString &name, bool *takesValue) {
        for (const QCommandLineOption *o : p.All()) {
            if (o->names().contains(name)) {
                *takesValue = !o->valueName().isEmpty();
                return true;
            }
        }
        return false;
    };
    // The first argument is the program path and never an option. Other
    // arguments than the known options are ignored, as they always were; a
    // known option without its value is reported.
    QStringList kept;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (!a.startsWith(QLatin1Char('-')) || a == QLatin1String("-") || a == QLatin1String("--"))
            continue;
        const QString name =
            a.section(QLatin1Char('='), 0, 0).remove(QRegularExpression(QStringLiteral("^--?")));
        bool takesValue = false;
        if (!known(name, &takesValue))
            continue;
        kept << a;
        if (takesValue && !a.contains(QLatin1Char('='))) {
            if (i + 1 < arguments.size())
                kept << arguments[++i];
            else {
                kept.removeLast();
                options.Errors << QStringLiteral("--%1: нет значения").arg(name);
            }
        }
    }
    if (!p.parser.parse(QStringList{QStringLiteral("tals35xi")} + kept)) {
        options.Errors << p.parser.errorText();
        return options;
    }

    options.ShowHelp = p.parser.isSet(p.help);
    options.ShowVersion = p.parser.isSet(p.version);
    options.Simulate = p.parser.isSet(p.simulate);
    options.Poll = p.parser.isSet(p.poll);
    if (p.parser.isSet(p.port))
        options.Port = p.parser.value(p.port);
    if (p.parser.isSet(p.devices)) {
        bool ok = false;
        const int n = p.parser.value(p.devices).toInt(&ok);
        if (ok && n >= 1 && n <= 247)
            options.simulatedDevices = n;
        else
            options.Errors << QStringLiteral("--devices: нужно число от 1 до 247");
    }
    for (const QString &text : p.parser.values(p.device)) {
        if (const auto spec = ParseSimDeviceSpec(text))
            options.simulatedNamed.push_back(*spec);
        else
            options.Errors << QStringLiteral("--device: нужно АДРЕС:НОМЕР, адрес от 1 до 247, "
                                             "номер от 0 до 65535");
    }
    return options;
}

QString HelpText()
{
    TParser p;
    return p.parser.helpText();
}

QString VersionText()
{
    return QStringLiteral("tals35xi ") + QStringLiteral(TALS_VERSION) + QLatin1Char('\n');
}

} // namespace tals
