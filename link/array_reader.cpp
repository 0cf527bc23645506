#include "link/array_reader.h"

#include "device/command_table.h"
#include "device/program_modes.h"
#include "device/tals352.h"

namespace tals {

namespace {

const char *const kWriteControl = "Записать управляющую команду ведущего";
const char *const kReadConfirm = "Считать подтверждение управляющей команды";

QString Failed(const char *command)
{
    return QStringLiteral("Не выполнена команда: ") + QString::fromUtf8(command);
}

} // namespace

TArrayReader::TArrayReader(Ttals352 &model, TProgramModes &modes, TExecute execute)
    : m_model(model), m_modes(modes), m_execute(std::move(execute))
{}

void TArrayReader::SetProgress(TShowProgress show, std::function<void()> close)
{
    m_show = std::move(show);
    m_close = std::move(close);
}

void TArrayReader::Show(const QString &text, int position, int count) const
{
    if (m_show)
        m_show(text, position, count);
}

void TArrayReader::Close() const
{
    if (m_close)
        m_close();
}

bool TArrayReader::ExecuteWithRetries(quint8 code, const QString &text)
{
    if (m_retry)
        return m_retry(code, text, kAttempts);
    m_modes.StopRequested = false;
    for (int k = 1; k <= kAttempts; ++k) {
        Show(QStringLiteral("Повтор команды ") + text, k, kAttempts);
        if (m_execute(code) == 0) {
            Close();
            return true;
        }
    }
    Close();
    return false;
}

// The blocks follow each other without a pause: each exchange ends when its
// answer is complete (on its length with FrameEnd=Length, otherwise on the
// read gap), so a readout costs the wire time of its frames and no more.
bool TArrayReader::ReadBlocks(int blocks, const QString &progressText, TArrayReadResult &result)
{
    for (int k = 1; k <= blocks; ++k) {
        Show(progressText, k, blocks);
        m_model.ArrayBlockIndex = quint16(k);
        bool read = false;
        for (int attempt = 0; attempt < kAttempts && !read; ++attempt)
            read = m_execute(cmd::ReadArrayBlock) == 0;
        if (!read || m_modes.StopRequested) {
            result = {4, QStringLiteral("Чтение массива прервано: Превышено число попыток")};
            Close();
            return false;
        }
    }
    Close();
    return true;
}

TArrayReadResult TArrayReader::Read()
{
    TArrayReadResult result{0, QStringLiteral("Начало чтения массива")};
    m_modes.StopRequested = false;
    try {
        const QString writeControl = QString::fromUtf8(kWriteControl);
        if (!ExecuteWithRetries(cmd::WriteControlCommand, writeControl))
            return {2, Failed(kWriteControl)};

        // Rounds follow each other at once until the device confirms.
        for (int round = 0; round < kConfirmRounds && !m_model.IsArrayReady(); ++round)
            if (!ExecuteWithRetries(cmd::ReadArrayState, QString::fromUtf8(kReadConfirm)))
                result = {2, Failed(kReadConfirm)};
        if (!m_model.IsArrayReady())
            return {3, QStringLiteral("Нет подтверждения готовности массива")};

        switch (m_model.ControlCommandAnswer()) {
        case 1:
            m_model.ClearSignal();
            if (!ReadBlocks(kSignalBlocks, QStringLiteral("Чтение массива сигнала"), result))
                return result; // the control command stays as written
            result = {0, QStringLiteral("Завершено чтение массива сигнала ")};
            break;
        case 2:
            m_model.ClearSpectrum();
            if (!ReadBlocks(kSpectrumBlocks, QStringLiteral("Чтение массива спектра"), result))
                return result;
            result = {0, QStringLiteral("Завершено чтение массива спектра")};
            break;
        case 4:
            // The residual, offered beside the two arrays of the operator commands.
            m_model.ClearResidual();
            if (!ReadBlocks(kSpectrumBlocks, QStringLiteral("Чтение массива невязки"), result))
                return result;
            result = {0, QStringLiteral("Завершено чтение массива невязки")};
            break;
        default:
            break; // nothing to read
        }

        m_model.SetControlCommand(0);
        if (!ExecuteWithRetries(cmd::WriteControlCommand, writeControl))
            result = {2, Failed(kWriteControl)};
    } catch (...) {
        Close();
        result = {666, QStringLiteral("Чтение массива не завершено")};
    }
    return result;
}

} // namespace tals
