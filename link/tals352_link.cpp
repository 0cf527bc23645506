#include "link/tals352_link.h"

#include "device/answer_parser.h"
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

TDecoded TTals352Link::Outcome(const TReadings &readings) const
{
    TDecoded d;
    d.ErrorCode = m_model.ErrorCode();
    d.LinkState = static_cast<int>(m_model.LinkState().Value().ToInteger());
    d.Readings = readings;
    return d;
}

TDecoded TTals352Link::ParseAnswer(const TFrame &request, const TBuffer &answer, quint8 code)
{
    return Outcome(m_model.ParseAnswer(answer, code, request));
}

TDecoded TTals352Link::ParseZelvinAnswer(const TBuffer &answer)
{
    return Outcome(m_model.ParseZelvinAnswer(answer));
}

TDecoded TTals352Link::ParseLineFailure(const QString &text)
{
    tals::ParseLineFailure(m_model, text);
    return Outcome(TReadings());
}

bool TTals352Link::Enabled() const
{
    return m_model.Enabled();
}

QString TTals352Link::Caption() const
{
    return m_model.DeviceDescription().Title;
}

} // namespace tals
