// The five printed reports filled with sample data: each is saved as a PDF under
// build/reports/ and as a picture of its page under build/screenshots/; the PDF's
// text is read back with pdftotext, with the boxes of its words, to check the
// texts, the positions in millimetres and the point sizes of the fonts.

#include "ui/reports/reports.h"

#include "platform/paths.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include <unistd.h>

using namespace tals;

namespace {

const QString kReportDir = QStringLiteral(TALS_BINARY_DIR "/reports");
const QString kScreenshotDir = QStringLiteral(TALS_BINARY_DIR "/screenshots");

// One word of a PDF page with its box in points.
struct TWord
{
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    double Height() const { return yMax - yMin; }
};

QString PdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QList<TWord> PdfWords(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    QList<TWord> words;
    if (!p.waitForFinished(20000))
        return words;
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression re(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                       "yMax=\"([0-9.]+)\">([^<]*)</word>"));
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return words;
}

const TWord *FindWord(const QList<TWord> &words, const QString &text)
{
    for (const TWord &w : words)
        if (w.text == text)
            return &w;
    return nullptr;
}

double MmToPt(double mm)
{
    return mm * 72.0 / 25.4;
}

// A chart of sample points: a slowly rising line.
void FillSampleChart(TReport &report, double x0, double step)
{
    QVector<double> x, y;
    for (int i = 0; i < 40; ++i) {
        x << x0 + i * step;
        y << 100 + 30 * std::sin(i / 5.0) + i;
    }
    report.Series()->setData(x, y);
    report.Chart()->rescaleAxes();
}

void FillSamples(TReports &reports)
{
    TRepGraph &graph = reports.Graph();
    graph.Title.SetText(QStringLiteral("Расстояние от фланца до продукта"));
    graph.FilterDescribe.SetText(QStringLiteral("Отчет за 10.12.2026"));
    const double t0 = QDateTime(QDate(2026, 12, 10), QTime(9, 0)).toSecsSinceEpoch();
    FillSampleChart(graph, t0, 60);

    TRepMultiGraph &multi = reports.MultiGraph();
    multi.Title.SetText(QStringLiteral("Уровень и свободное пространство"));
    multi.FilterDescribe.SetText(QStringLiteral("Отчет за 10.12.2026"));
    FillSampleChart(multi, t0, 60);
    multi.Series()->setName(QStringLiteral("Уровень"));
    QCPGraph *second = multi.Chart()->addGraph();
    second->setName(QStringLiteral("Свободное пространство"));
    second->setPen(QPen(Qt::darkGreen));
    QVector<double> x, y;
    for (int i = 0; i < 40; ++i) {
        x << t0 + i * 60;
        y << 200 - i;
    }
    second->setData(x, y);
    multi.Chart()->rescaleAxes();

    TRepKalibr &kalibr = reports.Kalibr();
    kalibr.Title.SetText(QStringLiteral("Калибровка БПФ"));
    kalibr.qrlPlantNumber.SetText(QStringLiteral("1234"));
    kalibr.qrlHardVersion.SetText(QStringLiteral("2"));
    kalibr.qrlSoftVersion.SetText(QStringLiteral("3"));
    kalibr.qrlBaza.SetText(QStringLiteral("12,345"));
    kalibr.qrlKkrutZav.SetText(QStringLiteral("1,00123"));
    for (int i = 0; i < 5; ++i) {
        kalibr.qrlKalibrSample[i]->SetText(QString::number(10000 - 2000 * i));
        kalibr.qrlKalibr[i]->SetText(QString::number(10000 - 2000 * i + i + 1));
        kalibr.qrlKalibrDelta[i]->SetText(QString::number(i + 1));
    }
    FillSampleChart(kalibr, 2000, 200);

    TRepProgon &progon = reports.Progon();
    progon.Title.SetText(QStringLiteral("Прогон токового выхода"));
    progon.qrlPlantNumber.SetText(QStringLiteral("1234"));
    progon.qrlHardVersion.SetText(QStringLiteral("2"));
    progon.qrlSoftVersion.SetText(QStringLiteral("3"));
    progon.qrlPPM.SetText(QStringLiteral("77"));
    progon.qrlNNZ.SetText(QStringLiteral("А-15"));
    progon.qrlBaza.SetText(QStringLiteral("12,345"));
    progon.qrlKkrutZav.SetText(QStringLiteral("1,00123"));
    for (int i = 0; i < 5; ++i) {
        progon.qrlRuletka[i]->SetText(QString::number(2000 + 2000 * i));
        progon.qrlValue[i]->SetText(QString::number(2001 + 2000 * i));
        progon.qrlDValue[i]->SetText(QStringLiteral("1"));
        progon.qrlCurrentValue[i]->SetText(QStringLiteral("%1,00").arg(4 + 4 * i));
        progon.qrlDCurrentValue[i]->SetText(QStringLiteral("0,01"));
    }
    FillSampleChart(progon, 2000, 200);

    TRepTestTube &tube = reports.TestTube();
    tube.qrlTitle.SetText(QStringLiteral("Труба 50 мм"));
    FillSampleChart(tube, 500, 250);
}

// The texts each report must carry on paper.
struct TExpected
{
    const char *report;
    QStringList texts;
};

class ReportsTest : public ::testing::Test
{
protected:
    // Each test process reads the PDFs it wrote itself (CTest runs the cases of
    // this suite as parallel processes); the copies under build/reports/ are
    // replaced whole by a rename, never read half-written.
    static void SetUpTestSuite()
    {
        reports = new TReports;
        ownDir = new QTemporaryDir;
        FillSamples(*reports);
        ASSERT_TRUE(ForceDirectories(kReportDir));
        for (TReport *r : reports->All()) {
            ASSERT_TRUE(r->SaveToPdf(Pdf(r->Name())));
            // The sample pages keep their own names: the reports filled from
            // the simulated transducer's runs take the reports' plain names.
            const QString shared = kReportDir + QLatin1Char('/') + r->Name() + "_Layout.pdf";
            const QString part = shared + QStringLiteral(".part%1").arg(getpid());
            QFile::remove(part);
            ASSERT_TRUE(QFile::copy(Pdf(r->Name()), part));
            ASSERT_EQ(std::rename(QFile::encodeName(part).constData(),
                                  QFile::encodeName(shared).constData()),
                      0);
            ASSERT_TRUE(ForceDirectories(kScreenshotDir));
            ASSERT_TRUE(r->RenderPage(60).save(kScreenshotDir + QLatin1Char('/') + r->Name() +
                                               "_Layout.png"));
        }
    }
    static void TearDownTestSuite()
    {
        delete reports;
        reports = nullptr;
        delete ownDir;
        ownDir = nullptr;
    }
    static QString Pdf(const QString &name) { return ownDir->filePath(name + ".pdf"); }

    static TReports *reports;
    static QTemporaryDir *ownDir;
};

TReports *ReportsTest::reports = nullptr;
QTemporaryDir *ReportsTest::ownDir = nullptr;

TEST_F(ReportsTest, EachPdfHoldsItsTitleAndLabels)
{
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    const TExpected expected[] = {
        {"TRepGraph",
         {"Расстояние от фланца до продукта", "Отчет за 10.12.2026", "Отчет создан:", today,
          "10.12.26"}},
        {"TRepMultiGraph",
         {"Уровень и свободное пространство", "Отчет создан:", "Уровень",
          "Свободное пространство"}},
        {"TRepKalibr",
         {"Калибровка БПФ", "Заводской номер", "1234", "Аппаратная версия", "Программная версия",
          "Смещение нуля", "12,345", "Коэффициент коррекции крутизны",
          "Свободное пространство в контрольных точках", "Необходимо, мм", "Измерено, мм",
          "Разница, мм", "10001", "Отчет создан:"}},
        {"TRepProgon",
         {"Прогон токового выхода", "Заводской номер", "№ ППМ", "№ Н/З", "А-15", "Алгоритм",
          "Алгоритм обработки", "Рулетка, мм", "Уровень, мм", "Ток, мА", "Разница, мА", "20,00",
          "Отчет создан:"}},
        {"TRepTestTube",
         {"Труба 50 мм", "Погрешность, мм", "Установленное расстояние, мм", "Отчет создан:"}},
    };
    for (const TExpected &e : expected) {
        const QString text = PdfText(Pdf(QString::fromLatin1(e.report)));
        ASSERT_FALSE(text.isEmpty()) << e.report;
        for (const QString &t : e.texts)
            EXPECT_TRUE(text.contains(t)) << e.report << ": " << t.toStdString();
    }
}

// Positions in millimetres from the band's corner (20 mm margins) and fonts at
// their point sizes, whatever the printer's resolution.
TEST_F(ReportsTest, ElementsSitAtTheirMillimetresWithTheirPointSizes)
{
    const QList<TWord> words = PdfWords(Pdf(QStringLiteral("TRepKalibr")));
    ASSERT_FALSE(words.isEmpty());

    // "Отчет создан:" at 1.3 mm, 2.1 mm of the band.
    const TWord *created = FindWord(words, QStringLiteral("Отчет"));
    ASSERT_NE(created, nullptr);
    EXPECT_NEAR(created->xMin, MmToPt(20 + 1.3), 1.5);
    EXPECT_NEAR(created->yMin, MmToPt(20 + 2.1), 2.0);
    // A 10 pt label: the word box is about 1.15 times the font size high.
    EXPECT_NEAR(created->Height(), 10 * 1.15, 1.5);

    // The title in 12 pt bold, centred on the band.
    const TWord *title = FindWord(words, QStringLiteral("БПФ"));
    ASSERT_NE(title, nullptr);
    EXPECT_NEAR(title->Height(), 12 * 1.15, 1.5);

    // A right-aligned value ends at 60.6 + 19.6 mm.
    const TWord *plant = FindWord(words, QStringLiteral("1234"));
    ASSERT_NE(plant, nullptr);
    EXPECT_NEAR(plant->xMax, MmToPt(20 + 60.6 + 19.6), 1.5);

    // Point 1 is the lowest row of the table (top 48.7 mm), point 5 the highest.
    const TWord *point1 = FindWord(words, QStringLiteral("10001"));
    const TWord *point5 = FindWord(words, QStringLiteral("2005"));
    ASSERT_NE(point1, nullptr);
    ASSERT_NE(point5, nullptr);
    EXPECT_NEAR(point1->yMin, MmToPt(20 + 48.7), 2.0);
    EXPECT_NEAR(point5->yMin, MmToPt(20 + 31.8), 2.0);

    // The chart's tick labels are drawn as text in 8 pt, inside the chart's area.
    int tickLabels = 0;
    for (const TWord &w : words) {
        if (w.yMin > MmToPt(20 + 55.0) &&
            QRegularExpression(QStringLiteral("^[0-9 ]+$")).match(w.text).hasMatch()) {
            ++tickLabels;
            EXPECT_NEAR(w.Height(), 8 * 1.15, 1.2) << w.text.toStdString();
        }
    }
    EXPECT_GT(tickLabels, 5);
}

// The picture of each page shows the frame along the margins.
TEST_F(ReportsTest, PagePicturesShowTheFrameAndText)
{
    for (TReport *r : reports->All()) {
        const QImage page = r->RenderPage(60);
        ASSERT_FALSE(page.isNull());
        // The frame's left edge at 20 mm, its top edge at 20 mm.
        const int x = qRound(20 / 25.4 * 60);
        const int y = qRound(20 / 25.4 * 60);
        EXPECT_LT(qGray(page.pixel(x, page.height() / 2)), 250) << r->Name().toStdString();
        EXPECT_LT(qGray(page.pixel(page.width() / 2, y)), 250) << r->Name().toStdString();
    }
}

TEST_F(ReportsTest, LabelsKeepTheLastTextAndNamesFindElements)
{
    TRepGraph &graph = reports->Graph();
    ASSERT_EQ(reports->Find(QStringLiteral("TRepGraph")), &graph);
    TReportLabel *filter = graph.Label(QStringLiteral("FilterDescribe"));
    ASSERT_EQ(filter, &graph.FilterDescribe);
    EXPECT_EQ(filter->Text(), QStringLiteral("Отчет за 10.12.2026"));
    EXPECT_NE(graph.Label(QStringLiteral("QRSysData1")), nullptr);
    EXPECT_EQ(graph.Label(QStringLiteral("nothing")), nullptr);
    EXPECT_EQ(reports->Kalibr().Chart()->objectName(), QStringLiteral("QRChart"));
    EXPECT_EQ(reports->Kalibr().Series()->name(), QStringLiteral("Series1"));
    EXPECT_TRUE(reports->Graph().Chart()->legend->visible() == false);
    EXPECT_TRUE(reports->MultiGraph().Chart()->legend->visible());
}

// The preview offers "Сохранить в PDF"; the file name comes from the dialog
// service, ".pdf" is added when missing, and a failure is told in Russian.
TEST_F(ReportsTest, PreviewSavesAsPdf)
{
    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<QPrintPreviewDialog> preview(reports->TestTube().CreatePreview());
    QAction *save = preview->findChild<QAction *>(QStringLiteral("actSavePdf"));
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), QStringLiteral("Сохранить в PDF"));

    dialogs.fileNames = {dir.file(QStringLiteral("tube"))};
    save->trigger();
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("tube.pdf"))));
    EXPECT_TRUE(PdfText(dir.file(QStringLiteral("tube.pdf"))).contains(QStringLiteral("Труба")));

    // Cancelled: nothing; a folder that cannot be made: one message.
    save->trigger();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    test::writeAll(dir.file(QStringLiteral("file")), "x");
    dialogs.fileNames = {dir.file(QStringLiteral("file/sub/report.pdf"))};
    save->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.front().startsWith(QStringLiteral("Не удалось сохранить")));
}

} // namespace
