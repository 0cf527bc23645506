// What the headless station archived is what the program's trend windows
// draw: the station runs as its own process on the simulated transducer,
// then the program opens the level trend over the same archive.

#include "platform/date_time.h"
#include "storage/archive.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"
#include "ui/windows/form_graph.h"
#include "ui/windows/form_main.h"
#include "ui/windows/view_windows.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace tals;

TEST(StationArchive, TheProgramsTrendWindowDrawsWhatTheStationArchived)
{
    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    const TDateTime started = Now();
    QProcess station;
    station.start(QStringLiteral(TALS_BINARY_DIR "/tals35xi-cli"),
                  {QStringLiteral("station"), QStringLiteral("--start-dir"), dir.path(),
                   QStringLiteral("--program-dir"), dir.path(), QStringLiteral("--simulate"),
                   QStringLiteral("--period"), QStringLiteral("200")});
    ASSERT_TRUE(station.waitForStarted(5000));
    QThread::msleep(3000);
    ::kill(pid_t(station.processId()), SIGTERM);
    ASSERT_TRUE(station.waitForFinished(15000));
    ASSERT_EQ(station.exitCode(), 0) << station.readAllStandardError().toStdString();

    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        TApplication app({QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                          QStringLiteral("--program-dir"), dir.path(),
                          QStringLiteral("--simulate")});
        app.Start();
        ASSERT_NE(app.Archive(), nullptr);
        app.SetInput(std::make_unique<TTextUserInput>());
        const std::vector<TArchiveRow> rows = app.Archive()->ArchiveQuery(
            QStringLiteral("LevelBusy"), started, started - 1.0 / 24, Now());
        ASSERT_GE(rows.size(), 8u) << "about five readings a second for three seconds";
        RegisterViewWindows(app);
        TFormMain main(app);
        main.show();
        ASSERT_TRUE(main.ExecuteAction(QStringLiteral("actGraphLevel")));
        auto *graph = qobject_cast<TFormGraph *>(main.Windows().Find(QStringLiteral("FormGraph1")));
        ASSERT_NE(graph, nullptr);
        ASSERT_TRUE(graph->WaitForView());
        const QSharedPointer<QCPGraphDataContainer> drawn = graph->Series1()->data();
        ASSERT_EQ(drawn->size(), int(rows.size()));
        for (int i = 0; i < drawn->size(); ++i)
            EXPECT_DOUBLE_EQ(drawn->at(i)->value, rows[std::size_t(i)].V) << i;
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    }
    QDir::setCurrent(oldCurrent);
}
