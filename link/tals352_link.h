#pragma once

// The transducer model as the scheduler sees it.

#include "device/answer_parser.h"
#include "link/link_device.h"

namespace tals {

class Ttals352;

class TTals352Link : public TLinkDevice
{
public:
    explicit TTals352Link(Ttals352 &model) : m_model(model) {}

    Ttals352::TRequest BuildRequest(quint8 code) override;
    TDecoded ParseAnswer(const TFrame &request, const TBuffer &answer, quint8 code) override;
    TDecoded ParseZelvinAnswer(const TBuffer &answer) override;
    TDecoded ParseLineFailure(const QString &text) override;
    bool Enabled() const override;
    QString Caption() const override;

    Ttals352 &Model() { return m_model; }

private:
    TDecoded Outcome(const TParsedAnswer &parsed) const;

    Ttals352 &m_model;
};

} // namespace tals
