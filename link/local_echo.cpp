#include "link/local_echo.h"

namespace tals {

QString EchoFaultText(TEchoFault fault)
{
    switch (fault) {
    case TEchoFault::Mismatch:
        return QStringLiteral("Эхо запроса не совпадает");
    case TEchoFault::InAnswer:
        return QStringLiteral("Ответ начинается с эха запроса: включите \"Эхо запроса\" в "
                              "настройках порта");
    case TEchoFault::None:
        break;
    }
    return QString();
}

bool ReadLocalEcho(TComPort &port, const QByteArray &frame)
{
    // At most the request's length: the answer behind it stays in the queue.
    return port.Read(static_cast<int>(frame.size())) == frame;
}

bool StartsWithEcho(const QByteArray &frame, const QByteArray &answer)
{
    return !frame.isEmpty() && answer.size() > frame.size() && answer.startsWith(frame);
}

} // namespace tals
