#pragma once

// A device model, scripted dialogs and value entry in a scratch folder that
// serves as start and program folder, for the procedure windows.

#include "device/program_modes.h"
#include "device/tals352.h"
#include "platform/paths.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/prompt_recording_input.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace tals::test {

class ProcedureFixture : public ::testing::Test
{
protected:
    ProcedureFixture()
    {
        SetStartDir(dir.path());
        SetProgramDir(dir.path());
    }
    ~ProcedureFixture() override
    {
        SetStartDir(QString());
        SetProgramDir(QString());
    }

    static void SetReading(TIODouble &holder, double value) { holder.SetValue(TVariant(value)); }

    ScratchDir dir;
    ScriptedDialogs dialogs;
    TProgramModes modes;
    Ttals352 model{modes};
    PromptRecordingInput input;
};

} // namespace tals::test
