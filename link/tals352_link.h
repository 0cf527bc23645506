#pragma once

// The transducer model as the scheduler sees it.

#include "link/link_device.h"

namespace tals {

class Ttals352;

class TTals352Link : public TLinkDevice
{
public:
    explicit TTals352Link(Ttals352 &model) : m_model(model) {}

    bool BuildRequest(quint8 code, TFrame &frame) override;
    void ParseAnswer(const TBuffer &answer, quint8 code) override;
    void ParseZelvinAnswer(const TBuffer &answer) override;
    int ErrorCode() const override;
    int LinkState() const override;
    bool Enabled() const override;
    QString Caption() const override;
    bool ReadingValue(const QString &archiveName, double &value) const override;

    Ttals352 &Model() { return m_model; }

private:
    Ttals352 &m_model;
};

} // namespace tals
