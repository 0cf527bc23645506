#include "ui/dialogs/form_progress_bar.h"

#include "tests/ui/modal_test_support.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

using tals::TFormProgressBar;

namespace {

// Closes any progress window a failed test left behind.
class ProgressTest : public ::testing::Test
{
protected:
    void TearDown() override { tals::CloseProgress(); }
};

void PostClick(QWidget *widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(at);
    QCoreApplication::postEvent(widget,
                                new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(widget,
                                new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// Counts the key presses it receives.
class KeyCounter : public QWidget
{
public:
    int presses = 0;

protected:
    void keyPressEvent(QKeyEvent *) override { ++presses; }
};

} // namespace

TEST(ProgressPercent, RoundsHalvesToTheEvenNeighbour)
{
    struct Case
    {
        int position, maximum, percent;
    };
    const Case cases[] = {{2, 5, 40},  {1, 8, 12}, {3, 8, 38}, {1, 40, 2}, {3, 40, 8},
                          {5, 5, 100}, {0, 5, 0},  {1, 3, 33}, {2, 3, 67}, {7, 5, 140}};
    for (const Case &c : cases)
        EXPECT_EQ(tals::ProgressPercent(c.position, c.maximum), c.percent)
            << c.position << "/" << c.maximum;
    EXPECT_FALSE(tals::ProgressPercent(1, 0).has_value());
}

TEST_F(ProgressTest, CaptionShowsTextAndPercent)
{
    tals::ShowProgress(QStringLiteral("Повтор команды Считать Hmax из прибора"), 1, 5);
    TFormProgressBar *w = TFormProgressBar::Current();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Повтор команды Считать Hmax из прибора 20%"));
    EXPECT_EQ(w->pbProgress->value(), 20);
    EXPECT_EQ(w->pbProgress->minimum(), 0);
    EXPECT_EQ(w->pbProgress->maximum(), 100);
    EXPECT_EQ(w->pbProgress->size(), QSize(641, 16));

    // Text and maximum of the open window stay.
    tals::ShowProgress(QStringLiteral("Другой текст"), 3, 10);
    EXPECT_EQ(TFormProgressBar::Current(), w);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Повтор команды Считать Hmax из прибора 60%"));

    tals::CloseProgress();
    EXPECT_EQ(TFormProgressBar::Current(), nullptr);
    EXPECT_FALSE(TFormProgressBar::Active());
    tals::CloseProgress(); // no window: nothing happens
}

TEST_F(ProgressTest, SamePercentageDoesNotRepaint)
{
    tals::ShowProgress(QStringLiteral("Чтение массива сигнала"), 2, 5);
    TFormProgressBar *w = TFormProgressBar::Current();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Чтение массива сигнала 40%"));
    QSignalSpy bar(w->pbProgress, &QProgressBar::valueChanged);
    QSignalSpy title(w, &QWidget::windowTitleChanged);
    tals::ShowProgress(QStringLiteral("Чтение массива сигнала"), 2, 5);
    EXPECT_EQ(bar.count(), 0);
    EXPECT_EQ(title.count(), 0);
    tals::ShowProgress(QStringLiteral("Чтение массива сигнала"), 3, 5);
    EXPECT_EQ(bar.count(), 1);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Чтение массива сигнала 60%"));
}

TEST_F(ProgressTest, ZeroMaximumAndNegativePositionAreHarmless)
{
    tals::ShowProgress(QStringLiteral("Загрузка архива"), 3, 0);
    ASSERT_NE(TFormProgressBar::Current(), nullptr);
    EXPECT_EQ(TFormProgressBar::Current()->windowTitle(), QStringLiteral("Загрузка архива 0%"));
    tals::ShowProgress(QStringLiteral("Загрузка архива"), -1, 0);
    EXPECT_EQ(TFormProgressBar::Current()->pbProgress->value(), 0);
}

// The guard: while one command runs and shows progress, clicks that would
// start another command are held back and never run inside the first.
TEST_F(ProgressTest, NoCommandStartsInsideARunningOne)
{
    QWidget window;
    auto *first = new QPushButton(QStringLiteral("Первая"), &window);
    auto *second = new QPushButton(QStringLiteral("Вторая"), &window);
    second->move(0, 40);
    window.show();

    bool running = false;
    int nested = 0;
    int secondRuns = 0;
    QObject::connect(second, &QPushButton::clicked, [&] {
        ++secondRuns;
        if (running)
            ++nested;
    });
    QObject::connect(first, &QPushButton::clicked, [&] {
        running = true;
        for (int k = 1; k <= 5; ++k) {
            PostClick(second);
            tals::ShowProgress(QStringLiteral("Повтор команды"), k, 5);
        }
        tals::CloseProgress();
        running = false;
    });
    first->click();
    QApplication::processEvents();
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(secondRuns, 0);

    // Without a progress window the same click goes through.
    PostClick(second);
    QApplication::processEvents();
    EXPECT_EQ(secondRuns, 1);
}

TEST_F(ProgressTest, ShortcutsOfActionsAreHeldBackButTheStopKeyPasses)
{
    QWidget window;
    QAction action(&window);
    action.setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    window.addAction(&action);
    QSignalSpy triggered(&action, &QAction::triggered);
    auto *keys = new KeyCounter;
    keys->setParent(&window);
    window.show();

    tals::ShowProgress(QStringLiteral("Обучение занимает 3 секунд"), 0, 3);
    QShortcutEvent shortcut(QKeySequence(QStringLiteral("Ctrl+R")), 0);
    QCoreApplication::sendEvent(&action, &shortcut);
    EXPECT_EQ(triggered.count(), 0);

    QCoreApplication::postEvent(
        keys, new QKeyEvent(QEvent::KeyPress, Qt::Key_R, Qt::NoModifier, QStringLiteral("r")));
    QCoreApplication::postEvent(keys,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier));
    tals::ShowProgress(QStringLiteral("Обучение занимает 3 секунд"), 1, 3);
    EXPECT_EQ(keys->presses, 1) << "only Ctrl+C reached the window";

    tals::CloseProgress();
    QShortcutEvent again(QKeySequence(QStringLiteral("Ctrl+R")), 0);
    QCoreApplication::sendEvent(&action, &again);
    EXPECT_EQ(triggered.count(), 1);
}

TEST_F(ProgressTest, StopButtonAndLaterMessageBoxesStayUsable)
{
    QWidget window;
    auto *stop = new QPushButton(QStringLiteral("Стоп"), &window);
    auto *other = new QPushButton(QStringLiteral("Другая"), &window);
    other->move(0, 40);
    window.show();
    TFormProgressBar::AddPassThroughWidget(stop);
    QSignalSpy stopped(stop, &QPushButton::clicked);
    QSignalSpy otherClicked(other, &QPushButton::clicked);

    tals::ShowProgress(QStringLiteral("Чтение массива спектра"), 0, 32);
    PostClick(stop);
    PostClick(other);
    tals::ShowProgress(QStringLiteral("Чтение массива спектра"), 1, 32);
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_EQ(otherClicked.count(), 0);

    // A message shown by the running command takes its answer.
    bool answered = false;
    tals::test::WhenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        PostClick(box->button(QMessageBox::Ok));
        QTimer::singleShot(1000, box, [box] { box->done(-1); }); // never hang the test
    });
    const int result = QMessageBox::warning(nullptr, QStringLiteral("Внимание"),
                                            QStringLiteral("Не выполнена команда"));
    answered = result == QMessageBox::Ok;
    EXPECT_TRUE(answered);
}

TEST_F(ProgressTest, TheUserCannotCloseTheWindow)
{
    tals::ShowProgress(QStringLiteral("Повтор команды"), 1, 2);
    TFormProgressBar *w = TFormProgressBar::Current();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowCloseButtonHint));
}
