// The bus scan window against the simulated line: scans find every device
// that answers, the broadcast assignment renumbers them by plant number, the
// fields' rules, the stop buttons and the address put back on closing.

#include "ui/procedures/scan/form_scan.h"

#include "device/tals352.h"
#include "platform/date_time.h"
#include "protocol/frame.h"
#include "storage/archive.h"
#include "tests/ui/procedures/simulated_program.h"
#include "ui/application/window_grab.h"
#include "ui/controls/edit_num.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <functional>

using namespace tals;

namespace {

// Short enough that a scan of 247 silent addresses takes seconds, long enough
// that a loaded machine's simulator thread takes each request off the line
// before the next exchange purges it.
constexpr test::TReadTimeouts kSilentLine{30, 50};

class FormScanTest : public test::SimulatedProgram
{
protected:
    // The window opened by "Сканирование".
    void OpenScan()
    {
        form = Open<TFormScan>("actFormScanShow", "FormScan");
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->windowModality(), Qt::ApplicationModal);
    }
    TEditNum *Edit(const char *name) { return form->findChild<TEditNum *>(QLatin1String(name)); }
    QPushButton *Button(const char *name)
    {
        return form->findChild<QPushButton *>(QLatin1String(name));
    }
    QTableWidget *Grid()
    {
        return form->findChild<QTableWidget *>(QStringLiteral("acgDeviceList"));
    }
    QString Status() { return form->findChild<QLabel *>(QStringLiteral("lblStatus"))->text(); }
    QString Cell(int row, int column)
    {
        const QTableWidgetItem *item = Grid()->item(row, column);
        return item ? item->text() : QString();
    }
    void Scan(int first, int last)
    {
        Edit("enStartSA")->SetValue(first);
        Edit("enStopSA")->SetValue(last);
        Button("bbtnScan")->click();
    }
    void Assign(int firstAddress, int firstPlant, int count)
    {
        Edit("enStartSA")->SetValue(firstAddress);
        Edit("enStartPN")->SetValue(firstPlant);
        Edit("enCountPN")->SetValue(count);
        Button("bbtnWriteSA")->click();
    }
    // Runs `check` from the event loop the running operation lets through,
    // at its `step`-th chance.
    static void DuringOperation(int step, std::function<void()> check)
    {
        auto *timer = new QTimer;
        auto count = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, [timer, count, step, check] {
            if (++*count < step)
                return;
            timer->stop();
            timer->deleteLater();
            check();
        });
        timer->start(0);
    }
    // The frames the line carried, each whole request on its own. A slow
    // simulator thread may read two back-to-back requests as one chunk; the
    // chunk is cut where its leading bytes form a frame with a valid CRC.
    QList<QByteArray> AllFrames() const
    {
        QList<QByteArray> frames;
        for (QByteArray chunk : sim->Requests()) {
            while (!chunk.isEmpty()) {
                qsizetype n = 4;
                while (n < chunk.size() && !CheckCrc16Frame(chunk.left(n)))
                    ++n;
                frames << chunk.left(n);
                chunk.remove(0, n);
            }
        }
        return frames;
    }
    // The frames the line carried with the given function byte.
    QList<QByteArray> Frames(quint8 function) const
    {
        QList<QByteArray> frames;
        for (const QByteArray &f : AllFrames())
            if (ByteAt(f, 1) == function)
                frames << f;
        return frames;
    }

    TFormScan *form = nullptr;
};

TEST_F(FormScanTest, EmptyLineGetsOneRequestPerAddressAndListsNothing)
{
    Start({}, kSilentLine);
    sim->SetAddress(248); // on the line, but at no address the scan reads
    OpenScan();
    EXPECT_EQ(Edit("enStartSA")->Value(), 1);
    EXPECT_EQ(Edit("enStopSA")->Value(), 247);
    EXPECT_EQ(Edit("enCountPN")->Value(), 10);
    EXPECT_FALSE(Button("bbtnScanStop")->isEnabled());

    QString timeLeft;
    bool stopEnabled = false;
    DuringOperation(20, [&] {
        timeLeft = form->findChild<QLabel *>(QStringLiteral("lblTimeLeft"))->text();
        stopEnabled = Button("bbtnScanStop")->isEnabled() && !Button("bbtnScan")->isEnabled();
    });
    Button("bbtnScan")->click();

    const QList<QByteArray> frames = Frames(0x2B);
    ASSERT_EQ(frames.size(), 247);
    for (int a = 1; a <= 247; ++a)
        EXPECT_EQ(frames[a - 1], AppendCrc16(QByteArray::fromHex("2b0e0100").prepend(char(a))));
    EXPECT_EQ(AllFrames().size(), 247) << "nothing else on the line";
    EXPECT_EQ(Grid()->rowCount(), 1);
    EXPECT_EQ(Cell(0, 1), QString());
    EXPECT_EQ(Status(), QStringLiteral("Сканирование завершено"));
    EXPECT_TRUE(timeLeft.startsWith(QStringLiteral("Осталось около "))) << timeLeft.toStdString();
    EXPECT_TRUE(stopEnabled);
    EXPECT_TRUE(Button("bbtnScan")->isEnabled());
    EXPECT_FALSE(Button("bbtnScanStop")->isEnabled());
    EXPECT_FALSE(form->findChild<QProgressBar *>(QStringLiteral("pbProgress"))->isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
}

TEST_F(FormScanTest, ThreeDevicesAreListedWithPlantNumbersAndVersions)
{
    Start({QStringLiteral("--devices"), QStringLiteral("3")}, {15, 80});
    ASSERT_EQ(sim->DeviceCount(), 3);
    OpenScan();
    Scan(1, 4);
    ASSERT_EQ(Grid()->rowCount(), 3);
    // №, address, plant number, type, software and hardware version.
    const char *const rows[3][6] = {{"1", "1", "1234", "20", "3", "2"},
                                    {"2", "2", "1235", "20", "4", "3"},
                                    {"3", "3", "1236", "20", "5", "4"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(Cell(r, c), QLatin1String(rows[r][c])) << r << "," << c;
    EXPECT_EQ(Grid()->currentRow(), 2) << "the last device found is selected";
    EXPECT_EQ(Grid()->horizontalHeaderItem(1)->text(), QStringLiteral("Системный адрес"));
    EXPECT_EQ(Status(), QStringLiteral("Сканирование завершено"));

    EXPECT_TRUE(
        SaveWindowPicture(form, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormScan.png")));

    // A second scan starts its list afresh.
    Scan(2, 2);
    ASSERT_EQ(Grid()->rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("1235"));
}

TEST_F(FormScanTest, AssignmentRenumbersTheDevicesAndShowsWhatEachConfirmed)
{
    Start({QStringLiteral("--devices"), QStringLiteral("3")}, {15, 80});
    OpenScan();
    Scan(1, 4);
    ASSERT_EQ(Grid()->rowCount(), 3);
    dialogs.answers = {TDialogButton::Yes};
    sim->ClearRequests();
    // Plant number 1237 is on no scan: it is reported absent.
    Assign(10, 1234, 4);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0],
              QStringLiteral("Записать системные адреса с 10 по 13\rв приборы с заводскими "
                             "номерами с 1234 по 1237\r\rПоследнее сканирование не нашло "
                             "приборов по этим адресам"));
    const QList<QByteArray> writes = Frames(0x10);
    ASSERT_EQ(writes.size(), 4);
    EXPECT_EQ(writes[0], AppendCrc16(QByteArray::fromHex("00100000000306001404d2000a")));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sim->Device(i).Address(), 10 + i);

    // The result table in place of the device list, one row per plant number.
    auto *results = form->findChild<QTableWidget *>(QStringLiteral("acgAssignResults"));
    ASSERT_NE(results, nullptr);
    EXPECT_TRUE(results->isVisible());
    EXPECT_FALSE(Grid()->isVisible());
    ASSERT_EQ(results->rowCount(), 4);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(results->item(r, 1)->text(), QString::number(1234 + r));
        EXPECT_EQ(results->item(r, 2)->text(), QString::number(10 + r));
        EXPECT_EQ(results->item(r, 3)->text(), QStringLiteral("подтвержден"));
    }
    EXPECT_EQ(results->item(3, 3)->text(), QStringLiteral("нет на линии"));
    EXPECT_EQ(Status(), QStringLiteral("Адрес подтвердили 3 из 4 приборов"));
    form->resize(700, 460);
    QApplication::processEvents();
    EXPECT_TRUE(SaveWindowPicture(
        form, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormScan_Assignment.png")));

    sim->ClearRequests();
    Scan(9, 13);
    ASSERT_EQ(Grid()->rowCount(), 3);
    EXPECT_TRUE(Grid()->isVisible());
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(Cell(r, 1), QString::number(10 + r));
        EXPECT_EQ(Cell(r, 2), QString::number(1234 + r));
    }
}

TEST_F(FormScanTest, AnOccupiedTargetIsNamedAndNothingIsWrittenWithoutConsent)
{
    Start({QStringLiteral("--devices"), QStringLiteral("3")}, {15, 80});
    OpenScan();
    Scan(1, 4);
    sim->ClearRequests();
    // 1234 and 1235 to 3 and 4: address 3 holds 1236.
    Assign(3, 1234, 2);
    ASSERT_EQ(dialogs.questions.size(), 1);
    const QString question = dialogs.questions[0];
    EXPECT_TRUE(question.startsWith(QStringLiteral("Записать системные адреса с 3 по 4\r")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("адрес 3: прибор 1236")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("Адрес 3 занят прибором 1236")))
        << question.toStdString();
    EXPECT_TRUE(Frames(0x10).isEmpty()) << "declined: nothing written";
    EXPECT_EQ(Frames(0x2B).size(), 2) << "the targets were read";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sim->Device(i).Address(), 1 + i);
    EXPECT_TRUE(Button("bbtnWriteSA")->isEnabled());
}

TEST_F(FormScanTest, AGarbledAnswerIsListedAsSeveralDevicesAtItsAddress)
{
    Start({QStringLiteral("--devices"), QStringLiteral("3")}, {15, 80});
    OpenScan();
    sim->Device(1).InjectFault({TSimFaultKind::BadCrc, 0});
    Scan(1, 3);
    ASSERT_EQ(Grid()->rowCount(), 3);
    EXPECT_EQ(Cell(0, 2), QStringLiteral("1234"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("2"));
    EXPECT_EQ(Cell(1, 2), QStringLiteral("возможно, несколько приборов на адресе 2"));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("1236"));
}

// Ten devices, the tenth set to address 3 by mistake: the scan names the
// garbled address, targets held by others are refused, and free targets put
// the line right with every device confirmed.
TEST_F(FormScanTest, TenDevicesWhereTwoShareAnAddressAreCommissioned)
{
    QStringList devices;
    for (int i = 0; i < 9; ++i)
        devices << QStringLiteral("--device") << QStringLiteral("%1:%2").arg(1 + i).arg(1234 + i);
    devices << QStringLiteral("--device") << QStringLiteral("3:1243");
    Start(devices, {15, 80});
    ASSERT_EQ(sim->DeviceCount(), 10);
    OpenScan();
    Scan(1, 10);
    ASSERT_EQ(Grid()->rowCount(), 9);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("3"));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("возможно, несколько приборов на адресе 3"));

    sim->ClearRequests();
    dialogs.answers = {TDialogButton::No};
    Assign(2, 1234, 10);
    ASSERT_EQ(dialogs.questions.size(), 1);
    const QString question = dialogs.questions[0];
    EXPECT_TRUE(question.contains(QStringLiteral("Адрес 2 занят прибором 1235")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("возможно, несколько приборов на адресе 3")))
        << question.toStdString();
    EXPECT_TRUE(Frames(0x10).isEmpty()) << "declined: nothing written";

    dialogs.questions.clear();
    dialogs.answers = {TDialogButton::Yes};
    Assign(21, 1234, 10);
    ASSERT_EQ(dialogs.questions.size(), 1);
    auto *results = form->findChild<QTableWidget *>(QStringLiteral("acgAssignResults"));
    ASSERT_NE(results, nullptr);
    ASSERT_EQ(results->rowCount(), 10);
    for (int r = 0; r < 10; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(results->item(r, 1)->text(), QString::number(1234 + r));
        EXPECT_EQ(results->item(r, 2)->text(), QString::number(21 + r));
        EXPECT_EQ(results->item(r, 3)->text(), QStringLiteral("подтвержден"));
    }
    EXPECT_EQ(Status(), QStringLiteral("Адрес подтвердили 10 из 10 приборов"));
    form->resize(700, 520);
    QApplication::processEvents();
    EXPECT_TRUE(SaveWindowPicture(
        form, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormScan_TenDevices.png")));

    Scan(20, 31);
    ASSERT_EQ(Grid()->rowCount(), 10);
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(Cell(r, 2), QString::number(1234 + r));
}

TEST_F(FormScanTest, AScanWhilePollingArchivesOnlyThePolledDevice)
{
    QDir(dir.path()).mkpath(QStringLiteral("INI"));
    test::writeAll(dir.file("INI/Timer.ini"), "[ctReqDevices]\r\nEnabled=0\r\nInterval=100\r\n");
    Start({QStringLiteral("--devices"), QStringLiteral("3")}, {15, 80});
    for (int i = 0; i < 3; ++i) {
        sim->Device(i).SetDistance(1000 + 2000 * i);
        sim->Device(i).SetBitRate(9600); // each answer takes a while
    }
    const TDateTime started = Now();
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosStart")));
    TRequestThread *worker = app->Scheduler()->Worker();
    ASSERT_TRUE(WaitFor([&] { return worker->StepCount() >= 2; }));
    const int plantNumber = Model().PlantNumber();
    OpenScan();
    bool pausedDuring = true;
    QString pollingText;
    DuringOperation(3, [&] {
        pausedDuring = !window->IsPolling();
        pollingText = form->findChild<QLabel *>(QStringLiteral("lblPolling"))->text();
    });
    for (int k = 0; k < 4; ++k)
        Scan(1, 3);
    EXPECT_TRUE(pausedDuring);
    EXPECT_EQ(pollingText, QStringLiteral("Опрос прибора приостановлен на время операции"));
    EXPECT_TRUE(window->IsPolling()) << "polling resumed after the scan";
    EXPECT_EQ(form->findChild<QLabel *>(QStringLiteral("lblPolling"))->text(),
              QStringLiteral("Опрос прибора возобновлен"));
    const int steps = worker->StepCount();
    ASSERT_TRUE(WaitFor([&] { return worker->StepCount() >= steps + 2; }));
    ASSERT_TRUE(form->close());
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actOprosStop")));
    ASSERT_TRUE(WaitFor([&] { return worker->Idle(); }));

    const auto rows = app->Archive()->ArchiveQuery(QStringLiteral("Distance"), started, 0, 0);
    ASSERT_FALSE(rows.empty());
    for (const TArchiveRow &row : rows)
        EXPECT_NEAR(row.V, 1000, 1) << "a reading of another device";
    EXPECT_EQ(Model().SystemAddress(), 1);
    EXPECT_EQ(Model().PlantNumber(), plantNumber);
}

TEST_F(FormScanTest, AddressesMustLastToTheCountOfDevices)
{
    Start({}, kSilentLine);
    sim->SetAddress(248);
    OpenScan();

    // 200 + 48 devices end at 247: sent, one broadcast per plant number.
    dialogs.answers = {TDialogButton::Yes};
    Assign(200, 500, 48);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    const QList<QByteArray> writes = Frames(0x10);
    ASSERT_EQ(writes.size(), 48);
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(ByteAt(writes[i], 0), 0) << "broadcast";
        EXPECT_EQ(BytesToWord(ByteAt(writes[i], 9), ByteAt(writes[i], 10)), 500 + i);
        EXPECT_EQ(ByteAt(writes[i], 12), 200 + i);
    }

    // 49 would need address 248: refused before anything is read or asked.
    sim->ClearRequests();
    dialogs.questions.clear();
    Assign(200, 500, 49);
    EXPECT_TRUE(dialogs.questions.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0],
              QStringLiteral("Недостаточно системных адресов (от 0 до 247)!\rНачальный системный "
                             "адрес = 200\rКоличество приборов = 49\r\rНеобходимо уменьшить "
                             "значения начального системного адреса или количество приборов"));
    EXPECT_TRUE(sim->Requests().isEmpty());

    // No to the question: only the target addresses were read.
    dialogs.messages.clear();
    Assign(1, 500, 3);
    EXPECT_TRUE(Frames(0x10).isEmpty());
    EXPECT_EQ(Frames(0x2B).size(), 3);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(FormScanTest, FieldRulesBeforeAnythingIsSent)
{
    Start({}, kSilentLine);
    sim->SetAddress(248);
    OpenScan();

    // Last below first: a warning and no request.
    Scan(10, 9);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], QStringLiteral("Начальный системный адрес больше конечного!"));
    EXPECT_TRUE(sim->Requests().isEmpty());

    // An address outside 1 to 247 leaves the previous one (the scan of 10 to 9
    // read 10 and 9): 0 keeps the first at 10, so 10..12 is scanned.
    dialogs.messages.clear();
    Edit("enStartSA")->setText(QStringLiteral("0"));
    Edit("enStopSA")->SetValue(12);
    Button("bbtnScan")->click();
    ASSERT_EQ(Frames(0x2B).size(), 3);
    EXPECT_EQ(ByteAt(Frames(0x2B)[0], 0), 10);

    // Plant numbers stop at 65535: the question names the last one addressed.
    sim->ClearRequests();
    dialogs.answers = {TDialogButton::Yes};
    Edit("enStartPN")->setText(QStringLiteral("65534"));
    Edit("enCountPN")->SetValue(5);
    Edit("enStartSA")->SetValue(1);
    Button("bbtnWriteSA")->click();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions[0].contains(QStringLiteral("с 65534 по 65535")));
    EXPECT_EQ(Frames(0x10).size(), 2);
}

TEST_F(FormScanTest, ClosingIsRefusedWhileAScanRunsAndAllowedAfterStop)
{
    Start({}, kSilentLine);
    sim->SetAddress(248);
    OpenScan();
    QPointer<TFormScan> guard(form);
    bool refused = false, allowed = false;
    QString status;
    DuringOperation(10, [&] {
        refused = !form->close();
        Button("bbtnScanStop")->click();
        status = Status();
        allowed = form->close();
    });
    Button("bbtnScan")->click();
    EXPECT_TRUE(refused);
    EXPECT_TRUE(allowed);
    EXPECT_EQ(status, QString()) << "the stop button clears the status line";
    const int sent = int(Frames(0x2B).size());
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, 20) << "the loop ended at the stop";
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << "a closed window is freed";
    EXPECT_FALSE(window->Windows().IsOpen(QStringLiteral("FormScan")));
}

TEST_F(FormScanTest, TheDeviceIsAddressedAtItsOldAddressAfterTheWindowCloses)
{
    Start({QStringLiteral("--devices"), QStringLiteral("2")}, {15, 80});
    Ttals352 &model = *app->Model();
    ASSERT_EQ(model.SystemAddress(), 1);
    model.SetPlantNumber(777);
    OpenScan();
    EXPECT_EQ(Edit("enStartPN")->Value(), 777) << "the model's plant number at opening";
    Scan(1, 3);
    EXPECT_EQ(Grid()->rowCount(), 2);
    // The scan read other signatures; the model has its own identity back at once.
    EXPECT_EQ(model.SystemAddress(), 1);
    EXPECT_EQ(model.PlantNumber(), 777);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(model.SystemAddress(), 1);

    sim->ClearRequests();
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actHmaxRead")));
    ASSERT_FALSE(sim->Requests().isEmpty());
    EXPECT_EQ(ByteAt(sim->Requests().last(), 0), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
}

} // namespace
