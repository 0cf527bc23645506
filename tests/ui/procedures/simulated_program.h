#pragma once

// The program on the simulated line in a scratch folder, with the bus scan,
// identification and about windows registered and its own read time-outs in
// INI/ComPort.ini, so that a silent address costs only a few milliseconds.

#include "link/request_devices.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "ui/application/application.h"
#include "tests/ui/standalone_services.h"
#include "ui/procedures/scan_windows.h"
#include "ui/windows/form_main.h"

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <memory>

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
        window.reset();
        app.reset();
        QDir::setCurrent(m_oldCurrent);
        SetStartDir(QString());
        SetProgramDir(QString());
    }

    // Starts the program with "--simulate" and the given arguments.
    void Start(const QStringList &arguments, TReadTimeouts timeouts)
    {
        QDir(dir.path()).mkpath(QStringLiteral("INI"));
        writeAll(dir.file(QStringLiteral("INI/ComPort.ini")),
                 QStringLiteral("[Transmitter]\r\nReadInterval=%1\r\nReadTotalConstant=%2\r\n"
                                "ReadTotalMultiplier=0\r\n")
                     .arg(timeouts.Interval)
                     .arg(timeouts.Total)
                     .toLatin1());
        app = std::make_unique<TApplication>(
            QStringList{QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                        QStringLiteral("--program-dir"), dir.path(), QStringLiteral("--simulate")} +
            arguments);
        app->Start();
        sim = app->Simulator();
        ASSERT_NE(sim, nullptr);
        ASSERT_NE(app->Model(), nullptr);
        app->SetInput(std::make_unique<TTextUserInput>());
        RegisterScanWindows(*app);
        window = std::make_unique<TFormMain>(*app);
        window->show();
        QApplication::processEvents();
        sim->ClearRequests();
    }

    // Opens the named window through the main window's action.
    template <class T> T *Open(const char *action, const char *name)
    {
        if (!window->ExecuteAction(QLatin1String(action)))
            return nullptr;
        return qobject_cast<T *>(window->Windows().Find(QLatin1String(name)));
    }

    ScratchDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TApplication> app;
    std::unique_ptr<TFormMain> window;
    TSimTransducer *sim = nullptr;

private:
    QString m_oldCurrent;
};

} // namespace tals::test
