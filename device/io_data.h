#pragma once

// Value holders: a holder keeps an input value, the output derived from it,
// the time of the last update, four change events and a list of followers
// that receive a copy of its output. Not synchronised: used on one thread.

#include "device/io_description.h"
#include "device/variant.h"
#include "platform/date_time.h"

#include <functional>
#include <memory>
#include <vector>

namespace tals {

// Holds a holder's time stamp; Duration is one minute.
class TTimeOut
{
public:
    TTimeOut();
    TDateTime Start;
    TDateTime Duration = 1.0 / 1440.0;
};

class TIOData
{
public:
    using TNotifyEvent = std::function<void(TIOData *sender)>;

    TIOData() = default;
    // Detaches from the source and clears the Source of every follower, so no
    // follower is left pointing at a destroyed holder.
    virtual ~TIOData();
    TIOData(const TIOData &) = delete;
    TIOData &operator=(const TIOData &) = delete;

    TNotifyEvent OnOutputChange;
    TNotifyEvent OnValueSet;
    TNotifyEvent OnOutputSet;
    TNotifyEvent OnValueChange;

    qint32 Tag = 0;
    // When false, SetValue only stores the input and its time stamp.
    bool Active = true;

    const TVariant &Value() const { return m_value; }
    const TVariant &Output() const { return m_output; }
    TDateTime TimeStamp() const { return m_timeOut.Start; }
    const TTimeOut &TimeOut() const { return m_timeOut; }
    TIOData *Source() const { return m_source; }
    const std::vector<TIOData *> &Followers() const { return m_followers; }

    // Sets the input (Time 0 means now), fires the events, converts and feeds
    // the followers. A failure in a handler or in Convert ends the update
    // with the input stored.
    virtual void SetValue(const TVariant &value, TDateTime time = 0);
    virtual TVariant GetValue() const { return m_value; }
    virtual TVariant GetOutput() const { return m_output; }
    // Follows another holder (nullptr only detaches); with pull the source's
    // output and time stamp are taken at once.
    virtual void SetSource(TIOData *source, bool pull);

    void SetOutput(const TVariant &output);
    void NotifyFollowers();

    // Copies Active from another holder.
    virtual void Assign(const TIOData &source);

protected:
    virtual TVariant Convert() const = 0;

private:
    void RemoveFollower(TIOData *follower);

    std::vector<TIOData *> m_followers;
    TVariant m_value;
    TVariant m_output;
    TIOData *m_source = nullptr;
    TTimeOut m_timeOut;
};

// Output = input.
class TCustomIOData : public TIOData
{
protected:
    TVariant Convert() const override { return Value(); }
};

// Output = input as a real number.
class TiodDoubleToDouble : public TCustomIOData
{
protected:
    TVariant Convert() const override { return TVariant(Value().ToDouble()); }
};

// Output = input as an integer (not clamped to the three states).
class TiodThreeStatesToThreeStates : public TCustomIOData
{
protected:
    TVariant Convert() const override { return TVariant(Value().ToInteger()); }
};

// The text of a reading that holds no number ("нет данных").
QString NoDataText();

// A real reading with its description.
class TIODouble : public TiodDoubleToDouble
{
public:
    TIODouble();
    ~TIODouble() override;

    TDescriptionOfDouble &Description() { return *m_description; }
    const TDescriptionOfDouble &Description() const { return *m_description; }

    // The output as text in the description's number format, optionally as
    // "Title: value" and with ", unit"; NaN and infinities give NoDataText().
    QString FormatValue(bool withTitle, bool withDimension) const;

    // Also copies the description from another TIODouble.
    void Assign(const TIOData &source) override;

private:
    std::unique_ptr<TDescriptionOfDouble> m_description;
};

// A small integer state with captions and colours.
class TIOThreeStates : public TiodThreeStatesToThreeStates
{
public:
    TIOThreeStates();
    ~TIOThreeStates() override;

    TDescriptionOfThreeStates &Description() { return *m_description; }
    const TDescriptionOfThreeStates &Description() const { return *m_description; }

    void Assign(const TIOData &source) override;

private:
    std::unique_ptr<TDescriptionOfThreeStates> m_description;
};

} // namespace tals
