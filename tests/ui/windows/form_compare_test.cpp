// The comparison with the device and the safe write-all, on the program
// running against the simulated transducer.

#include "ui/windows/form_compare.h"

#include "device/command_table.h"
#include "device/tals352.h"
#include "platform/format_settings.h"
#include "storage/parameter_file.h"
#include "tests/device/qstring_printer.h"
#include "tests/ui/procedures/simulated_program.h"
#include "tests/ui/report_output.h"
#include "ui/application/window_grab.h"
#include "ui/reports/rep_compare.h"

#include <QDate>
#include <QLabel>
#include <QTableWidget>

#include <set>

namespace tals {
namespace {

class CompareTest : public test::SimulatedProgram
{
protected:
    // The program in the given mode with the shown model read from the
    // device, so that only what a test changes differs.
    void StartInStep(bool full)
    {
        Start(full ? QStringList{QStringLiteral("/full")} : QStringList{}, {50, 1000});
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllRead")));
        ASSERT_TRUE(dialogs.messages.isEmpty()) << Messages();
        dialogs.questions.clear();
        sim->ClearRequests();
    }

    Ttals352 &Model() { return *app->Model(); }
    std::string Messages() const { return dialogs.messages.join(QLatin1Char('|')).toStdString(); }
    TFormCompare *CompareWindow()
    {
        return qobject_cast<TFormCompare *>(window->Windows().Find(QStringLiteral("FormCompare")));
    }
    QStringList Names()
    {
        QStringList names;
        if (TFormCompare *w = CompareWindow())
            for (const TModelDifference &d : w->Comparison().Differences)
                names << d.Name;
        return names;
    }
    // Start registers of the block writes the device received, the
    // password aside.
    QList<int> Writes() const
    {
        QList<int> starts;
        for (const QByteArray &f : sim->Requests()) {
            if (f.size() < 4 || quint8(f[1]) != 0x10)
                continue;
            const int start = (quint8(f[2]) << 8) | quint8(f[3]);
            if (start != 2000)
                starts << start;
        }
        return starts;
    }
    // Changes in the device: a user, a common service, a service and a
    // zone register.
    void ChangeDevice()
    {
        sim->SetHoldingSingle(1000, 20000.f); // Hmax
        sim->SetHoldingSingle(1006, 0.25f);   // KKalman
        sim->SetHoldingRegister(3012, 200);   // DSint
        sim->SetHoldingRegister(3128, 2);     // CountBadZones
        sim->SetHoldingSingle(BadZoneAddress(TBadZoneValue::NearBound, 2), 1234.5f);
    }
};

TEST_F(CompareTest, CompareWithDeviceListsTheDifferencesAndLeavesTheShownModelAlone)
{
    StartInStep(true);
    ChangeDevice();
    Model().SetSmPer(5.5);
    const double hmax = Model().Hmax();

    dialogs.answers = {TDialogButton::Yes}; // the program's parameters
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actCompareWithDevice")));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages();
    ASSERT_NE(CompareWindow(), nullptr);
    EXPECT_EQ(Names(), (QStringList{"Hmax", "KKalman", "SmPer", "DSint", "CountBadZones",
                                    "BadZone2.NearBound"}));
    const TModelDifference hmaxRow = CompareWindow()->Comparison().Differences[0];
    EXPECT_EQ(hmaxRow.Ours, hmax);
    EXPECT_EQ(hmaxRow.Theirs, 20000);
    EXPECT_EQ(hmaxRow.Caption, QStringLiteral("Hmax, от 0 до 30 000 мм"));
    EXPECT_EQ(
        CompareWindow()->findChild<QTableWidget *>(QStringLiteral("sgDifferences"))->rowCount(), 6);

    // Read into a second model: the shown one keeps its values, and nothing
    // but the password was written.
    EXPECT_EQ(Model().Hmax(), hmax);
    EXPECT_EQ(Model().DSint(), 189);
    EXPECT_EQ(Model().SmPer(), 5.5);
    EXPECT_TRUE(Writes().isEmpty());
    EXPECT_EQ(sim->HoldingSingle(2008), 0.001f) << "the device keeps its SmPer";

    const QStringList lines =
        CompareWindow()->ClipboardText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], QStringLiteral("Параметр\tИмя\tПрограмма\tПрибор"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\tHmax\t30000\t20000")))
        << lines[1].toStdString();

    // The window with live differences as a Russian desktop shows them, and
    // the printed list.
    const TFormatSettings saved = FormatSettings();
    SetFormatSettings(LocaleFormatSettings(QStringLiteral("ru_RU")));
    CompareWindow()->SetComparison(CompareWindow()->Comparison());
    EXPECT_EQ(CompareWindow()
                  ->findChild<QTableWidget *>(QStringLiteral("sgDifferences"))
                  ->item(1, 3)
                  ->text(),
              QStringLiteral("0,25"));
    CompareWindow()->resize(820, 360);
    QApplication::processEvents();
    EXPECT_TRUE(SaveWindowPicture(CompareWindow(),
                                  QStringLiteral(TALS_BINARY_DIR "/screenshots/FormCompare.png")));
    const QString pdf = QStringLiteral(TALS_BINARY_DIR "/reports/Compare.pdf");
    ASSERT_TRUE(TRepCompare(CompareWindow()->Comparison()).SaveToPdf(pdf));
    SetFormatSettings(saved);
    const QString text = test::ReportPdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Сравнение с прибором"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2.Плохая зона: Ближняя граница")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("1234,5"))) << text.toStdString();

    // The window and the printout name the device and the time of the comparison.
    const QString device = QStringLiteral("адрес 1, заводской номер %1, %2")
                               .arg(Model().PlantNumber())
                               .arg(Model().DeviceTypeName());
    EXPECT_EQ(CompareWindow()->Comparison().Device, device);
    const QString heading =
        CompareWindow()->findChild<QLabel *>(QStringLiteral("lblDevice"))->text();
    EXPECT_TRUE(heading.startsWith(QStringLiteral("Прибор: ") + device)) << heading.toStdString();
    EXPECT_TRUE(heading.contains(QStringLiteral("Сравнение: ") +
                                 QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))))
        << heading.toStdString();
    EXPECT_TRUE(text.simplified().contains(QStringLiteral("Прибор: ") + device))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Сравнение: "))) << text.toStdString();
}

TEST_F(CompareTest, CompareWithDeviceTakesAChosenParameterFile)
{
    StartInStep(false);
    // A file with another KKalman and Speed; the device gets another Hmax.
    Ttals352 file(app->Modes());
    file.SetKKalman(0.5);
    file.SetSpeed(7);
    file.SetHmax(Model().Hmax());
    file.SetLmax(Model().Lmax());
    file.SetCurrentOutput_Input(Model().CurrentOutput_Input());
    file.SetCurrentOutput_Range(Model().CurrentOutput_Range());
    file.SetCurrentOutput_ErrorValue(Model().CurrentOutput_ErrorValue());
    const QString path = dir.file(QStringLiteral("PN01234-20261210.ini"));
    ASSERT_TRUE(WriteParameterFile(file, path));
    sim->SetHoldingSingle(1000, 25000.f);

    dialogs.answers = {TDialogButton::No}; // a file
    dialogs.fileNames = {path};
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actCompareWithDevice")));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages();
    // Outside full access only the user registers are compared.
    EXPECT_EQ(Names(), (QStringList{"Hmax", "KKalman", "Speed"}));
    EXPECT_EQ(CompareWindow()->Comparison().OursTitle, QStringLiteral("PN01234-20261210.ini"));
    EXPECT_EQ(CompareWindow()->Comparison().Differences[1].Ours, 0.5);

    // A file that is no parameter file is refused before the device is asked.
    const QString junk = dir.file(QStringLiteral("junk.ini"));
    test::writeAll(junk, "[Other]\r\nKey=1\r\n");
    sim->ClearRequests();
    dialogs.answers = {TDialogButton::No};
    dialogs.fileNames = {junk};
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actCompareWithDevice")));
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(sim->RequestCount(), 0);
}

TEST_F(CompareTest, CompareFilesListsWhatTwoFilesHoldDifferently)
{
    Start({}, {50, 1000});
    TProgramModes modes;
    Ttals352 a(modes);
    Ttals352 b(modes);
    b.SetFreqPeriod(10);
    b.SetCountBadZones(2);
    b.BadZone(2).FarBound.SetValue(TVariant(3000.0));
    const QString first = dir.file(QStringLiteral("a.ini"));
    const QString second = dir.file(QStringLiteral("b.ini"));
    ASSERT_TRUE(WriteParameterFile(a, first));
    ASSERT_TRUE(WriteParameterFile(b, second));

    dialogs.fileNames = {first, second};
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actCompareFiles")));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages();
    EXPECT_EQ(Names(), (QStringList{"FreqPeriod", "CountBadZones", "BadZone2.FarBound"}));
    EXPECT_EQ(CompareWindow()->Comparison().OursTitle, QStringLiteral("a.ini"));
    EXPECT_EQ(CompareWindow()->Comparison().TheirsTitle, QStringLiteral("b.ini"));
    EXPECT_EQ(sim->RequestCount(), 0) << "files are compared without the device";

    // The second dialog cancelled: no comparison, the window keeps its list.
    dialogs.fileNames = {second};
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actCompareFiles")));
    EXPECT_EQ(Names().size(), 3);
}

TEST_F(CompareTest, WriteAllAsksOnceAndWritesOnlyTheGroupsThatDiffer)
{
    StartInStep(true);
    Model().SetKKalman(0.5);
    Model().SetDSint(200);

    // Answered No: nothing is written.
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllWrite")));
    ASSERT_EQ(dialogs.questions.size(), 1);
    const QString question = dialogs.questions[0];
    EXPECT_TRUE(question.contains(QStringLiteral("(2)"))) << question.toStdString();
    EXPECT_TRUE(question.contains(
        QStringLiteral("Коэффициент сглаживания, от 0,01 до 1 (KKalman): 1 -> 0.5")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("(DSint): 189 -> 200"))) << question.toStdString();
    EXPECT_TRUE(Writes().isEmpty());

    // Yes: the user block and service registers 1, nothing else.
    dialogs.questions.clear();
    dialogs.answers = {TDialogButton::Yes};
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllWrite")));
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages();
    EXPECT_EQ(Writes(), (QList<int>{1000, 3000}));
    EXPECT_EQ(sim->HoldingSingle(1006), 0.5f);
    EXPECT_EQ(sim->HoldingRegister(3012), 200);

    // Now nothing differs: said so, nothing written, nothing asked.
    dialogs.questions.clear();
    sim->ClearRequests();
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllWrite")));
    EXPECT_TRUE(dialogs.questions.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("не отличаются"))) << Messages();
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(CompareTest, WriteAllNeverCopiesAnotherPlantNumberIntoTheDevice)
{
    StartInStep(true);
    const quint16 own = sim->PlantNumber();
    // The model holds another device's plant number (as a scan used to leave it)
    // and one common service register differs, so that block is written.
    Model().SetPlantNumber(quint16(own + 5));
    Model().SetSmPer(2.5);
    dialogs.answers = {TDialogButton::Yes};
    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllWrite")));
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_FALSE(dialogs.questions[0].contains(QStringLiteral("(PlantNumber)")))
        << dialogs.questions[0].toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << Messages();
    EXPECT_EQ(sim->HoldingSingle(2008), 2.5f) << "SmPer written";
    EXPECT_EQ(sim->PlantNumber(), own) << "the device keeps its plant number";
    EXPECT_EQ(Model().PlantNumber(), own);
}

TEST_F(CompareTest, WriteAllNamesTheRegisterTheDeviceRefuses)
{
    struct Case
    {
        const char *name;
        int exception;
        bool named; // the refusal names a register
    } const cases[] = {
        {"illegal value", 3, true},
        {"illegal address", 2, true},
        {"device failure", 4, false},
    };
    StartInStep(false);
    Model().SetLmax(10000); // below every Hmax of the cases: the device takes the block
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Model().SetHmax(Model().Hmax() == 20000 ? 21000 : 20000);
        Model().SetKKalman(Model().KKalman() == 0.5 ? 0.75 : 0.5);
        dialogs.messages.clear();
        dialogs.answers = {TDialogButton::Yes};
        // The comparison's read passes; the block's tries and then the
        // single write of Hmax are refused, KKalman's goes through.
        sim->ClearFaults();
        sim->InjectFault({TSimFaultKind::ByteGaps, 0});
        sim->InjectFault({TSimFaultKind::Exception, c.exception}, 6);
        ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actAllWrite")));
        ASSERT_EQ(dialogs.messages.size(), 1);
        const QString message = dialogs.messages[0];
        EXPECT_TRUE(message.startsWith(
            QStringLiteral("Не выполнена команда\rЗаписать пользовательские регистры")))
            << message.toStdString();
        EXPECT_EQ(
            message.contains(QStringLiteral("Прибор не принял: Hmax, от 0 до 30 000 мм (Hmax)")),
            c.named)
            << message.toStdString();
        if (c.named) {
            EXPECT_FALSE(message.contains(QStringLiteral("KKalman"))) << message.toStdString();
            EXPECT_FALSE(message.contains(QStringLiteral("(Lmax)"))) << message.toStdString();
        }
        sim->ClearFaults();
    }
}

TEST(RepCompareTest, ALongListGoesOnOverNumberedPages)
{
    TComparison comparison;
    comparison.Title = QStringLiteral("Сравнение файлов параметров");
    comparison.OursTitle = QStringLiteral("a.ini");
    comparison.TheirsTitle = QStringLiteral("b.ini");
    for (int i = 0; i < 70; ++i)
        comparison.Differences.append({QStringLiteral("Параметр %1").arg(i),
                                       QStringLiteral("Name%1").arg(i), double(i), i + 0.5,
                                       TEncoding::Single, cmd::WriteServiceRegisters2});
    const QString pdf = QStringLiteral(TALS_BINARY_DIR "/reports/CompareLong.pdf");
    ASSERT_TRUE(TRepCompare(comparison).SaveToPdf(pdf));
    const QString text = test::ReportPdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Страница 2"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Страница 4"))) << text.toStdString();
    // Every row is printed once, the last on a later page.
    EXPECT_TRUE(text.contains(QStringLiteral("Name0 "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Name69 "))) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("Параметр 1 ")), 1) << text.toStdString();
}

} // namespace
} // namespace tals
