#pragma once

// The program on the simulated line in a scratch folder, with the program's
// own Parameters.ini (the lists of the parameter pages), the windows a test
// registers (the bus scan, identification and about windows unless it says
// otherwise) and, when given, its own read time-outs in INI/ComPort.ini, so
// that a silent address costs only a few milliseconds.

#include "link/request_devices.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/prompt_recording_input.h"
#include "ui/application/application.h"
#include "ui/procedures/scan/scan_windows.h"
#include "ui/windows/form_main.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace tals::test {

struct TReadTimeouts
{
    int Interval = 5;
    int Total = 5;
};

class SimulatedProgram : public ::testing::Test
{
protected:
    SimulatedProgram() : m_oldCurrent(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~SimulatedProgram() override
    {
        if (window && window->IsPolling())
            window->ExecuteAction(QStringLiteral("actOprosStop"));
        window.reset();
        app.reset();
        QDir::setCurrent(m_oldCurrent);
        SetStartDir(QString());
        SetProgramDir(QString());
    }

    // Starts the program with "--simulate" and the given arguments.
    void Start(const QStringList &arguments) { Launch(arguments, std::nullopt); }
    void Start(const QStringList &arguments, TReadTimeouts timeouts)
    {
        Launch(arguments, timeouts);
    }
    // The windows the program is started with.
    virtual void RegisterWindows(TApplication &program) { RegisterScanWindows(program); }

    void Launch(const QStringList &arguments, std::optional<TReadTimeouts> timeouts)
    {
        QDir(dir.path()).mkpath(QStringLiteral("INI"));
        QFile::copy(QStringLiteral(TALS_SOURCE_DIR "/resources/INI/Parameters.ini"),
                    dir.file(QStringLiteral("INI/Parameters.ini")));
        if (timeouts)
            writeAll(dir.file(QStringLiteral("INI/ComPort.ini")),
                     QStringLiteral("[Transmitter]\r\nReadInterval=%1\r\nReadTotalConstant=%2\r\n"
                                    "ReadTotalMultiplier=0\r\n")
                         .arg(timeouts->Interval)
                         .arg(timeouts->Total)
                         .toLatin1());
        app = std::make_unique<TApplication>(
            QStringList{QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                        QStringLiteral("--program-dir"), dir.path(), QStringLiteral("--simulate")} +
            arguments);
        app->Start();
        sim = app->Simulator();
        ASSERT_NE(sim, nullptr);
        ASSERT_NE(app->Model(), nullptr);
        auto recording = std::make_unique<PromptRecordingInput>();
        input = recording.get();
        app->SetInput(std::move(recording));
        RegisterWindows(*app);
        window = std::make_unique<TFormMain>(*app);
        window->show();
        QApplication::processEvents();
        sim->ClearRequests();
    }

    // Opens the named window through the main window's action, at the
    // screen's corner so that its picture is whole.
    template <class T> T *Open(const char *action, const char *name)
    {
        if (!window->ExecuteAction(QLatin1String(action)))
            return nullptr;
        QApplication::processEvents();
        auto *w = qobject_cast<T *>(window->Windows().Find(QLatin1String(name)));
        if (w)
            w->move(0, 0);
        return w;
    }
    template <class T> T *Find(const char *name)
    {
        return qobject_cast<T *>(window->Windows().Find(QLatin1String(name)));
    }
    // Lets events through until done() holds or ten seconds pass.
    static bool WaitFor(const std::function<bool()> &done)
    {
        QDeadlineTimer deadline(10000);
        while (!done() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    Ttals352 &Model() { return *app->Model(); }

    ScratchDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TApplication> app;
    std::unique_ptr<TFormMain> window;
    TSimTransducer *sim = nullptr;
    PromptRecordingInput *input = nullptr;

private:
    QString m_oldCurrent;
};

} // namespace tals::test
