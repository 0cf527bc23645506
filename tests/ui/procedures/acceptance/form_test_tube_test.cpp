#include "platform/codepage.h"
#include "tests/ui/procedures/procedure_fixture.h"
#include "tests/ui/report_output.h"
#include "ui/controls/test_chart.h"
#include "ui/procedures/acceptance/acceptance_reports.h"
#include "ui/procedures/acceptance/form_test_tube.h"
#include "ui/reports/rep_test_tube.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <qcustomplot.h>

#include <memory>

namespace tals {
namespace {

class FormTestTubeTest : public test::ProcedureFixture
{
protected:
    FormTestTubeTest()
    {
        window =
            std::make_unique<TFormTestTube>(model, steps, input, dir.path(),
                                            [this](const TTubeReport &r) { reports.push_back(r); });
        window->show();
        QApplication::processEvents();
    }
    ~FormTestTubeTest() override { window.reset(); }

    QString Text(const char *name) const
    {
        auto *label = window->findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QString();
    }
    void RecordMeasured(double measured)
    {
        SetReading(model.Distance(), measured);
        window->Record();
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files); }

    TTestTube steps;
    std::unique_ptr<TFormTestTube> window;
    std::vector<TTubeReport> reports;
};

TEST_F(FormTestTubeTest, ANewTestGoesBackwardsFrom6000AndAsksForTheTube)
{
    EXPECT_EQ(Text("lblTube"), QStringLiteral("Описание трубы"));
    auto *direction = window->findChild<QComboBox *>(QStringLiteral("cbDirection"));
    ASSERT_NE(direction, nullptr);
    EXPECT_EQ(direction->currentText(), QStringLiteral("Обратное"));
    dialogs.texts = {QStringLiteral("Труба 100")};
    window->StartTest();
    EXPECT_EQ(Text("lblIdealDistance"), QStringLiteral("6000.000"));
    EXPECT_EQ(Text("lblTube"), QStringLiteral("Труба:Труба 100"));
    // Record until a record adds no point (at 0 mm the step stays).
    std::size_t before = 0;
    do {
        before = window->Measurements().Points().size();
        RecordMeasured(steps.IdealDistance());
    } while (window->Measurements().Points().size() > before && before < 100);
    EXPECT_EQ(window->Measurements().Points().size(), 61u);
    EXPECT_DOUBLE_EQ(steps.IdealDistance(), 0);

    // Forwards starts at the first step.
    direction->setCurrentIndex(0);
    emit direction->activated(0);
    EXPECT_EQ(steps.Direction(), 1);
    window->StartTest(); // the description prompt is cancelled: it stays
    EXPECT_TRUE(window->Measurements().IsEmpty());
    EXPECT_EQ(steps.Index(), 0);
    EXPECT_EQ(window->Description(), QStringLiteral("Труба 100"));
}

TEST_F(FormTestTubeTest, ProportionalMeasurementsGiveZeroErrorsAndTheExactLine)
{
    steps.SetDirection(1);
    window->StartTest();
    for (int i = 0; i < 10; ++i)
        RecordMeasured(1.25 * steps.IdealDistance() - 40); // x = 0.8·y + 32
    EXPECT_NEAR(window->Fit().Slope, 0.8, 1e-12);
    EXPECT_NEAR(window->Fit().Offset, 32, 1e-9);
    EXPECT_EQ(Text("lblSlope"), QStringLiteral("Крутизна=0.800000"));
    EXPECT_EQ(Text("lblFitOffset"), QStringLiteral("Смещение=32.00"));
    QCPGraph *errors = window->ErrorSeries();
    ASSERT_EQ(errors->dataCount(), 10);
    for (int i = 0; i < errors->dataCount(); ++i)
        EXPECT_NEAR(errors->data()->at(i)->value, 0, 1e-9);
}

TEST_F(FormTestTubeTest, RecordingAStepAgainReplacesItsMeasurement)
{
    steps.SetDirection(1);
    window->StartTest();
    RecordMeasured(10);
    window->Prior();
    RecordMeasured(12);
    ASSERT_EQ(window->Measurements().Points().size(), 1u);
    EXPECT_DOUBLE_EQ(window->Measurements().Points()[0].Y, 12);
    EXPECT_EQ(Text("lblSlope"), QStringLiteral("Крутизна=0.000000"));
    EXPECT_DOUBLE_EQ(window->ErrorSeries()->data()->at(0)->value, 0) << "x - 0 at x = 0";
}

TEST_F(FormTestTubeTest, SavingConfirmsAndDecliningTheOverwriteLeavesTheFile)
{
    steps.SetDirection(1);
    window->StartTest();
    RecordMeasured(1.5);
    RecordMeasured(101);
    window->SaveText();
    const QString path = dir.file("TestTube.txt");
    const QByteArray first = test::readAll(path);
    EXPECT_EQ(first, ToCp1251(QStringLiteral("Установлено*Измерено   *Погрешность\r\n"
                                             "      0.000*      1.500*      0.000\r\n"
                                             "    100.000*    101.000*      0.000\r\n")));
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("Файл записан\r") + QFileInfo(path).absoluteFilePath()});
    EXPECT_TRUE(dialogs.questions.isEmpty());

    RecordMeasured(230);
    window->SaveText(); // No is the default
    EXPECT_EQ(dialogs.questions,
              QStringList{QStringLiteral("Файл существует\r") + QFileInfo(path).absoluteFilePath() +
                          QStringLiteral("\rПереписать?")});
    EXPECT_EQ(test::readAll(path), first);
    EXPECT_EQ(dialogs.messages.size(), 1) << "nothing shown";

    dialogs.answers = {TDialogButton::Yes};
    window->SaveText();
    EXPECT_EQ(test::readAll(path).count("\r\n"), 4);
}

TEST_F(FormTestTubeTest, AnyDescriptionWritesOneFileInsideTheProgramFolder)
{
    const QString descriptions[] = {QStringLiteral("../x/y"), QStringLiteral("a/b"),
                                    QStringLiteral("CON"), QString(300, QLatin1Char('z')),
                                    QStringLiteral("две\nстроки")};
    RecordMeasured(5);
    int expected = 0;
    for (const QString &d : descriptions) {
        dialogs.texts = {d};
        window->ChangeDescription();
        window->SaveText();
        ++expected;
        EXPECT_EQ(Files().size(), expected) << d.toStdString();
        EXPECT_TRUE(dialogs.messages.last().startsWith(QStringLiteral("Файл записан\r")))
            << dialogs.messages.last().toStdString();
    }
    EXPECT_TRUE(Files().contains(QStringLiteral("TestTubeдве_строки.txt")))
        << Files().join('|').toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(dir.file("../x")));
}

TEST_F(FormTestTubeTest, ALongDescriptionIsCutToTheNameLimitInBytes)
{
    RecordMeasured(3);
    // 100 characters of three bytes each: 300 bytes, beyond a name's 255.
    dialogs.texts = {QString(100, QChar(0x2116))};
    window->ChangeDescription();
    window->SaveText();
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.last().startsWith(QStringLiteral("Файл записан\r")))
        << dialogs.messages.last().toStdString();
    ASSERT_EQ(Files().size(), 1);
    const QString name = Files().first();
    EXPECT_LE(name.toUtf8().size(), 255);
    EXPECT_TRUE(name.startsWith(QStringLiteral("TestTube") + QChar(0x2116)));
    EXPECT_TRUE(name.endsWith(QStringLiteral(".txt")));

    // A folder in the file's place: the message gives the reason.
    dialogs.texts = {QStringLiteral("T1")};
    window->ChangeDescription();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("TestTubeT1.txt")));
    dialogs.answers = {TDialogButton::Yes}; // overwrite
    window->SaveText();
    const QString expected = QStringLiteral("Файл не записан\r") +
                             QFileInfo(dir.file("TestTubeT1.txt")).absoluteFilePath() +
                             QStringLiteral("\r");
    EXPECT_TRUE(dialogs.messages.last().startsWith(expected))
        << dialogs.messages.last().toStdString();
    EXPECT_GT(dialogs.messages.last().size(), expected.size());
}

TEST_F(FormTestTubeTest, ClearingKeepsTheStepAndTheReportTakesTheChart)
{
    steps.SetDirection(1);
    dialogs.texts = {QStringLiteral("T1")};
    window->StartTest();
    RecordMeasured(0);
    RecordMeasured(99);
    RecordMeasured(201);
    window->Preview();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].Title, QStringLiteral("T1, ") + Text("lblSlope") + QStringLiteral(", ") +
                                    Text("lblFitOffset"));
    EXPECT_EQ(reports[0].Errors.size(), 3u);
    EXPECT_DOUBLE_EQ(reports[0].YMin, -3.5);
    EXPECT_DOUBLE_EQ(reports[0].XMax, 6000);

    dialogs.answers = {TDialogButton::Yes};
    window->ClearChart();
    EXPECT_TRUE(window->Measurements().IsEmpty());
    EXPECT_EQ(window->ErrorSeries()->dataCount(), 0);
    EXPECT_EQ(steps.Index(), 3);
}

TEST_F(FormTestTubeTest, ReportCarriesTheTitleTheAxesAndTheErrorsOfTheWindow)
{
    steps.SetDirection(1);
    dialogs.texts = {QStringLiteral("Труба 100")};
    window->StartTest();
    RecordMeasured(0);
    RecordMeasured(102);
    RecordMeasured(197);
    RecordMeasured(301);
    window->Preview();
    ASSERT_EQ(reports.size(), 1u);

    TRepTestTube report;
    FillTubeReport(report, reports[0]);
    EXPECT_EQ(report.qrlTitle.Text(), reports[0].Title);
    QCustomPlot *chart = report.Chart();
    EXPECT_EQ(chart->xAxis->range(), window->Chart()->Plot()->xAxis->range());
    EXPECT_EQ(chart->yAxis->range(), window->Chart()->Plot()->yAxis->range());
    ASSERT_EQ(report.Series()->dataCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(report.Series()->data()->at(i)->key, reports[0].Errors[std::size_t(i)].X);
        EXPECT_DOUBLE_EQ(report.Series()->data()->at(i)->value,
                         reports[0].Errors[std::size_t(i)].Y);
    }

    const QString text =
        test::SaveFilledReport(report, QStringLiteral("TRepTestTube_FormTestTube"));
    EXPECT_TRUE(text.contains(QStringLiteral("Труба 100, ") + Text("lblSlope")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Погрешность, мм")));
    EXPECT_TRUE(text.contains(QStringLiteral("Отчет создан:")));
}

} // namespace
} // namespace tals
