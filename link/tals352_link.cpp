#include "link/tals352_link.h"

#include "device/answer_parser.h"
#include "device/request_builder.h"

namespace tals {

Ttals352::TRequest TTals352Link::BuildRequest(quint8 code)
{
    return tals::BuildRequest(m_model, code);
}

TDecoded TTals352Link::Outcome(const TParsedAnswer &parsed) const
{
    TDecoded d;
    d.ErrorCode = m_model.ErrorCode();
    d.LinkState = static_cast<int>(m_model.LinkState().Value().ToInteger());
    d.Readings = parsed.Readings;
    d.Outcome = parsed.Outcome;
    return d;
}

TDecoded TTals352Link::ParseAnswer(const TFrame &request, const TBuffer &answer, quint8 code)
{
    return Outcome(tals::ParseAnswer(m_model, answer, code, request));
}

TDecoded TTals352Link::ParseZelvinAnswer(const TBuffer &answer)
{
    return Outcome(tals::ParseZelvinAnswer(m_model, answer));
}

TDecoded TTals352Link::ParseLineFailure(const QString &text)
{
    tals::ParseLineFailure(m_model, text);
    TParsedAnswer parsed;
    parsed.Outcome.Reason = text;
    return Outcome(parsed);
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
