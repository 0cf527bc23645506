#include "device/io_data.h"

#include <cmath>

#include "platform/number_format.h"

#include <algorithm>

namespace tals {

TTimeOut::TTimeOut() : Start(Now()) {}

TIOData::~TIOData()
{
    if (m_source)
        m_source->RemoveFollower(this);
    for (TIOData *follower : m_followers)
        if (follower && follower->m_source == this)
            follower->m_source = nullptr;
}

void TIOData::RemoveFollower(TIOData *follower)
{
    m_followers.erase(std::remove(m_followers.begin(), m_followers.end(), follower),
                      m_followers.end());
}

void TIOData::SetValue(const TVariant &value, TDateTime time)
{
    try {
        m_timeOut.Start = time != 0 ? time : Now();
        const TVariant old = m_value;
        m_value = value;
        if (!Active)
            return;
        if (OnValueSet)
            OnValueSet(this);
        if (old != m_value && OnValueChange)
            OnValueChange(this);
        SetOutput(Convert());
    } catch (...) {
        // The input stays stored; the rest of the update is abandoned.
    }
}

void TIOData::SetOutput(const TVariant &output)
{
    try {
        const bool changed = m_output != output;
        m_output = output;
        if (OnOutputSet)
            OnOutputSet(this);
        if (changed && OnOutputChange)
            OnOutputChange(this);
        NotifyFollowers();
    } catch (...) {
    }
}

void TIOData::NotifyFollowers()
{
    for (std::size_t i = 0; i < m_followers.size();) {
        TIOData *follower = m_followers[i];
        if (!follower) {
            m_followers.erase(m_followers.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        try {
            follower->SetValue(m_output, m_timeOut.Start);
        } catch (...) {
            // One failing follower does not stop the others.
        }
        ++i;
    }
}

void TIOData::SetSource(TIOData *source, bool pull)
{
    try {
        if (m_source) {
            // Removes one entry, as appending adds one.
            auto &list = m_source->m_followers;
            const auto it = std::find(list.begin(), list.end(), this);
            if (it != list.end())
                list.erase(it);
        }
        m_source = source;
        if (!source)
            return;
        source->m_followers.push_back(this);
        if (pull)
            SetValue(source->m_output, source->m_timeOut.Start);
    } catch (...) {
    }
}

void TIOData::Assign(const TIOData &source)
{
    Active = source.Active;
}

TIODouble::TIODouble() : m_description(std::make_unique<TDescriptionOfDouble>()) {}

TIODouble::~TIODouble() = default;

void TIODouble::Assign(const TIOData &source)
{
    TIOData::Assign(source);
    if (const auto *other = dynamic_cast<const TIODouble *>(&source))
        m_description->Assign(*other->m_description);
}

QString NoDataText()
{
    return QStringLiteral("нет данных");
}

QString TIODouble::FormatValue(bool withTitle, bool withDimension) const
{
    QString text;
    try {
        const TDescriptionOfDouble &d = *m_description;
        const double value = Output().ToDouble();
        // A NaN or infinite reading is no number: it shows as missing data.
        const bool number = std::isfinite(value);
        text = number ? FloatToStrF(value, static_cast<int>(d.Format), d.Precision, d.Digits)
                      : NoDataText();
        if (withTitle)
            text = (d.Title + QStringLiteral(": ") + text).trimmed();
        if (number && withDimension && !d.Dimension.trimmed().isEmpty())
            text += QStringLiteral(", ") + d.Dimension;
    } catch (...) {
    }
    return text;
}

TIOThreeStates::TIOThreeStates()
{
    SetValue(TVariant(0), 0);
    m_description = std::make_unique<TDescriptionOfThreeStates>();
}

TIOThreeStates::~TIOThreeStates() = default;

void TIOThreeStates::Assign(const TIOData &source)
{
    TIOData::Assign(source);
    if (const auto *other = dynamic_cast<const TIOThreeStates *>(&source))
        m_description->Assign(*other->m_description);
}

} // namespace tals
