#include "device/tals352.h"
#include "link/request_devices.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"
#include "ui/application/start_layout.h"
#include "ui/application/window_grab.h"
#include "ui/windows/form_main.h"
#include "ui/windows/form_req_ans.h"
#include "ui/windows/form_tals352i.h"
#include "ui/windows/view_windows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>

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

        // The status bar names the port, polling, mode and the last exchange.
        EXPECT_EQ(text(&main, "lblStatusPort"),
                  QStringLiteral("Порт %1: открыт (имитатор)").arg(app.Simulator()->PortPath()));
        EXPECT_EQ(text(&main, "lblStatusPolling"), QStringLiteral("Опрос: выкл."));
        EXPECT_EQ(text(&main, "lblStatusMode"), QStringLiteral("Режим: полный доступ"));
        EXPECT_EQ(text(&main, "lblStatusExchange"), QStringLiteral("Последний обмен: норма"));
        EXPECT_TRUE(SaveWindowPicture(
            &main, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormMain_PortOpen.png")));

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

namespace {

// The program started in a scratch folder; restores the folders afterwards.
struct ProgramRun
{
    ProgramRun() : oldCurrent(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~ProgramRun()
    {
        QDir::setCurrent(oldCurrent);
        SetStartDir(QString());
        SetProgramDir(QString());
    }
    QStringList Arguments(const QStringList &extra) const
    {
        return QStringList{QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                           QStringLiteral("--program-dir"), dir.path()} +
               extra;
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    QString oldCurrent;
};

QString LabelText(QWidget *window, const char *name)
{
    auto *label = window->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QString();
}

} // namespace

// A missing port: the status bar says why, the readings window says that no
// exchange can be made instead of "Норма", even while polling runs.
TEST(Screenshots, MainWindowWithThePortNotOpen)
{
    ProgramRun run;
    TApplication app(run.Arguments({QStringLiteral("--port"), QStringLiteral("/nonexistent/tty")}));
    app.Start();
    app.SetInput(std::make_unique<TTextUserInput>());
    RegisterViewWindows(app);
    {
        TFormMain main(app);
        main.show();
        ASSERT_TRUE(main.ExecuteAction("actOprosStart"));
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && app.Scheduler()->Worker()->StepCount() < 2)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        QApplication::processEvents();

        EXPECT_TRUE(LabelText(&main, "lblStatusPort")
                        .startsWith(QStringLiteral("Порт /nonexistent/tty: не открыт - ")))
            << LabelText(&main, "lblStatusPort").toStdString();
        EXPECT_TRUE(
            LabelText(&main, "lblStatusPolling").startsWith(QStringLiteral("Опрос: вкл., ")));
        EXPECT_EQ(LabelText(&main, "lblStatusMode"), QStringLiteral("Режим: пользователь"));
        EXPECT_EQ(LabelText(&main, "lblStatusExchange"),
                  QStringLiteral("Последний обмен: обмен невозможен"));
        auto *readings = main.Windows().Find("FormTals352I");
        ASSERT_NE(readings, nullptr);
        auto *errors = readings->findChild<QPlainTextEdit *>(QStringLiteral("memErrors"));
        ASSERT_NE(errors, nullptr);
        EXPECT_TRUE(errors->toPlainText().startsWith(QStringLiteral("Порт не открыт")))
            << errors->toPlainText().toStdString();
        EXPECT_FALSE(errors->toPlainText().contains(QStringLiteral("Норма")));

        EXPECT_TRUE(SaveWindowPicture(
            &main, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormMain_PortClosed.png")));
        EXPECT_TRUE(SaveWindowPicture(
            readings, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormTals352I_PortClosed.png")));
        ASSERT_TRUE(main.ExecuteAction("actOprosStop"));
        run.dialogs.answers = {TDialogButton::Yes};
        EXPECT_TRUE(main.close());
    }
}

// The first start without WndPos.ini on a 1366x768 screen: the windows opened
// at start-up lie side by side, each whole on the screen and none over
// another. The picture puts them together as the screen would show them.
TEST(Screenshots, FirstStartLayoutFitsA1366x768Screen)
{
    ProgramRun run;
    TApplication app(run.Arguments({QStringLiteral("--simulate")}));
    app.Start();
    app.SetInput(std::make_unique<TTextUserInput>());
    RegisterViewWindows(app);
    {
        TFormMain main(app);
        main.show();
        QApplication::processEvents();
        const QStringList names{QStringLiteral("FormMain"), QStringLiteral("FormTals352I"),
                                QStringLiteral("FormTalsPar"), QStringLiteral("FormReqAns"),
                                QStringLiteral("FormSelectCMD")};
        QHash<QString, QWidget *> windows;
        QHash<QString, QSize> sizes;
        for (const QString &name : names) {
            QWidget *w = name == QLatin1String("FormMain") ? &main : main.Windows().Find(name);
            ASSERT_NE(w, nullptr) << name.toStdString();
            windows.insert(name, w);
            sizes.insert(name, w->size());
        }
        const QRect screen(0, 0, 1366, 738); // 768 less a task bar
        const QHash<QString, QRect> layout = StartLayout(screen, sizes);
        ASSERT_EQ(layout.size(), names.size());
        auto outer = [](const QRect &inner) {
            return inner.adjusted(-kFrameBorder, -kFrameTitle, kFrameBorder, kFrameBorder);
        };
        QImage picture(screen.size(), QImage::Format_RGB32);
        picture.fill(QColor(0x3a, 0x6e, 0xa5));
        QPainter painter(&picture);
        for (const QString &name : names) {
            SCOPED_TRACE(name.toStdString());
            const QRect r = layout.value(name);
            EXPECT_TRUE(screen.contains(outer(r))) << r.x() << "," << r.y();
            EXPECT_GE(r.width(), windows[name]->minimumWidth());
            EXPECT_GE(r.height(), windows[name]->minimumHeight());
            // With the least sizes of the readings and parameters windows a
            // 1366 pixel screen has no room left for the whole communications
            // window between them: it may lie over the parameters window.
            const QStringList mayOverlap{QStringLiteral("FormReqAns"),
                                         QStringLiteral("FormTalsPar")};
            for (const QString &other : names) {
                if (other != name && !(mayOverlap.contains(name) && mayOverlap.contains(other))) {
                    EXPECT_FALSE(outer(r).intersects(outer(layout.value(other))))
                        << other.toStdString();
                }
            }
            windows[name]->resize(r.size());
            QApplication::processEvents();
            painter.fillRect(outer(r), QColor(0xd0, 0xd0, 0xd0));
            painter.setPen(Qt::black);
            painter.drawText(outer(r).adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                             windows[name]->windowTitle());
            painter.drawPixmap(r.topLeft(), windows[name]->grab());
        }
        painter.end();
        const QString path = QStringLiteral(TALS_BINARY_DIR "/screenshots/FirstStart_1366x768.png");
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(picture.save(path));
        run.dialogs.answers = {TDialogButton::Yes};
        EXPECT_TRUE(main.close());
    }
}
