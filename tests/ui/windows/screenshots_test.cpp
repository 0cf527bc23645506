#include "device/tals352.h"
#include "ui/windows/form_req_ans.h"
#include "link/request_devices.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "ui/application/application.h"
#include "ui/windows/form_main.h"
#include "ui/application/standalone_services.h"
#include "ui/windows/form_tals352i.h"
#include "ui/windows/view_windows.h"
#include "ui/application/window_grab.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

using namespace tals;

// The program with the simulated transducer in full-access mode, polled for a
// few seconds; the main, readings and communications windows are then saved as
// pictures under build/screenshots/ for a person to judge.
TEST(Screenshots, ProgramWithTheSimulatedTransducer)
{
    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());

    TApplication app({QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                      QStringLiteral("--program-dir"), dir.path(), QStringLiteral("--simulate"),
                      QStringLiteral("/full")});
    app.Start();
    ASSERT_NE(app.Model(), nullptr);
    app.SetInput(std::make_unique<TTextUserInput>());
    RegisterViewWindows(app);
    {
        TFormMain main(app);
        main.show();
        auto *readings = qobject_cast<TFormTals352I *>(main.Windows().Find("FormTals352I"));
        auto *comms = qobject_cast<TFormReqAns *>(main.Windows().Find("FormReqAns"));
        ASSERT_NE(readings, nullptr) << "opened at start-up";
        ASSERT_NE(comms, nullptr) << "opened at start-up";
        // Side by side, as a technician would arrange them.
        main.move(0, 0);
        readings->move(0, main.frameGeometry().bottom() + 10);
        comms->move(readings->frameGeometry().right() + 10, readings->y());

        auto text = [](QWidget *window, const char *name) {
            auto *label = window->findChild<QLabel *>(QLatin1String(name));
            return label ? label->text() : QString();
        };
        ASSERT_TRUE(main.ExecuteAction("actOprosStart"));
        QDeadlineTimer deadline(8000);
        while (!deadline.hasExpired() && (app.Scheduler()->Worker()->StepCount() < 3 ||
                                          app.Model()->Distance().Output() == 0))
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        QApplication::processEvents();
        ASSERT_TRUE(main.ExecuteAction("actOprosStop"));

        // Live values from the simulated transducer reached both windows.
        EXPECT_NE(app.Model()->Distance().Output().ToDouble(), 0.0);
        const TDescriptionOfDouble &d = app.Model()->Distance().Description();
        EXPECT_EQ(text(readings, "lblDistance"),
                  FloatToStrF(app.Model()->Distance().Output().ToDouble(), ffNumber, d.Precision,
                              d.Digits));
        EXPECT_EQ(text(readings, "lblErrorRegister"), QStringLiteral("0x0000=[0000000000000000]"));
        EXPECT_NE(text(comms, "lblReqCount"), QStringLiteral("0"));
        EXPECT_FALSE(text(comms, "stxAns").isEmpty());

        const QStringList written =
            SaveWindowPictures(QStringLiteral(TALS_BINARY_DIR "/screenshots"),
                               {QStringLiteral("FormMain"), QStringLiteral("FormTals352I"),
                                QStringLiteral("FormReqAns")});
        EXPECT_EQ(written.size(), 3) << written.join(' ').toStdString();
        for (const QString &path : written)
            EXPECT_FALSE(QImage(path).isNull()) << path.toStdString();

        dialogs.answers = {TDialogButton::Yes};
        EXPECT_TRUE(main.close());
    }
    QDir::setCurrent(oldCurrent);
    SetStartDir(QString());
    SetProgramDir(QString());
}
