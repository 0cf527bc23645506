#include "ui/application/application.h"

#include "device/tals352.h"
#include "link/request_devices.h"
#include "platform/paths.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "ui/windows/form_main.h"
#include "ui/dialogs/form_select_cmd.h"
#include "tests/ui/standalone_services.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace tals;

namespace {

// Runs the program in a scratch folder (start and program folder, and the
// current directory for the exchange journal).
class ApplicationTest : public ::testing::Test
{
protected:
    ApplicationTest() : m_oldCurrent(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~ApplicationTest() override
    {
        QDir::setCurrent(m_oldCurrent);
        SetStartDir(QString());
        SetProgramDir(QString());
    }

    QStringList Arguments(const QStringList &extra) const
    {
        return QStringList{QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                           QStringLiteral("--program-dir"), dir.path()} +
               extra;
    }

    // Waits, letting events through, until done() holds or two seconds pass.
    static bool WaitFor(const std::function<bool()> &done)
    {
        QDeadlineTimer deadline(2000);
        while (!done() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;

private:
    QString m_oldCurrent;
};

} // namespace

TEST_F(ApplicationTest, SimulatedTransducerServesCommandsAndPolling)
{
    TApplication app(Arguments(
        {QStringLiteral("--simulate"), QStringLiteral("/full"), QStringLiteral("/zelvin")}));
    app.Start();
    ASSERT_NE(app.Model(), nullptr);
    ASSERT_NE(app.Scheduler(), nullptr);
    app.SetInput(std::make_unique<TTextUserInput>()); // no modal dialogs in the test
    {
        TFormMain window(app);
        window.show();
        // The port of the simulated transducer opened without a message, and
        // the full access was opened in the device at start-up.
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
        EXPECT_TRUE(app.Model()->IsFullAccess());

        // The command selection window was opened: code 4 is polled, and with
        // "/full /zelvin" the current meter too.
        auto *select = qobject_cast<TFormSelectCMD *>(window.Windows().Find("FormSelectCMD"));
        ASSERT_NE(select, nullptr);
        EXPECT_TRUE(app.Scheduler()->IsPolled(4));
        EXPECT_TRUE(select->chbCurrentOutput->isChecked());
        EXPECT_TRUE(app.Scheduler()->Devices().at(1).Enabled);

        app.Model()->SetHmax(1234);
        ASSERT_TRUE(window.ExecuteAction("actHmaxRead"));
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
        EXPECT_NE(app.Model()->Hmax(), 1234);
        EXPECT_TRUE(QFileInfo::exists(
            dir.file(QStringLiteral("rd%1.txt").arg(QDate::currentDate().toString("yyMMdd")))));

        // Polling: the ticks wake the worker, which reads the readings block.
        ASSERT_TRUE(window.ExecuteAction("actOprosStart"));
        EXPECT_FALSE(window.ExecuteAction("actHmaxRead"));
        EXPECT_TRUE(WaitFor([&] { return app.Scheduler()->Worker()->StepCount() >= 2; }));
        ASSERT_TRUE(window.ExecuteAction("actOprosStop"));

        // Exit: the full access is closed in the device, the parameter file saved.
        dialogs.answers = {TDialogButton::Yes};
        EXPECT_TRUE(window.close());
        EXPECT_FALSE(app.Model()->IsFullAccess());
        EXPECT_TRUE(QFileInfo::exists(dir.file("INI/WndPos.ini")));
    }
}

TEST_F(ApplicationTest, MissingPortIsReportedAndTheProgramGoesOn)
{
    TApplication app(Arguments({QStringLiteral("--port"), QStringLiteral("/nonexistent/tty")}));
    app.Start();
    app.SetInput(std::make_unique<TTextUserInput>());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Ошибка активации порта")))
        << dialogs.messages[0].toStdString();
    TFormMain window(app);
    ASSERT_TRUE(window.ExecuteAction("actKKalmanRead"));
    EXPECT_EQ(dialogs.messages.last(),
              QStringLiteral("Не выполнена команда\rСчитать коэффициент сглаживания из прибора"));
}
