#include "device/progon.h"
#include "platform/date_time.h"
#include "tests/ui/procedures/procedure_fixture.h"
#include "tests/ui/report_output.h"
#include "ui/procedures/acceptance/acceptance_reports.h"
#include "ui/procedures/run/form_progon.h"
#include "ui/reports/rep_progon.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <qcustomplot.h>

#include <memory>

namespace tals {
namespace {

const QColor kRed(0xFF, 0x00, 0x00);
const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);

// The run window on a plain model; the main window's actions are recorded.
class FormProgonTest : public test::ProcedureFixture
{
protected:
    FormProgonTest()
    {
        model.SetHmax(15000);
        model.SetLmax(15000);
        model.SetCurrentOutput_Range(2);
        model.MakeProgonTemplate();
        TProgonHost host{[this](const QString &name) {
                             executed << name;
                             if (name == QLatin1String("actOprosStop"))
                                 polling = false;
                             if (name == QLatin1String("actOprosStart"))
                                 polling = true;
                             return true;
                         },
                         [this] { return polling; }, [this] { ++refreshes; },
                         [this] { return pollPeriodMs; }};
        window = std::make_unique<TFormProgon>(model, input, std::move(host));
        window->show();
        QApplication::processEvents();
    }
    ~FormProgonTest() override { window.reset(); }

    QString Cell(int row, int column) const
    {
        return window->Grid()->item(row - 1, column)->text();
    }
    void SetLevel(double level) { SetReading(model.LevelBusy(), level); }

    QStringList executed;
    bool polling = false;
    int refreshes = 0;
    int pollPeriodMs = 1000;
    std::unique_ptr<TFormProgon> window;
};

TEST_F(FormProgonTest, AfterTheTemplateEveryCurrentDifferenceIsRed)
{
    const QStringList heads = {
        "№",           "Рулетка, мм", "Уровень, мм", "d Уровень, мм", "Ток(4-20 мА)",
        "Изм.Ток, мА", "d Ток, мА"};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(window->Grid()->horizontalHeaderItem(c)->text(), heads[c]);
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(window->CellBackground(r, 6), kRed) << r;
        EXPECT_EQ(Cell(r, 1), QString::number(2000 * r));
        EXPECT_EQ(Cell(r, 3), QStringLiteral("0.000"));
        EXPECT_EQ(Cell(r, 5), QStringLiteral("0.00"));
    }
    EXPECT_EQ(Cell(1, 2), QStringLiteral("13000.000"));
    EXPECT_EQ(Cell(1, 4), QStringLiteral("17.87"));
    EXPECT_EQ(Cell(1, 6), QStringLiteral("17.867"));
}

TEST_F(FormProgonTest, TapeEntryOf5000Gives10000mmAnd14_6667mA)
{
    window->Grid()->setCurrentCell(1, 0);
    dialogs.texts = {QStringLiteral("5000")};
    window->ChangeRuletka();
    EXPECT_EQ(input.prompts, QStringList{QStringLiteral("2) Значение рулетки, мм")});
    EXPECT_DOUBLE_EQ(model.ProgonTable[1].SetLevel, 10000);
    EXPECT_NEAR(model.ProgonTable[1].Current, 14.6667, 5e-5);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("5000"));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("10000.000"));
    EXPECT_EQ(Cell(2, 4), QStringLiteral("14.67"));

    dialogs.texts = {QStringLiteral("120")};
    window->ChangeGate();
    EXPECT_EQ(input.prompts.last(), QStringLiteral("Ширину \"ворот\", мм"));
    EXPECT_DOUBLE_EQ(model.ProgonGate, 120);
}

TEST_F(FormProgonTest, CaptureMarksALowCurrentRedAndAHighOneNot)
{
    SetLevel(9000); // row 3
    const double expected = model.ExpectedCurrent(9000);
    SetReading(model.CurrentOutput(), expected - 0.03);
    window->Capture();
    EXPECT_EQ(window->CurrentRow(), 3);
    EXPECT_EQ(window->CellBackground(3, 6), kRed);
    EXPECT_EQ(Cell(3, 6), QStringLiteral("0.030"));
    SetReading(model.CurrentOutput(), expected + 0.03);
    window->Capture();
    EXPECT_NE(window->CellBackground(3, 6), kRed);
    EXPECT_EQ(window->CellBackground(3, 6), kGreen) << "only the current row's colour";
    EXPECT_EQ(Cell(3, 6), QStringLiteral("-0.030"));
    EXPECT_TRUE(dialogs.questions.isEmpty()) << "only row 5 asks";
}

TEST_F(FormProgonTest, CurrentRowIsBoldGreenNearAndYellowFurther)
{
    SetLevel(11001);
    window->Refresh();
    EXPECT_EQ(window->CurrentRow(), 2);
    EXPECT_TRUE(window->IsCellBold(2, 1));
    EXPECT_FALSE(window->IsCellBold(1, 1));
    EXPECT_EQ(window->CellBackground(2, 1), kGreen);
    EXPECT_EQ(window->CellBackground(2, 6), kRed) << "the current mark stays";
    SetLevel(11005);
    EXPECT_EQ(window->CellBackground(2, 1), kYellow);
    SetLevel(11200);
    EXPECT_FALSE(window->CellBackground(2, 1).isValid());
    EXPECT_TRUE(window->IsCellBold(2, 1));
    SetLevel(12000);
    EXPECT_EQ(window->CurrentRow(), 0);
    window->Capture(); // outside every gate: nothing
    EXPECT_DOUBLE_EQ(model.ProgonTable[0].Value, 13000);
}

TEST_F(FormProgonTest, StartAndStopWriteTheSpanAroundPolling)
{
    model.SetHmax(30000);
    model.SetLmax(30000);
    model.SetCurrentOutput_Range(1);
    polling = true;
    dialogs.answers = {TDialogButton::No, TDialogButton::Yes}; // keep 0-20 mA, make the template
    window->StartRun();
    EXPECT_EQ(dialogs.questions,
              (QStringList{QStringLiteral("Текущий диапазон токового выхода 0-20 мА\r"
                                          "Установить диапазон токового выхода 4-20 мА ?"),
                           QStringLiteral("Создать шаблон прогона?")}));
    EXPECT_EQ(executed, (QStringList{"actOprosStop", "actLmaxWrite", "actHmaxWrite",
                                     "actCurrentOutput_InputWrite", "actCurrentOutput_RangeWrite",
                                     "actOprosStart"}));
    EXPECT_DOUBLE_EQ(model.Hmax(), 15000);
    EXPECT_DOUBLE_EQ(model.Lmax(), 15000);
    EXPECT_EQ(model.CurrentOutput_Input(), 1);
    EXPECT_EQ(model.CurrentOutput_Range(), 1);
    EXPECT_EQ(window->Grid()->horizontalHeaderItem(4)->text(), QStringLiteral("Ток(0-20 мА)"));
    EXPECT_GE(refreshes, 1);

    // Capturing row 5 asks to stop; No keeps the span.
    executed.clear();
    SetLevel(5000);
    window->Capture();
    EXPECT_EQ(dialogs.questions.last(), QStringLiteral("Остановить прогон?"));
    EXPECT_DOUBLE_EQ(model.Hmax(), 15000);
    EXPECT_TRUE(executed.isEmpty());
    dialogs.answers = {TDialogButton::Yes};
    window->Capture();
    EXPECT_EQ(executed,
              (QStringList{"actOprosStop", "actHmaxWrite", "actLmaxWrite", "actOprosStart"}))
        << "the span is raised Hmax first";
    EXPECT_DOUBLE_EQ(model.Hmax(), 30000);
    EXPECT_DOUBLE_EQ(model.Lmax(), 30000);
    EXPECT_EQ(model.CurrentOutput_Range(), 1) << "left as the start made it";
}

TEST_F(FormProgonTest, ChartDrawsTheLevelErrorsAndWidensBeyond3_5)
{
    QCustomPlot *chart = window->Chart();
    ASSERT_EQ(chart->graph(0)->dataCount(), 5);
    EXPECT_DOUBLE_EQ(chart->graph(0)->data()->at(0)->key, 5000) << "ascending set level";
    EXPECT_DOUBLE_EQ(chart->yAxis->range().upper, 3.5);
    SetLevel(12990);
    window->Capture();
    EXPECT_DOUBLE_EQ(chart->graph(0)->data()->at(4)->value, 10);
    EXPECT_GE(chart->yAxis->range().upper, 10);
    window->SetAxisAutomatic(false);
    EXPECT_DOUBLE_EQ(chart->yAxis->range().lower, -3.5);
    EXPECT_DOUBLE_EQ(chart->yAxis->range().upper, 3.5);
}

TEST_F(FormProgonTest, CaptionAndNumbersShowTheReadings)
{
    SetReading(model.LevelFree(), 1234.56);
    SetLevel(13765.4);
    model.PPMNumberText = QStringLiteral("77");
    window->Refresh();
    const QStringList lines = window->CaptureButton()->text().split('\n');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("Установить"));
    EXPECT_EQ(lines[2], QStringLiteral("Св.пр-во, мм "));
    EXPECT_EQ(lines[3], QStringLiteral("1,234.6"));
    EXPECT_EQ(lines[5], QStringLiteral("13,765.4"));
    EXPECT_EQ(lines[7], model.CurrentOutput().FormatValue(false, false));
    EXPECT_EQ(window->findChild<QLabel *>("lblPPMNumber")->text(), QStringLiteral("77"));
    EXPECT_EQ(window->findChild<QLabel *>("lblOrderNumber")->text(), QStringLiteral("Нет"));
}

TEST_F(FormProgonTest, ReportCarriesTheIdentityTheRunTableAndTheChart)
{
    model.SetPlantNumber(4321);
    model.SetHardVersionNumber(3);
    model.SetSoftVersionNumber(2);
    model.SetProgramType(1);
    model.SetSmPer(-12.5);
    model.SetKrPer(1.00012);
    model.SetAlgoritmType(3);
    model.PPMNumberText = QStringLiteral("ППМ-7");
    model.OrderNumber = QStringLiteral("НЗ-15");
    SetLevel(12990);
    window->Capture();
    std::size_t captured = model.ProgonTable.size();
    for (std::size_t k = 0; k < model.ProgonTable.size(); ++k)
        if (model.ProgonTable[k].Value == 12990)
            captured = k;
    ASSERT_LT(captured, model.ProgonTable.size());

    TRepProgon report;
    FillProgonReport(report, *window);
    EXPECT_EQ(report.Title.Text(), QStringLiteral("Прогон ТАЛС352И"));
    struct TExpected
    {
        TReportLabel *label;
        QString text;
    };
    const TProgonRow &row = model.ProgonTable[captured];
    const TExpected expected[] = {
        {&report.qrlPlantNumber, QStringLiteral("4321")},
        {&report.qrlHardVersion, QStringLiteral("3")},
        {&report.qrlSoftVersion, QStringLiteral("2")},
        {&report.qrlPPM, QStringLiteral("ППМ-7")},
        {&report.qrlNNZ, QStringLiteral("НЗ-15")},
        {&report.qrlBaza, QStringLiteral("-12.50")},
        {&report.qrlKkrutZav, QStringLiteral("1.00012")},
        {&report.qrlAlgoritm, QStringLiteral("МННК")},
        {report.qrlValue[captured], QStringLiteral("12990.000")},
        {report.qrlRuletka[captured], QString::number(row.Ruletka, 'f', 0)},
        {report.qrlDValue[captured], QString::number(row.DValue, 'f', 3)},
        {report.qrlDCurrentValue[captured], QString::number(row.DCurrentValue, 'f', 3)},
    };
    for (const TExpected &e : expected) {
        ASSERT_NE(e.label, nullptr);
        EXPECT_EQ(e.label->Text(), e.text) << e.label->Name().toStdString();
    }

    QCustomPlot *chart = report.Chart();
    ASSERT_EQ(report.Series()->dataCount(), 5);
    EXPECT_DOUBLE_EQ(report.Series()->data()->at(4)->value, 10);
    EXPECT_EQ(chart->yAxis->range(), window->Chart()->yAxis->range());
    EXPECT_EQ(chart->xAxis->range(), window->Chart()->xAxis->range());

    const QString text = test::SaveFilledReport(report, QStringLiteral("TRepProgon_FormProgon"));
    for (const QString &shown : {QStringLiteral("Прогон ТАЛС352И"), QStringLiteral("4321"),
                                 QStringLiteral("12990.000"), QStringLiteral("МННК")})
        EXPECT_TRUE(text.contains(shown)) << shown.toStdString() << "\n" << text.toStdString();
}

TEST_F(FormProgonTest, AStaleCurrentIsRefusedInsteadOfRecorded)
{
    SetLevel(12990);
    // The meter's last answer came 2.5 poll periods ago.
    model.CurrentOutput().SetValue(TVariant(14.5), Now() - 2.5 / 86400.0);
    window->Capture();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Показание тока устарело")))
        << dialogs.messages[0].toStdString();
    for (const TProgonRow &row : model.ProgonTable)
        EXPECT_NE(row.Value, 12990) << "nothing captured";

    // A fresh reading is taken.
    SetReading(model.CurrentOutput(), 14.5);
    window->Capture();
    EXPECT_EQ(dialogs.messages.size(), 1);
    bool captured = false;
    for (const TProgonRow &row : model.ProgonTable)
        captured = captured || (row.Value == 12990 && row.CurrentValue == 14.5);
    EXPECT_TRUE(captured);
}

TEST_F(FormProgonTest, TheReportJudgesEachRowAndTheRunAtTheWindowsMarks)
{
    // Every row captured on its set level; the current differences straddle 0.026 mA.
    const double differences[5] = {0.0255, 0.01, -0.04, 0.0, 0.02};
    for (std::size_t k = 0; k < 5; ++k) {
        TProgonRow &row = model.ProgonTable[k];
        CaptureProgonRow(model, int(k + 1), row.SetLevel, row.Current - differences[k]);
    }
    TRepProgon report;
    FillProgonReport(report, *window);
    EXPECT_EQ(report.qrlDCurrentValue[0]->Text(), QStringLiteral("0.026")) << "0.0255 rounds up";
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_EQ(report.qrlVerdict[k]->Text(), QStringLiteral("Годен")) << k;
    EXPECT_EQ(report.qrlRunVerdict.Text(), QStringLiteral("Годен"));

    // 0.0265 mA is beyond the mark: the row and the run fail; so does a 2 mm level error.
    TProgonRow &second = model.ProgonTable[1];
    CaptureProgonRow(model, 2, second.SetLevel, second.Current - 0.0265);
    const double low = model.ProgonTable[3].SetLevel - 2.0;
    CaptureProgonRow(model, 4, low, low * 16 / 15000 + 4); // the current fits that level
    EXPECT_NEAR(model.ProgonTable[3].DCurrentValue, 0, 1e-9);
    FillProgonReport(report, *window);
    EXPECT_EQ(report.qrlDCurrentValue[1]->Text(), QStringLiteral("0.027"));
    EXPECT_EQ(report.qrlVerdict[1]->Text(), QStringLiteral("Не годен"));
    EXPECT_EQ(report.qrlVerdict[3]->Text(), QStringLiteral("Не годен"));
    EXPECT_EQ(report.qrlVerdict[0]->Text(), QStringLiteral("Годен"));
    EXPECT_EQ(report.qrlRunVerdict.Text(), QStringLiteral("Не годен"));

    window->Refresh();
    const QString text = test::SaveFilledReport(report, QStringLiteral("TRepProgon_Verdict"));
    for (const QString &shown : {QStringLiteral("Заключение"), QStringLiteral("Не годен")})
        EXPECT_TRUE(text.contains(shown)) << shown.toStdString();
}

} // namespace
} // namespace tals
