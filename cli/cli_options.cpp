#include "cli/cli_options.h"

#include <QCommandLineParser>

#include <optional>

namespace tals::cli {

namespace {

struct TCommandName
{
    const char *Name;
    TCommand Command;
};

constexpr TCommandName kCommands[] = {
    {"identify", TCommand::Identify},
    {"read-all", TCommand::ReadAll},
    {"write-all", TCommand::WriteAll},
    {"get", TCommand::Get},
    {"set", TCommand::Set},
    {"poll", TCommand::Poll},
    {"scan", TCommand::Scan},
    {"assign", TCommand::Assign},
    {"signal", TCommand::Signal},
    {"spectrum", TCommand::Spectrum},
    {"paths", TCommand::Paths},
    {"archive", TCommand::Archive},
    {"station", TCommand::Station},
};

QCommandLineOption Option(const char *name, const char *description,
                          const char *valueName = nullptr)
{
    return valueName
               ? QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description),
                                    QString::fromUtf8(valueName))
               : QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description));
}

// One parser describes and parses: the help text always matches.
struct TParser
{
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Показать эту справку и выйти.")};
    QCommandLineOption version = Option("version", "Показать версию и выйти.");
    QCommandLineOption port =
        Option("port", "Последовательный порт прибора, например /dev/ttyUSB0.", "порт");
    QCommandLineOption simulate =
        Option("simulate", "Вместо порта встроенный имитатор прибора на псевдотерминале.");
    QCommandLineOption address =
        Option("address",
               "Системный адрес прибора, 1..247 (по умолчанию 1); station: "
               "список через запятую, например 1,2,5.",
               "адрес");
    QCommandLineOption baud =
        Option("baud", "Скорость обмена, бит/с (по умолчанию из INI/ComPort.ini).", "бит/с");
    QCommandLineOption full =
        Option("full", "read-all, write-all, set: также сервисные регистры (открывает и закрывает "
                       "полный доступ к прибору).");
    QCommandLineOption json = Option("json", "identify, get, scan, poll, archive: вывод в JSON.");
    QCommandLineOption force =
        Option("force", "write-all: записать все регистры, не сравнивая их с прибором; "
                        "assign: назначить адреса, даже если они заняты другими приборами.");
    QCommandLineOption in = Option("in", "write-all: файл параметров для записи.", "файл");
    QCommandLineOption out =
        Option("out", "read-all, signal, spectrum: файл для записи результата.", "файл");
    QCommandLineOption period =
        Option("period",
               "poll: период опроса, мс (по умолчанию 1000); station: 100..60000 "
               "(по умолчанию из INI/Timer.ini).",
               "мс");
    QCommandLineOption count =
        Option("count", "poll: число опросов (0 - без конца); assign: число приборов.", "N");
    QCommandLineOption from = Option(
        "from", "scan: начальный системный адрес (1); archive: начало \"ГГГГ-ММ-ДД чч:мм:сс\".",
        "A");
    QCommandLineOption to = Option(
        "to", "scan: конечный системный адрес (247); archive: конец \"ГГГГ-ММ-ДД чч:мм:сс\".", "B");
    QCommandLineOption name =
        Option("name", "archive: величина архива (Distance, LevelBusy, LevelFree...).", "ИМЯ");
    QCommandLineOption step = Option(
        "step", "archive: шаг, с: минимум, максимум, среднее и число показаний за шаг.", "С");
    QCommandLineOption csv = Option("csv", "archive: вывод в CSV (по умолчанию).");
    QCommandLineOption archive =
        Option("archive", "archive: папка архива (по умолчанию dbPath из INI/bde.ini).", "папка");
    QCommandLineOption firstAddress =
        Option("first-address", "assign: первый назначаемый системный адрес.", "A");
    QCommandLineOption firstPlant = Option("first-plant", "assign: первый заводской номер.", "P");
    QCommandLineOption meter =
        Option("meter", "station: также измеритель тока токового выхода (ЗЕЛВИН-512).");
    QCommandLineOption mqtt =
        Option("mqtt", "station: брокер MQTT, mqtt://УЗЕЛ:ПОРТ или mqtts://УЗЕЛ:ПОРТ.", "адрес");
    QCommandLineOption mqttCa =
        Option("mqtt-ca", "station: файл удостоверяющего центра для mqtts://.", "файл");
    QCommandLineOption mqttCredentials = Option(
        "mqtt-credentials", "station: файл со строками username=ИМЯ и password=ПАРОЛЬ.", "файл");
    QCommandLineOption mqttQueue = Option(
        "mqtt-queue-mb", "station: предел очереди сообщений каждого прибора, МБ (64).", "МБ");
    QCommandLineOption stateDir = Option(
        "state-dir", "station: папка журнала обмена и очередей MQTT (папка запуска).", "папка");
    QCommandLineOption startDir =
        Option("start-dir", "Папка с INI/ComPort.ini и журналом обмена.", "папка");
    QCommandLineOption programDir =
        Option("program-dir", "Папка программы (журнал неисправностей).", "папка");

    TParser()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Командная строка уровнемеров ТАЛС35xИ для производства и сценариев.\n"
            "\n"
            "Команды:\n"
            "  identify                      сигнатура и идентификационные данные\n"
            "  read-all --out ФАЙЛ.ini       считать все регистры в файл параметров\n"
            "  write-all --in ФАЙЛ.ini       записать регистры из файла параметров, которые\n"
            "                                отличаются от прибора (--force: все)\n"
            "  get ИМЯ...                    считать регистры по именам (Hmax, KKalman...)\n"
            "  set ИМЯ=ЗНАЧЕНИЕ...           записать регистры с проверкой диапазона\n"
            "  poll --period МС --count N    опрос показаний, CSV: время, расстояние,\n"
            "                                уровень, свободное пространство,\n"
            "                                температура, состояние\n"
            "  scan --from A --to B          поиск приборов на линии\n"
            "  assign --first-address A --first-plant P --count N\n"
            "                                назначить системные адреса по заводским номерам\n"
            "                                (занятый другим прибором адрес - отказ, --force:\n"
            "                                назначить всё же)\n"
            "  signal --out ФАЙЛ, spectrum --out ФАЙЛ\n"
            "                                считать массивы сигнала и спектра в файл\n"
            "  paths                         папки и файлы, которые использует программа\n"
            "  archive --name ИМЯ --from ДАТА --to ДАТА [--step С] [--csv | --json]\n"
            "                                показания из архива за период\n"
            "  station --address 1,2 [--meter] [--mqtt mqtt://УЗЕЛ:ПОРТ]\n"
            "                                станция без экрана: опрос, архив, публикация\n"
            "                                показаний в MQTT; до SIGTERM или SIGINT\n"
            "\n"
            "Код завершения: 0 успех, 1 отказ прибора или порта (сообщение в stderr),\n"
            "2 ошибка в командной строке или во входном файле."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        for (const QCommandLineOption *o : {&help,         &version,    &port,
                                            &simulate,     &address,    &baud,
                                            &full,         &json,       &force,
                                            &in,           &out,        &period,
                                            &count,        &from,       &to,
                                            &firstAddress, &firstPlant, &meter,
                                            &mqtt,         &mqttCa,     &mqttCredentials,
                                            &mqttQueue,    &stateDir,   &startDir,
                                            &programDir,   &name,       &step,
                                            &csv,          &archive})
            parser.addOption(*o);
        parser.addPositionalArgument(QStringLiteral("команда"),
                                     QStringLiteral("Одна из команд выше."),
                                     QStringLiteral("команда [аргументы...]"));
    }
};

// The option's value as an integer within [min, max], or an error.
std::optional<int> IntValue(const QCommandLineParser &parser, const QCommandLineOption &option,
                            int min, int max, QString &error)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < min || value > max) {
        error = QStringLiteral("--%1: нужно целое число от %2 до %3")
                    .arg(option.names().constLast())
                    .arg(min)
                    .arg(max);
        return std::nullopt;
    }
    return value;
}

} // namespace

TCliOptions ParseCliArguments(const QStringList &arguments)
{
    TCliOptions o;
    TParser p;
    QCommandLineParser &parser = p.parser;
    if (!parser.parse(arguments)) {
        o.Error = parser.errorText();
        return o;
    }
    o.ShowHelp = parser.isSet(p.help);
    o.ShowVersion = parser.isSet(p.version);
    if (o.ShowHelp || o.ShowVersion)
        return o;

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        o.Error = QStringLiteral("Не указана команда");
        return o;
    }
    const QString name = positional.takeFirst();
    for (const TCommandName &c : kCommands)
        if (name == QLatin1String(c.Name))
            o.Command = c.Command;
    if (o.Command == TCommand::None) {
        o.Error = QStringLiteral("Неизвестная команда: %1").arg(name);
        return o;
    }
    o.Arguments = positional;

    o.Port = parser.value(p.port);
    o.Simulate = parser.isSet(p.simulate);
    o.Full = parser.isSet(p.full);
    o.Json = parser.isSet(p.json);
    o.Force = parser.isSet(p.force);
    o.In = parser.value(p.in);
    o.Out = parser.value(p.out);

    QString &error = o.Error;
    auto take = [&](const QCommandLineOption &option, int min, int max, int &field) {
        if (!error.isEmpty() || !parser.isSet(option))
            return;
        if (const auto v = IntValue(parser, option, min, max, error))
            field = *v;
    };
    if (o.Command == TCommand::Station && parser.isSet(p.address)) {
        for (const QString &part : parser.value(p.address).split(QLatin1Char(','))) {
            bool ok = false;
            const int a = part.trimmed().toInt(&ok);
            if (!ok || a < 1 || a > 247) {
                error = QStringLiteral("--address: нужны адреса от 1 до 247 через запятую");
                return o;
            }
            if (o.Addresses.contains(a)) {
                error = QStringLiteral("--address: адрес %1 указан дважды").arg(a);
                return o;
            }
            o.Addresses << a;
        }
        o.Address = o.Addresses.constFirst();
    } else {
        take(p.address, 1, 247, o.Address);
    }
    if (o.Addresses.isEmpty())
        o.Addresses << o.Address;
    o.Meter = parser.isSet(p.meter);
    o.Mqtt = parser.value(p.mqtt);
    o.MqttCa = parser.value(p.mqttCa);
    o.MqttCredentials = parser.value(p.mqttCredentials);
    o.StateDir = parser.value(p.stateDir);
    o.PeriodGiven = parser.isSet(p.period);
    take(p.mqttQueue, 1, 100000, o.MqttQueueMB);
    take(p.baud, 50, 4000000, o.Baud);
    take(p.period, 0, 3600000, o.Period);
    take(p.count, 0, 65535, o.Count);
    if (o.Command == TCommand::Archive) {
        o.Name = parser.value(p.name).trimmed();
        o.FromText = parser.value(p.from).trimmed();
        o.ToText = parser.value(p.to).trimmed();
        o.Csv = parser.isSet(p.csv);
        o.ArchiveDir = parser.value(p.archive);
        take(p.step, 1, 366 * 86400, o.Step);
    } else {
        take(p.from, 1, 247, o.From);
        take(p.to, 1, 247, o.To);
    }
    take(p.firstAddress, 1, 247, o.FirstAddress);
    take(p.firstPlant, 0, 65535, o.FirstPlant);
    if (!error.isEmpty())
        return o;

    const bool needsDevice = o.Command != TCommand::Paths && o.Command != TCommand::Archive;
    if (needsDevice && o.Port.isEmpty() && !o.Simulate)
        error = QStringLiteral("Укажите --port ПОРТ или --simulate");
    else if (!o.Port.isEmpty() && o.Simulate)
        error = QStringLiteral("--port и --simulate вместе не указываются");

    const bool takesNames = o.Command == TCommand::Get || o.Command == TCommand::Set;
    if (error.isEmpty() && !takesNames && !o.Arguments.isEmpty())
        error = QStringLiteral("Лишние аргументы: %1").arg(o.Arguments.join(QLatin1Char(' ')));
    if (!error.isEmpty())
        return o;

    switch (o.Command) {
    case TCommand::ReadAll:
    case TCommand::Signal:
    case TCommand::Spectrum:
        if (o.Out.isEmpty())
            error = QStringLiteral("Укажите --out ФАЙЛ");
        break;
    case TCommand::WriteAll:
        if (o.In.isEmpty())
            error = QStringLiteral("Укажите --in ФАЙЛ");
        break;
    case TCommand::Get:
    case TCommand::Set:
        if (o.Arguments.isEmpty())
            error = o.Command == TCommand::Get ? QStringLiteral("Укажите имена регистров")
                                               : QStringLiteral("Укажите ИМЯ=ЗНАЧЕНИЕ");
        break;
    case TCommand::Archive:
        if (o.Name.isEmpty() || o.FromText.isEmpty() || o.ToText.isEmpty())
            error = QStringLiteral("Укажите --name ИМЯ --from \"ГГГГ-ММ-ДД чч:мм:сс\" --to "
                                   "\"ГГГГ-ММ-ДД чч:мм:сс\"");
        else if (o.Csv && o.Json)
            error = QStringLiteral("--csv и --json вместе не указываются");
        break;
    case TCommand::Poll:
        if (o.Count < 0)
            o.Count = 0;
        break;
    case TCommand::Station:
        if (o.PeriodGiven && (o.Period < 100 || o.Period > 60000))
            error = QStringLiteral("--period: нужно целое число от 100 до 60000");
        else if (o.Mqtt.isEmpty() && (!o.MqttCa.isEmpty() || !o.MqttCredentials.isEmpty()))
            error = QStringLiteral("--mqtt-ca и --mqtt-credentials нужны только с --mqtt");
        break;
    case TCommand::Scan:
        if (o.To < o.From)
            error = QStringLiteral("Начальный системный адрес больше конечного!");
        break;
    case TCommand::Assign:
        if (o.FirstAddress < 0 || o.FirstPlant < 0 || o.Count < 1)
            error = QStringLiteral("Укажите --first-address A --first-plant P --count N (N от 1)");
        else if (o.FirstAddress + o.Count >= 249)
            error = QStringLiteral("Недостаточно системных адресов (от 0 до 247)!\n"
                                   "Начальный системный адрес = %1\nКоличество приборов = %2")
                        .arg(o.FirstAddress)
                        .arg(o.Count);
        else if (o.FirstPlant + o.Count - 1 > 65535)
            error = QStringLiteral("Заводские номера выходят за 65535");
        break;
    default:
        break;
    }
    return o;
}

QString CliHelpText()
{
    TParser p;
    return p.parser.helpText();
}

QString CliVersionText()
{
    return QStringLiteral("tals35xi-cli ") + QStringLiteral(TALS_VERSION) + QLatin1Char('\n');
}

} // namespace tals::cli
