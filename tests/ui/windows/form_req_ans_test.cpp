#include "ui/windows/form_req_ans.h"

#include "link/transmitter.h"
#include "platform/format_settings.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "tests/common/test_support.h"
#include "ui/application/window_grab.h"
#include "ui/application/window_registry.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

using namespace tals;

namespace {

// The serial link as the window sees it.
class FakeLink : public TReqAnsLink
{
public:
    void SetExchangeHandler(THandler handler) override
    {
        std::lock_guard lock(mutex);
        this->handler = std::move(handler);
    }
    TPortSettingsText PortSettings() const override { return settings; }
    int JournalRadix() const override { return radix; }

    bool HasHandler()
    {
        std::lock_guard lock(mutex);
        return bool(handler);
    }
    void Exchange(const QByteArray &request, const QByteArray &answer)
    {
        std::lock_guard lock(mutex);
        if (handler)
            handler(request, answer, !answer.isEmpty());
    }

    std::mutex mutex;
    THandler handler;
    TPortSettingsText settings{"/dev/pts/7", "9600", "8", "1", "Even", "None"};
    int radix = 16;
};

QByteArray Bytes(std::initializer_list<int> bytes)
{
    QByteArray frame;
    for (int b : bytes)
        frame.append(char(b));
    return frame;
}

struct FormReqAnsTest : ::testing::Test
{
    void SetUp() override
    {
        SetStartDir(scratch.path());
        saved = FormatSettings();
        TFormatSettings comma = saved;
        comma.DecimalSeparator = QLatin1Char(',');
        comma.ThousandSeparator = QChar(0xA0);
        SetFormatSettings(comma);
    }
    void TearDown() override
    {
        delete window;
        SetFormatSettings(saved);
        SetStartDir(QString());
    }

    TFormReqAns *Open()
    {
        window = new TFormReqAns(link, counters);
        window->show();
        return window;
    }
    QString Text(const char *name) const
    {
        auto *label = window->findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
    }

    test::ScratchDir scratch;
    TFormatSettings saved;
    FakeLink link;
    TExchangeCounters counters;
    QPointer<TFormReqAns> window;
};

} // namespace

TEST_F(FormReqAnsTest, ShowsCaptionGroupsAndPortSettings)
{
    Open();
    EXPECT_EQ(window->objectName(), QStringLiteral("FormReqAns"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Связь"));
    QStringList groups;
    for (auto *box : window->findChildren<QGroupBox *>())
        groups << box->title();
    EXPECT_EQ(groups, (QStringList{"Статистика", "Параметры СОМ порта", "Протокол"}));
    EXPECT_EQ(Text("lblComPort1"), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(Text("lblBoudRate1"), QStringLiteral("9600"));
    EXPECT_EQ(Text("lblDataBits1"), QStringLiteral("8"));
    EXPECT_EQ(Text("lblStopBits1"), QStringLiteral("1"));
    EXPECT_EQ(Text("lblParity1"), QStringLiteral("Even"));
    EXPECT_EQ(Text("lblFlowControl1"), QStringLiteral("None"));
    EXPECT_EQ(Text("lblReqCount"), QStringLiteral("0"));
    EXPECT_EQ(Text("lblReqPercent"), QStringLiteral("0,0"));
    ASSERT_NE(window->StatClearAction(), nullptr);
    EXPECT_EQ(window->StatClearAction()->objectName(), QStringLiteral("actStatClear"));
    EXPECT_EQ(window->StatClearAction()->text(), QStringLiteral("Сброс"));
    EXPECT_EQ(window->StatClearAction()->toolTip(), QStringLiteral("Сброс статистики"));
}

TEST_F(FormReqAnsTest, CountsExchangesAndShowsPercentagesWithOneDecimal)
{
    Open();
    for (int i = 0; i < 10; ++i)
        link.Exchange(Bytes({1, 4, 0, 0}), i < 4 ? Bytes({1, 4, 2}) : QByteArray());
    EXPECT_EQ(Text("lblReqCount"), QStringLiteral("10"));
    EXPECT_EQ(Text("lblAnsCount"), QStringLiteral("4"));
    EXPECT_EQ(Text("lblReqPercent"), QStringLiteral("100,0"));
    EXPECT_EQ(Text("lblAnsPercent"), QStringLiteral("40,0"));
}

TEST_F(FormReqAnsTest, FramesFollowTheJournalRadixWithoutZeroPadding)
{
    Open();
    struct Case
    {
        int radix;
        const char *request;
        const char *answer;
    };
    const Case cases[] = {{10, "1 3 0", "1 3 2 0 5"}, {16, "01 03 00", "01 03 02 00 05"}};
    for (const Case &c : cases) {
        link.radix = c.radix;
        link.Exchange(Bytes({1, 3, 0}), Bytes({1, 3, 2, 0, 5}));
        EXPECT_EQ(Text("stxReq"), QString::fromUtf8(c.request)) << c.radix;
        EXPECT_EQ(Text("stxAns"), QString::fromUtf8(c.answer)) << c.radix;
    }
    link.Exchange(Bytes({255}), QByteArray());
    EXPECT_EQ(Text("stxReq"), QStringLiteral("FF"));
    EXPECT_EQ(Text("stxAns"), QStringLiteral("Нет ответа"));

    // Another radix leaves the frame texts as they were, but still counts.
    link.radix = 0;
    link.Exchange(Bytes({7}), Bytes({8}));
    EXPECT_EQ(Text("stxReq"), QStringLiteral("FF"));
    EXPECT_EQ(Text("stxAns"), QStringLiteral("Нет ответа"));
    EXPECT_EQ(Text("lblReqCount"), QStringLiteral("4"));
}

TEST_F(FormReqAnsTest, ResetClearsCountersAndFrames)
{
    Open();
    link.Exchange(Bytes({1}), Bytes({2}));
    window->StatClearAction()->trigger();
    EXPECT_EQ(counters.Requests, 0);
    EXPECT_EQ(counters.Answers, 0);
    EXPECT_EQ(Text("lblReqCount"), QStringLiteral("0"));
    EXPECT_EQ(Text("lblAnsCount"), QStringLiteral("0"));
    EXPECT_EQ(Text("lblReqPercent"), QStringLiteral("0,0"));
    EXPECT_EQ(Text("lblAnsPercent"), QStringLiteral("0,0"));
    EXPECT_TRUE(Text("stxReq").isEmpty());
    EXPECT_TRUE(Text("stxAns").isEmpty());
}

TEST_F(FormReqAnsTest, CountersSurviveReopeningAndNothingIsCountedWhileClosed)
{
    Open();
    link.Exchange(Bytes({1}), Bytes({2}));
    link.Exchange(Bytes({1}), QByteArray());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "Esc closes and frees the window";
    EXPECT_FALSE(link.HasHandler());
    link.Exchange(Bytes({1}), Bytes({2}));

    Open();
    EXPECT_TRUE(link.HasHandler());
    EXPECT_EQ(Text("lblReqCount"), QStringLiteral("2"));
    EXPECT_EQ(Text("lblAnsCount"), QStringLiteral("1"));
    EXPECT_EQ(Text("lblAnsPercent"), QStringLiteral("50,0"));
}

TEST_F(FormReqAnsTest, ExchangesFromAnotherThreadReachTheControlsThroughTheEventLoop)
{
    Open();
    std::thread worker([this] {
        for (int i = 0; i < 100; ++i)
            link.Exchange(Bytes({1, 4}), Bytes({1, 4, i}));
    });
    worker.join();
    EXPECT_EQ(counters.Requests, 100) << "counted on the exchanging thread";
    EXPECT_EQ(Text("lblReqCount"), QStringLiteral("0")) << "controls untouched by the worker";
    QApplication::processEvents();
    EXPECT_EQ(Text("lblReqCount"), QStringLiteral("100"));
    EXPECT_EQ(Text("stxAns"), QStringLiteral("01 04 63"));
}

TEST_F(FormReqAnsTest, ExchangeQueuedBeforeTheWindowClosedIsDropped)
{
    Open();
    std::thread worker([this] { link.Exchange(Bytes({1}), Bytes({2})); });
    worker.join();
    delete window;
    QApplication::processEvents(); // the queued exchange must find no window
    EXPECT_EQ(counters.Requests, 1);
}

TEST_F(FormReqAnsTest, ShowsTheTransmittersExchangesFromThePollingThread)
{
    TSimTransducer sim;
    ASSERT_TRUE(sim.Start());
    TTransmitter transmitter;
    transmitter.SetPort(sim.PortPath());
    transmitter.Connect();
    int radix = 16;
    TTransmitterReqAnsLink transmitterLink(transmitter, [&radix] { return radix; });
    window = new TFormReqAns(transmitterLink, counters);
    window->show();

    std::thread worker([&transmitter] {
        QByteArray answer;
        transmitter.Exchange(QByteArray::fromHex("010400000001"), answer);
    });
    worker.join();
    QApplication::processEvents();
    EXPECT_EQ(Text("lblReqCount"), QStringLiteral("1"));
    EXPECT_EQ(Text("lblAnsCount"), QStringLiteral("1"));
    EXPECT_TRUE(Text("stxReq").startsWith(QStringLiteral("01 04 00 00 00 01 "))) << "with its CRC";
    EXPECT_TRUE(Text("stxAns").startsWith(QStringLiteral("01 04 02 ")))
        << Text("stxAns").toStdString();
    EXPECT_EQ(Text("lblComPort1"), sim.PortPath());
    EXPECT_EQ(Text("lblBoudRate1"), QStringLiteral("9600"));
    EXPECT_EQ(Text("lblParity1"), QStringLiteral("Even")) << "after a transducer exchange";
    EXPECT_TRUE(SaveWindowPicture(
        window, QStringLiteral(TALS_BINARY_DIR "/screenshots/test_FormReqAns.png")));

    delete window;
    QByteArray answer;
    transmitter.Exchange(QByteArray::fromHex("010400000001"), answer);
    EXPECT_EQ(counters.Requests, 1) << "the closed window removed its handler";
}

TEST_F(FormReqAnsTest, KeepsItsPositionAndRefreshesWithTheOpenWindows)
{
    TWindowRegistry registry;
    registry.SetFactory(QStringLiteral("FormReqAns"), [this] {
        window = new TFormReqAns(link, counters);
        return window.data();
    });
    registry.Open(QStringLiteral("FormReqAns"));
    ASSERT_FALSE(window.isNull());
    window->resize(450, 350);
    link.settings.Port = QStringLiteral("/dev/ttyUSB0");
    registry.RefreshAll();
    EXPECT_EQ(Text("lblComPort1"), QStringLiteral("/dev/ttyUSB0"));

    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window.isNull());
    EXPECT_TRUE(
        test::readAll(scratch.file(QStringLiteral("INI/WndPos.ini"))).contains("[FormReqAns]"));
    registry.Open(QStringLiteral("FormReqAns"));
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->size(), QSize(450, 350));
}
