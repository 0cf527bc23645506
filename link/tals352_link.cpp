#include "link/tals352_link.h"

#include "device/tals352.h"

namespace tals {

bool TTals352Link::BuildRequest(quint8 code, TFrame &frame)
{
    const Ttals352::TRequest request = m_model.BuildRequest(code);
    if (!request.Ok)
        return false;
    frame = request.Frame;
    return true;
}

void TTals352Link::ParseAnswer(const TBuffer &answer, quint8 code)
{
    m_model.ParseAnswer(answer, code);
}

void TTals352Link::ParseZelvinAnswer(const TBuffer &answer)
{
    m_model.ParseZelvinAnswer(answer);
}

int TTals352Link::ErrorCode() const
{
    return m_model.ErrorCode();
}

int TTals352Link::LinkState() const
{
    return static_cast<int>(m_model.LinkState().Value().ToInteger());
}

bool TTals352Link::Enabled() const
{
    return m_model.Enabled();
}

QString TTals352Link::Caption() const
{
    return m_model.DeviceDescription().Title;
}

bool TTals352Link::ReadingValue(const QString &archiveName, double &value) const
{
    TIODouble *holder = m_model.FindReading(archiveName);
    if (!holder)
        return false;
    value = holder->Output().ToDouble();
    return true;
}

} // namespace tals
