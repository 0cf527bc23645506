#pragma once

#include "tests/ui/standalone_services.h"

#include <QStringList>

namespace tals::test {

// Value entry through the scripted text input that records every prompt shown.
class PromptRecordingInput : public TTextUserInput
{
public:
    bool TryInputInteger(const QString &caption, const QString &prompt, int &value, int minimum,
                         int maximum) override
    {
        prompts << prompt;
        return TTextUserInput::TryInputInteger(caption, prompt, value, minimum, maximum);
    }
    bool TryInputDouble(const QString &caption, const QString &prompt, int decimals, double &value,
                        double minimum, double maximum) override
    {
        prompts << prompt;
        return TTextUserInput::TryInputDouble(caption, prompt, decimals, value, minimum, maximum);
    }

    QStringList prompts;
};

} // namespace tals::test
