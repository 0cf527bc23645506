#pragma once

// Runs tals35xi-cli in the test process with scratch start and program
// folders, and collects its exit status and both outputs.

#include "cli/cli_run.h"
#include "platform/paths.h"
#include "tests/common/test_support.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <gtest/gtest.h>

#include <ostream>

namespace tals::test {

struct TCliResult
{
    int Status = -100;
    QString Out;
    QString Err;
};

inline std::ostream &operator<<(std::ostream &os, const TCliResult &r)
{
    return os << "status " << r.Status << "\nstdout:\n"
              << r.Out.toStdString() << "stderr:\n"
              << r.Err.toStdString();
}

class CliFixture : public ::testing::Test
{
protected:
    // Short time-outs: a silent device costs little.
    CliFixture()
    {
        ForceDirectories(dir.file(QStringLiteral("INI")));
        writeAll(dir.file(QStringLiteral("INI/ComPort.ini")),
                 "[Transmitter]\r\nReadInterval=20\r\nReadTotalConstant=60\r\n"
                 "ReadTotalMultiplier=1\r\n");
    }
    ~CliFixture() override
    {
        SetStartDir(QString());
        SetProgramDir(QString());
    }

    TCliResult Run(const QStringList &arguments)
    {
        TCliResult r;
        QTextStream out(&r.Out);
        QTextStream err(&r.Err);
        r.Status =
            cli::RunCli(QStringList{QStringLiteral("tals35xi-cli"), QStringLiteral("--start-dir"),
                                    dir.path(), QStringLiteral("--program-dir"), dir.path()} +
                            arguments,
                        out, err);
        out.flush();
        err.flush();
        return r;
    }

    ScratchDir dir;
};

} // namespace tals::test
