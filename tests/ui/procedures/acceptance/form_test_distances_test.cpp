#include "device/test_distances.h"
#include "platform/codepage.h"
#include "tests/ui/procedures/procedure_fixture.h"
#include "ui/controls/test_chart.h"
#include "ui/procedures/acceptance/form_test_distances.h"

#include <QClipboard>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

#include <qcustomplot.h>

#include <cmath>
#include <memory>

namespace tals {
namespace {

class FormTestDistancesTest : public test::ProcedureFixture
{
protected:
    FormTestDistancesTest()
    {
        window = std::make_unique<TFormTestDistances>(model, steps, input, dir.path());
        window->show();
        QApplication::processEvents();
    }
    ~FormTestDistancesTest() override { window.reset(); }

    QString Text(const char *name) const
    {
        auto *label = window->findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QString();
    }
    // Records the readings at the present step: the ideal distance plus errors.
    void RecordWith(double raw, double filtered)
    {
        const double d = steps.IdealDistance();
        SetReading(model.TestDistance(), d + raw);
        SetReading(model.TestDistanceFlt(), d + filtered);
        window->Record();
    }
    QCPRange XRange() const { return window->Chart()->Plot()->xAxis->range(); }

    TTestDistances steps;
    std::unique_ptr<TFormTestDistances> window;
};

TEST_F(FormTestDistancesTest, ShowsTheStepsAndTheFourLineRecordButton)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Проверка погрешности измерения"));
    EXPECT_EQ(Text("lblStartDistance"), QStringLiteral("1,000.000"));
    EXPECT_EQ(Text("lblStopDistance"), QStringLiteral("16,000.000"));
    EXPECT_EQ(Text("lblOffset"), QStringLiteral("50"));
    EXPECT_EQ(Text("lblIndex"), QStringLiteral("0"));
    EXPECT_EQ(Text("lblIdealDistance"), QStringLiteral("1000.000"));
    auto *record = window->findChild<QPushButton *>(QStringLiteral("bbtnRecord"));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->text().split('\n').size(), 4);
    window->findChild<QToolButton *>(QStringLiteral("tbtnLast"))->click();
    EXPECT_EQ(Text("lblIndex"), QStringLiteral("300"));
    EXPECT_EQ(Text("lblIdealDistance"), QStringLiteral("16000.000"));
    model.SetPlantNumber(4321);
    model.SetHardVersionNumber(2);
    model.SetSoftVersionNumber(3);
    model.SetPPMNumber(17);
    window->hide();
    window->show(); // the chart is set up when the window is shown
    auto *title =
        qobject_cast<QCPTextElement *>(window->Chart()->Plot()->plotLayout()->element(0, 0));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), model.DeviceTypeName() +
                                 QStringLiteral(", Зав.№=4321, Апп.вер=2, Прогр.вер.=3, №ППМ=17"));
}

TEST_F(FormTestDistancesTest, RecordingTwiceAtTheLastStepListsBothInTheFile)
{
    RecordWith(1.5, -0.25);
    EXPECT_EQ(steps.Index(), 1);
    steps.Last();
    RecordWith(2, 0.5);
    RecordWith(-3.125, 0.75);
    EXPECT_EQ(steps.Index(), 300);
    EXPECT_EQ(window->RawErrors()->dataCount(), 3);

    window->SaveText();
    const QByteArray bytes = test::readAll(dir.file("TestDistances.txt"));
    const QByteArray expected = ToCp1251(QStringLiteral("Расстояние*Погрешность*Погрешность\r\n"
                                                        "          *без матем. *с матем.   \r\n"
                                                        "          *обработки  *обработкой \r\n"
                                                        "  1000.000*      1.500*     -0.250\r\n"
                                                        " 16000.000*      2.000*      0.500\r\n"
                                                        " 16000.000*     -3.125*      0.750\r\n"));
    EXPECT_EQ(bytes, expected);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.questions.isEmpty());
}

TEST_F(FormTestDistancesTest, RangeEntryMovesTheZeroLineAndKeepsThePoints)
{
    RecordWith(1, 1);
    dialogs.texts = {QStringLiteral("2000")};
    window->ChangeStart();
    EXPECT_EQ(input.prompts.value(0), QStringLiteral("Начало, мм [1, 15999]"));
    EXPECT_DOUBLE_EQ(steps.StartDistance(), 2000);
    EXPECT_EQ(Text("lblStartDistance"), QStringLiteral("2,000.000"));
    EXPECT_EQ(window->RawErrors()->dataCount(), 1);
    QCPGraph *zero = window->Chart()->Plot()->graph(0);
    ASSERT_EQ(zero->dataCount(), 2);
    EXPECT_DOUBLE_EQ(zero->data()->at(0)->key, 2000);
    EXPECT_DOUBLE_EQ(zero->data()->at(1)->key, 16000);
    EXPECT_DOUBLE_EQ(XRange().lower, 2000);

    // A stop below the start is ignored; the offset entry has its own limits.
    dialogs.texts = {QStringLiteral("1500"), QStringLiteral("5000")};
    window->ChangeStop();
    window->findChild<QAction *>(QStringLiteral("actChangeOffset"))->trigger();
    EXPECT_EQ(input.prompts.mid(1), (QStringList{QStringLiteral("Конец, мм [1, 16000]"),
                                                 QStringLiteral("Смещение, мм [1, 1000]")}));
    EXPECT_DOUBLE_EQ(steps.StopDistance(), 16000);
    EXPECT_DOUBLE_EQ(steps.Offset(), 1000) << "brought into the dialog's limits";
}

TEST_F(FormTestDistancesTest, ClearingAsksAndOnYesEmptiesAndGoesToTheFirstStep)
{
    RecordWith(1, 1);
    RecordWith(2, 2);
    window->ClearChart(); // the default answer is No
    EXPECT_EQ(dialogs.questions, QStringList{QStringLiteral("Очистить график?")});
    EXPECT_EQ(window->RawErrors()->dataCount(), 2);
    dialogs.answers = {TDialogButton::Yes};
    window->ClearChart();
    EXPECT_EQ(window->RawErrors()->dataCount(), 0);
    EXPECT_EQ(window->FilteredErrors()->dataCount(), 0);
    EXPECT_EQ(steps.Index(), 0);
    EXPECT_EQ(Text("lblIndex"), QStringLiteral("0"));
}

TEST_F(FormTestDistancesTest, AFailedSaveNamesThePathAndTheReason)
{
    RecordWith(1, -1);
    // A folder where the files belong: neither can be written.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("TestDistances.txt")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("TestDistance.bmp")));
    window->SaveText();
    window->SaveBitmap();
    ASSERT_EQ(dialogs.messages.size(), 2);
    const QString names[] = {QStringLiteral("TestDistances.txt"),
                             QStringLiteral("TestDistance.bmp")};
    for (int i = 0; i < 2; ++i) {
        const QString expected = QStringLiteral("Файл не записан\r") +
                                 QFileInfo(dir.file(names[i])).absoluteFilePath() +
                                 QStringLiteral("\r");
        EXPECT_TRUE(dialogs.messages[i].startsWith(expected)) << dialogs.messages[i].toStdString();
        EXPECT_GT(dialogs.messages[i].size(), expected.size()) << "the reason follows";
    }
    // A good save says nothing.
    dialogs.messages.clear();
    QDir(dir.file("TestDistances.txt")).removeRecursively();
    window->SaveText();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.file("TestDistances.txt")).isFile());
}

TEST_F(FormTestDistancesTest, PictureIsARealBitmapAndTheClipboardCopyIsOnWhite)
{
    RecordWith(1, -1);
    window->SaveBitmap();
    const QString path = dir.file("TestDistance.bmp");
    EXPECT_TRUE(test::readAll(path).startsWith("BM"));
    QImage bmp(path, "BMP");
    ASSERT_FALSE(bmp.isNull());
    EXPECT_EQ(bmp.size(), window->Chart()->Plot()->size());

    window->Chart()->CopyToClipboard();
    const QImage copied = QApplication::clipboard()->image();
    if (!copied.isNull()) { // the offscreen platform may keep no clipboard
        EXPECT_EQ(copied.pixelColor(1, 1), QColor(Qt::white));
    }
    const QImage after = window->Chart()->Plot()->toPixmap().toImage();
    EXPECT_EQ(after.pixelColor(1, 1), window->palette().color(QPalette::Window))
        << "the former background is back";
}

TEST_F(FormTestDistancesTest, KeysZoomScrollAndUndoAndTheScrollBarFollows)
{
    for (int i = 0; i < 4; ++i) {
        RecordWith(0.5 * i, 0);
        steps.SetOffset(5000);
    }
    const QCPRange home = XRange();
    auto key = [&](int k, const QString &text = QString()) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(window->findChild<QPushButton *>("bbtnRecord"), &press);
    };
    key(Qt::Key_Plus, QStringLiteral("+"));
    EXPECT_NEAR(XRange().size(), home.size() / 1.1, 1e-6);
    key(Qt::Key_Right);
    EXPECT_NEAR(XRange().center(), home.center() + XRange().size() * 0.01, 1e-6);
    key(Qt::Key_End);
    QScrollBar *bar = window->Chart()->ScrollBar();
    EXPECT_EQ(bar->value(), 100);
    EXPECT_NEAR(XRange().upper, 16000, 1e-6) << "the largest X of the data";
    key(Qt::Key_Minus, QStringLiteral("-"));
    key(Qt::Key_Space);
    EXPECT_EQ(steps.Index(), 3) << "the key went to the chart, not to the button";
    EXPECT_NEAR(XRange().lower, home.lower, 1e-6);
    EXPECT_NEAR(XRange().upper, home.upper, 1e-6);
    // After a zoom the position shows where the window lies: 100 - round((max - upper) * 100 /
    // span).
    window->Chart()->ZoomIn();
    const double expected = 100 - std::round((16000 - XRange().upper) * 100 / 15000);
    EXPECT_EQ(bar->value(), int(expected));
    key(Qt::Key_Home);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_NEAR(XRange().upper, 1000, 1e-6);
}

TEST_F(FormTestDistancesTest, ShowAllTakesTheDataAndYFromTheVisibleRedPoints)
{
    RecordWith(4, 50);
    steps.Last();
    RecordWith(-6, -50);
    window->Chart()->ShowAllY();
    EXPECT_DOUBLE_EQ(window->Chart()->Plot()->yAxis->range().lower, -6);
    EXPECT_DOUBLE_EQ(window->Chart()->Plot()->yAxis->range().upper, 4);
    window->Chart()->ShowAllXY();
    EXPECT_DOUBLE_EQ(window->Chart()->Plot()->yAxis->range().lower, -50);
    EXPECT_DOUBLE_EQ(XRange().lower, 1000);
    EXPECT_DOUBLE_EQ(XRange().upper, 16000);
}

} // namespace
} // namespace tals
