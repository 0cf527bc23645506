// The array readout against the simulated transducer on a pseudo-terminal,
// without the main window: the protocol's rounds and blocks as the device sees
// them, the stop request, the dumps and the device report with their names,
// lines and code page, and the failures of writing them.

#include "ui/procedures/array_readout.h"

#include "device/tals352.h"
#include "platform/codepage.h"
#include "platform/date_time.h"
#include "platform/format_settings.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "storage/archive.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/device/qstring_printer.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace tals;

namespace {

// No windows; records the progress shown and runs a hook at each step.
class StepInput : public TTextUserInput
{
public:
    void ShowProgress(const QString &text, int position, int maximum) override
    {
        steps << QStringLiteral("%1 %2/%3").arg(text).arg(position).arg(maximum);
        if (onStep)
            onStep(text, position);
    }
    void CloseProgress() override
    {
        ++closes;
        if (onClose)
            onClose();
    }

    QStringList steps;
    int closes = 0;
    std::function<void(const QString &, int)> onStep;
    std::function<void()> onClose;
};

// Requests seen by the simulated device, by kind.
struct TTraffic
{
    int confirmReads = 0; // input registers 10000-10001
    int blockReads = 0;   // input registers from 10004
    QList<quint16> controlWrites;
};

// A line of the signal dump: the point in 5 characters, the sample in 9.
QString DumpLine(int n, int value)
{
    return QString::number(n).rightJustified(5) + QString::number(value).rightJustified(9);
}

quint16 Word(const QByteArray &f, int i)
{
    return quint16((quint8(f[i]) << 8) | quint8(f[i + 1]));
}

TTraffic Traffic(const TSimTransducer &sim)
{
    TTraffic t;
    for (const QByteArray &f : sim.Requests()) {
        if (f.size() == 8 && f[1] == 0x04 && Word(f, 2) == 10000)
            ++t.confirmReads;
        else if (f.size() == 8 && f[1] == 0x04 && Word(f, 2) >= 10004)
            ++t.blockReads;
        else if (f.size() > 9 && f[1] == 0x10 && Word(f, 2) == 2001)
            t.controlWrites << Word(f, 7);
    }
    return t;
}

class ArrayReadoutTest : public ::testing::Test
{
protected:
    ArrayReadoutTest() : m_oldCurrent(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~ArrayReadoutTest() override
    {
        app.reset();
        QDir::setCurrent(m_oldCurrent);
        SetStartDir(QString());
        SetProgramDir(QString());
    }

    void Start(const QString &archiveRoot = QString())
    {
        if (!archiveRoot.isEmpty())
            test::writeAll(dir.file(QStringLiteral("INI/bde.ini")),
                           "[BDE]\r\ndbPath=" + archiveRoot.toUtf8() + "\r\n");
        app = std::make_unique<TApplication>(
            QStringList{QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                        QStringLiteral("--program-dir"), dir.path(), QStringLiteral("--simulate"),
                        QStringLiteral("/full")});
        app->Start();
        sim = app->Simulator();
        ASSERT_NE(sim, nullptr);
        auto in = std::make_unique<StepInput>();
        input = in.get();
        app->SetInput(std::move(in));
        readout = dynamic_cast<TDeviceArrayReadout *>(app->ArrayReadout());
        ASSERT_NE(readout, nullptr);
        sim->SetDistance(5000);
        sim->ClearRequests();
    }
    Ttals352 &Model() { return *app->Model(); }
    QString DayFolder() const { return app->Archive()->DayFolder(Now()); }
    QString DumpName(const char *prefix, TDateTime series, int counter) const
    {
        return QString::fromLatin1(prefix) + FileDate8(Now()) + QLatin1Char('_') +
               FileTime6(series) + QStringLiteral("_%1.txt").arg(counter, 4, 10, QLatin1Char('0'));
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TApplication> app;
    TSimTransducer *sim = nullptr;
    StepInput *input = nullptr;
    TDeviceArrayReadout *readout = nullptr;

private:
    QString m_oldCurrent;
};

TEST_F(ArrayReadoutTest, ConfirmedOnTheThirdRoundReadsTheConfirmationThreeTimes)
{
    Start();
    sim->SetConfirmAfterReads(3);
    Model().SetControlCommand(1);
    const TArrayReadResult result = readout->ReadDeviceArray();

    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Text, QStringLiteral("Завершено чтение массива сигнала "));
    const TTraffic t = Traffic(*sim);
    EXPECT_EQ(t.confirmReads, 3);
    EXPECT_EQ(t.blockReads, 103);
    EXPECT_EQ(t.controlWrites, (QList<quint16>{1, 0})); // the command, then the reset
    EXPECT_EQ(sim->ControlCommandRequest(), 0);
    EXPECT_EQ(input->steps.count(QStringLiteral("Чтение массива сигнала 103/103")), 1);

    const std::vector<quint16> expected = sim->SignalArray();
    ASSERT_EQ(expected.size(), std::size_t(Ttals352::kSignalSize));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), Model().SignalArray.begin()));
}

// Never confirmed: status 3 after five rounds, no block read, the command stays.
TEST_F(ArrayReadoutTest, UnconfirmedAfterFiveRounds)
{
    Start();
    sim->SetConfirmAfterReads(6);
    Model().SetControlCommand(2);
    const TArrayReadResult result = readout->ReadDeviceArray();
    EXPECT_EQ(result.Status, 3);
    EXPECT_EQ(result.Text, QStringLiteral("Нет подтверждения готовности массива"));
    const TTraffic t = Traffic(*sim);
    EXPECT_EQ(t.confirmReads, 5);
    EXPECT_EQ(t.blockReads, 0);
    EXPECT_EQ(t.controlWrites, QList<quint16>{2});
}

TEST_F(ArrayReadoutTest, StopDuringBlock40InterruptsAndStillDumpsTheSignal)
{
    Start();
    input->onStep = [this](const QString &text, int position) {
        if (text == QStringLiteral("Чтение массива сигнала") && position == 40)
            app->Modes().StopRequested = true; // the stop button, pressed during block 40
    };
    readout->ReadSignal(true);

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.front(),
              QStringLiteral("Чтение массива прервано: Превышено число попыток"));
    const TTraffic t = Traffic(*sim);
    EXPECT_EQ(t.blockReads, 40);
    EXPECT_EQ(t.controlWrites, QList<quint16>{1}); // no reset
    EXPECT_EQ(sim->ControlCommandRequest(), 1);

    // The dump holds the 40 blocks read and zeros for the rest.
    const QString path = JoinPath(DayFolder(), DumpName("Signal_", readout->SignalSeriesTime(), 1));
    const QStringList lines = FromCp1251(test::readAll(path)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3 + 2060 + 1) << path.toStdString(); // the last line ends too
    const std::vector<quint16> device = sim->SignalArray();
    EXPECT_EQ(lines[3 + 799], DumpLine(800, device[799]));
    EXPECT_EQ(lines[3 + 800], QStringLiteral("  801        0"));
}

// Two interactive readouts after start: the device report 0000 and the dumps
// 0001 and 0002 with one date and series time, in Windows-1251 with CR LF.
TEST_F(ArrayReadoutTest, TwoInteractiveSignalReadoutsMakeTheReportAndTwoDumps)
{
    Start();
    readout->ReadSignal(true);
    readout->ReadSignal(true);
    EXPECT_EQ(dialogs.messages,
              QStringList(2, QStringLiteral("Завершено чтение массива сигнала ")));

    QDir day(DayFolder());
    const QStringList files = day.entryList({QStringLiteral("Signal_*")}, QDir::Files, QDir::Name);
    const TDateTime series = readout->SignalSeriesTime();
    EXPECT_EQ(files, (QStringList{DumpName("Signal_", series, 0), DumpName("Signal_", series, 1),
                                  DumpName("Signal_", series, 2)}));

    const QByteArray report = test::readAll(day.filePath(DumpName("Signal_", series, 0)));
    const QStringList lines = FromCp1251(report).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[0], QString(65, QLatin1Char('*')));
    EXPECT_EQ(lines[1], QStringLiteral(" ТАЛС352И "));
    EXPECT_EQ(lines[4], QStringLiteral(" Заводской номер                ") +
                            QString::number(Model().PlantNumber()).rightJustified(30));
    EXPECT_TRUE(lines[9].startsWith(QStringLiteral(" Коэффициент сглаживания        ")));
    for (int i = 3; i <= 11; ++i)
        EXPECT_EQ(lines[i].size(), 62) << lines[i].toStdString();
    EXPECT_EQ(lines[12], QString(65, QLatin1Char('*')));
    EXPECT_TRUE(report.contains(ToCp1251(QStringLiteral("Системный адрес"))));

    const QByteArray dump = test::readAll(day.filePath(DumpName("Signal_", series, 2)));
    const QStringList dumpLines = FromCp1251(dump).split(QStringLiteral("\r\n"));
    ASSERT_EQ(dumpLines.size(), 2064);
    EXPECT_EQ(dumpLines[0],
              QStringLiteral("Заводской номер ") + QString::number(Model().PlantNumber()));
    EXPECT_EQ(dumpLines[1], Model().Distance().FormatValue(true, true));
    EXPECT_EQ(dumpLines[2], QStringLiteral("Точка Значение"));
    EXPECT_EQ(dumpLines[3 + 2059], DumpLine(2060, Model().SignalArray[2059]));
    EXPECT_EQ(dump.count("\r\n"), 2063);
    EXPECT_EQ(dump.count('\n'), 2063);

    // The next series starts with a report of its own, in files of its own
    // even when it begins within the same second.
    const QByteArray first = test::readAll(day.filePath(DumpName("Signal_", series, 1)));
    readout->ResetSeries();
    EXPECT_EQ(readout->SignalDumpCounter(), 0);
    EXPECT_NE(FileTime6(readout->SignalSeriesTime()), FileTime6(series));
    readout->ReadSignal(true);
    EXPECT_EQ(test::readAll(day.filePath(DumpName("Signal_", series, 1))), first);
}

TEST_F(ArrayReadoutTest, SpectrumReadoutDumpsValuesAndDecibels)
{
    Start();
    readout->ReadSpectrum();
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Завершено чтение массива спектра")});
    const QString path =
        JoinPath(DayFolder(), DumpName("Spectrum_", readout->SpectrumSeriesTime(), 1));
    const QStringList lines = FromCp1251(test::readAll(path)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 1 + 512 + 1);
    const double maximum = Model().SpectrumMax();
    EXPECT_GT(maximum, 0);
    EXPECT_EQ(lines[0], QStringLiteral("Точка            Значение            Значение Макс") +
                            QString::number(maximum, 'f', 5).rightJustified(20));
    // The peak's line carries 0 dB.
    int peak = 0;
    for (int i = 1; i < 512; ++i)
        if (Model().SpectrumArray[i] > Model().SpectrumArray[peak])
            peak = i;
    EXPECT_TRUE(lines[1 + peak].endsWith(QStringLiteral("             0.00000")))
        << lines[1 + peak].toStdString();
    EXPECT_EQ(lines[1 + peak].size(), 45);
    EXPECT_TRUE(QFileInfo::exists(
        JoinPath(DayFolder(), DumpName("Spectrum_", readout->SpectrumSeriesTime(), 0))));
}

// A largest value of 0 leaves the header alone; a value of 0 under a positive
// maximum gets "-inf" in the decibel column, never a number.
TEST_F(ArrayReadoutTest, SpectrumDumpOfZeros)
{
    Start();
    Model().ClearSpectrum();
    const QStringList header = readout->SpectrumDumpLines();
    ASSERT_EQ(header.size(), 1);
    EXPECT_EQ(
        header[0],
        QStringLiteral("Точка            Значение            Значение Макс             0.00000"));
    const QString path = readout->DumpSpectrum(false);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(FromCp1251(test::readAll(path)), header[0] + QStringLiteral("\r\n"));

    Model().SpectrumArray[1] = 10;
    const QStringList lines = readout->SpectrumDumpLines();
    ASSERT_EQ(lines.size(), 513);
    EXPECT_EQ(lines[1], QStringLiteral("    1             0.00000                -inf"));
    EXPECT_EQ(lines[2], QStringLiteral("    2            10.00000             0.00000"));
}

// A day folder that cannot be made: one clear message for the interactive
// readout, a line of the fault journal for the automatic one; the readout
// itself completes.
TEST_F(ArrayReadoutTest, DumpFailureIsReportedOnceAndTheReadoutCompletes)
{
    const QString blocked = dir.file(QStringLiteral("archive-is-a-file"));
    test::writeAll(blocked, "x");
    Start(blocked);

    readout->ReadSignal(true);
    ASSERT_EQ(dialogs.messages.size(), 2) << dialogs.messages.join('|').toStdString();
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Не удалось записать файл массива")));
    EXPECT_EQ(dialogs.messages[1], QStringLiteral("Завершено чтение массива сигнала "));
    EXPECT_EQ(sim->ControlCommandRequest(), 0); // the reset went out

    dialogs.messages.clear();
    readout->ReadSignal(false);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    const QString journal = FromCp1251(test::readAll(dir.file(
        QStringLiteral("DATA/") + QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")) +
        QStringLiteral("/BlackBox.txt"))));
    EXPECT_TRUE(journal.contains(QStringLiteral("Не удалось записать файл массива")))
        << journal.toStdString();
}

} // namespace

// ---- failures of single exchanges, on a line with short read time-outs ----

class ArrayReadoutFaultTest : public ArrayReadoutTest
{
protected:
    void StartFast()
    {
        // A silent answer costs 20 ms instead of 650.
        test::writeAll(dir.file(QStringLiteral("INI/ComPort.ini")),
                       "[Transmitter]\r\nReadInterval=5\r\nReadTotalConstant=20\r\n"
                       "ReadTotalMultiplier=0\r\n");
        Start();
        sim->SetConfirmAfterReads(1);
    }
    // Runs the hook at the first progress step whose text starts with prefix
    // at the given position.
    void OnStep(const QString &prefix, int position, std::function<void()> hook)
    {
        input->onStep = [prefix, position, hook, done = false](const QString &text,
                                                               int at) mutable {
            if (!done && text.startsWith(prefix) && at == position) {
                done = true;
                hook();
            }
        };
    }
    TArrayReadResult ReadSignalArray()
    {
        Model().SetControlCommand(1);
        return readout->ReadDeviceArray();
    }
};

TEST_F(ArrayReadoutFaultTest, ControlCommandWriteFailingAtTheStart)
{
    StartFast();
    sim->InjectFault({TSimFaultKind::Silence, 0}, 5);
    const TArrayReadResult result = ReadSignalArray();
    EXPECT_EQ(result.Status, 2);
    EXPECT_EQ(result.Text,
              QStringLiteral("Не выполнена команда: Записать управляющую команду ведущего"));
    const TTraffic t = Traffic(*sim);
    EXPECT_EQ(t.controlWrites, QList<quint16>(5, 1)); // five attempts, nothing after them
    EXPECT_EQ(t.confirmReads, 0);
    EXPECT_EQ(t.blockReads, 0);
}

// The reset fails after a complete readout: status 2 replaces the completion.
TEST_F(ArrayReadoutFaultTest, ControlCommandWriteFailingAtTheReset)
{
    StartFast();
    bool lastBlock = false;
    input->onStep = [&](const QString &text, int at) {
        lastBlock = lastBlock || (text == QStringLiteral("Чтение массива сигнала") && at == 103);
    };
    // The progress closes after block 103, before the reset.
    bool injected = false;
    input->onClose = [&] {
        if (lastBlock && !injected) {
            injected = true;
            sim->InjectFault({TSimFaultKind::Silence, 0}, 5);
        }
    };
    const TArrayReadResult result = ReadSignalArray();
    EXPECT_TRUE(injected);
    EXPECT_EQ(result.Status, 2);
    EXPECT_EQ(result.Text,
              QStringLiteral("Не выполнена команда: Записать управляющую команду ведущего"));
    const TTraffic t = Traffic(*sim);
    EXPECT_EQ(t.blockReads, 103);
    EXPECT_EQ(t.controlWrites, (QList<quint16>{1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sim->ControlCommandRequest(), 1); // the device still holds the command
}

// A confirmation read that fails twice and then succeeds is no failure of the
// readout, which completes with its own text.
TEST_F(ArrayReadoutFaultTest, ConfirmationFailingTwiceThenSucceeding)
{
    StartFast();
    OnStep(QStringLiteral("Повтор команды Считать подтверждение"), 1, [this] {
        sim->InjectFault({TSimFaultKind::Silence, 0}, 2);
    });
    const TArrayReadResult result = ReadSignalArray();
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Text, QStringLiteral("Завершено чтение массива сигнала "));
    const TTraffic t = Traffic(*sim);
    EXPECT_EQ(t.confirmReads, 3);
    EXPECT_EQ(t.blockReads, 103);
    EXPECT_EQ(t.controlWrites, (QList<quint16>{1, 0}));
}

// Block 10 fails five times: status 4, no block after it, no reset.
TEST_F(ArrayReadoutFaultTest, BlockFailingFiveTimes)
{
    StartFast();
    OnStep(QStringLiteral("Чтение массива сигнала"), 10, [this] {
        sim->InjectFault({TSimFaultKind::BadCrc, 0}, 5);
    });
    const TArrayReadResult result = ReadSignalArray();
    EXPECT_EQ(result.Status, 4);
    EXPECT_EQ(result.Text, QStringLiteral("Чтение массива прервано: Превышено число попыток"));
    const TTraffic t = Traffic(*sim);
    EXPECT_EQ(t.blockReads, 9 + 5);
    EXPECT_EQ(t.controlWrites, QList<quint16>{1});
    EXPECT_EQ(sim->ControlCommandRequest(), 1);

    // Four failures are still a readout.
    sim->ClearRequests();
    OnStep(QStringLiteral("Чтение массива сигнала"), 10, [this] {
        sim->InjectFault({TSimFaultKind::BadCrc, 0}, 4);
    });
    EXPECT_EQ(ReadSignalArray().Status, 0);
    EXPECT_EQ(Traffic(*sim).blockReads, 103 + 4);
}

// The decibel column is 10 * log10(value / maximum): a 20 * log10 or an
// inverted ratio gives other numbers at every row below.
TEST_F(ArrayReadoutTest, SpectrumDumpDecibelColumnAtSeveralValues)
{
    Start();
    Model().ClearSpectrum();
    const double values[] = {1000, 500, 100, 10, 1, 0.5, 2.5};
    const char *decibels[] = {"0.00000",   "-3.01030",  "-10.00000", "-20.00000",
                              "-30.00000", "-33.01030", "-26.02060"};
    for (int i = 0; i < 7; ++i)
        Model().SpectrumArray[std::size_t(i)] = values[i];
    const QStringList lines = readout->SpectrumDumpLines();
    ASSERT_EQ(lines.size(), 513);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("1000.00000")));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(lines[1 + i], QString::number(i + 1).rightJustified(5) +
                                    QString::number(values[i], 'f', 5).rightJustified(20) +
                                    QString::fromLatin1(decibels[i]).rightJustified(20))
            << i;
}

// The device report: integers in decimal, the five reals with thousands
// separators and no decimals, each right-aligned in 30 characters.
TEST_F(ArrayReadoutTest, DeviceReportNumberFormats)
{
    Start();
    const TFormatSettings saved = FormatSettings();
    SetFormatSettings(LocaleFormatSettings(QStringLiteral("ru_RU")));
    const QString k(FormatSettings().ThousandSeparator);
    Model().SetHmax(12345.678);
    Model().SetLmax(9999.5);
    Model().SetKKalman(0.6);
    Model().SetKrPer(1.234);
    Model().SetSmPer(-12.5);
    Model().SetPlantNumber(54321);
    const QStringList lines = readout->DeviceReportLines();
    SetFormatSettings(saved);
    ASSERT_EQ(lines.size(), 13);
    auto row = [](const char *label, const QString &value) {
        return QString::fromUtf8(label).leftJustified(32) + value.rightJustified(30);
    };
    EXPECT_EQ(lines[4], row(" Заводской номер", QStringLiteral("54321")));
    EXPECT_EQ(lines[7], row(" H max", QStringLiteral("12") + k + QStringLiteral("346")));
    EXPECT_EQ(lines[8], row(" L max", QStringLiteral("10") + k + QStringLiteral("000")));
    EXPECT_EQ(lines[9], row(" Коэффициент сглаживания", QStringLiteral("1")));
    EXPECT_EQ(lines[10], row(" Крутизна хар-ки преобр-ния", QStringLiteral("1")));
    EXPECT_EQ(lines[11], row(" Смещение нуля", QStringLiteral("-13")));
}
