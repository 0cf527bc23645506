#include "device/answer_parser.h"

#include "device/command_table.h"
#include "device/request_builder.h"

#include <QDate>

#include "platform/codepage.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace tals {

namespace {

// Reads within an answer whose length has been checked by the caller.
class TAnswer
{
public:
    explicit TAnswer(const TBuffer &bytes) : m_bytes(bytes) {}
    int Size() const { return static_cast<int>(m_bytes.size()); }
    quint8 Byte(int i) const { return m_bytes.at(static_cast<std::size_t>(i)); }
    quint16 Word(int i) const { return BytesToWord(Byte(i), Byte(i + 1)); }
    float Single(int i) const
    {
        return BytesToSingle(Byte(i), Byte(i + 1), Byte(i + 2), Byte(i + 3));
    }
    quint32 LongWord(int i) const
    {
        return BytesToLongWord(Byte(i), Byte(i + 1), Byte(i + 2), Byte(i + 3));
    }
    qint64 Int64(int i) const
    {
        quint8 b[8];
        for (int k = 0; k < 8; ++k)
            b[k] = Byte(i + k);
        return BytesToInt64(b);
    }
    // Bytes first..last as text, up to the first zero byte.
    QString Text(int first, int last) const
    {
        QByteArray raw;
        for (int i = first; i <= last; ++i)
            raw.append(static_cast<char>(Byte(i)));
        const int zero = raw.indexOf('\0');
        if (zero >= 0)
            raw.truncate(zero);
        return FromCp1251(raw);
    }
    TVariant Decode(TEncoding encoding, int i) const
    {
        switch (encoding) {
        case TEncoding::Word:
            return TVariant(Word(i));
        case TEncoding::SignedWord:
            return TVariant(static_cast<qint16>(Word(i)));
        case TEncoding::Single:
            return TVariant(static_cast<double>(Single(i)));
        case TEncoding::LongWord:
            return TVariant(LongWord(i));
        case TEncoding::Int64:
            return TVariant(Int64(i));
        case TEncoding::None:
            break;
        }
        return {};
    }

private:
    const TBuffer &m_bytes;
};

int TextNumber(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

void FailureStep(Ttals352 &model, int code, const QString &text)
{
    model.CountFailure();
    if (model.FailureLimitReached())
        model.SetError(code, text);
}

void SuccessStep(Ttals352 &model)
{
    model.ResetFailures();
    model.LinkState().SetValue(TVariant(1), 0);
}

void ReadError(Ttals352 &model)
{
    model.LastAnswerFault = Ttals352::TAnswerFault::WrongLength;
    FailureStep(model, -3, QStringLiteral("Ошибка чтения"));
}

void StoreProperty(Ttals352 &model, TProp p, const TVariant &value)
{
    model.SetProperty(p, value);
    if (p == TProp::PPMNumber)
        model.PPMNumberText = QString::number(model.PPMNumber());
}

void SetHolder(TIODouble &holder, double value)
{
    holder.SetValue(TVariant(value), 0);
}

// A reading carried by the answer: into its holder (NaN and infinities too,
// which the holder shows as no data) and into the plain value (only finite).
void SetReading(Ttals352 &model, TReadings &readings, TReading id, double value)
{
    SetHolder(model.Reading(id), value);
    readings.Set(id, value);
}

// Every reading of the table that a read of input registers start..count covers.
void DecodeReadings(Ttals352 &model, const TAnswer &a, TReadings &readings, int start, int count)
{
    for (const TReadingInfo &r : ReadingTable()) {
        const int offset = ReadingOffset(r, start, count);
        if (offset >= 0 && offset + 4 <= a.Size())
            SetReading(model, readings, r.Id, a.Single(offset));
    }
}

// Every property of a block in register order.
void DecodeBlock(Ttals352 &model, const TAnswer &a, const TBlockInfo &block)
{
    for (const TPropertyInfo &p : PropertyTable()) {
        if (p.Space != block.Space || p.Address < block.ReadStart ||
            p.Address + p.Words() > block.ReadStart + block.ReadCount)
            continue;
        StoreProperty(model, p.Id, a.Decode(p.Encoding, 3 + 2 * (p.Address - block.ReadStart)));
    }
}

int BlockMinimum(const TBlockInfo &block)
{
    return 5 + 2 * block.ReadCount;
}

// A fault goes to the black box when the status word changes, not at every poll.
void WriteBlackBox(Ttals352 &model, quint16 status)
{
    const quint16 last = model.LastStatusWord;
    model.LastStatusWord = status;
    if (status == 0 || status == last)
        return;
    TLog(BlackBoxPath()).Add(BlackBoxText(status));
}

void ParseReadings(Ttals352 &model, const TAnswer &a, TReadings &readings, const TBlockInfo &block,
                   TExchangeOutcome &outcome)
{
    if (a.Size() <= 34) {
        ReadError(model);
        return;
    }
    const quint16 status = a.Word(3);
    model.SetErrorState(status, model.ErrorText());
    WriteBlackBox(model, status);
    if (status != 0) {
        outcome.Status = TExchangeStatus::DeviceStatus;
        outcome.StatusWord = status;
        model.CountFailure();
        if (model.FailureLimitReached())
            model.SetError(status, Ttals352::StatusText(status));
        return;
    }
    DecodeReadings(model, a, readings, block.ReadStart, block.ReadCount);
    SuccessStep(model);
}

void ParseSignature1(Ttals352 &model, const TAnswer &a)
{
    TTals35xISignature &s = model.Signature();
    s.Manufactured = a.Text(10, 18);
    s.PlantNumber = a.Text(21, 25);
    model.SetPlantNumber(static_cast<quint16>(TextNumber(s.PlantNumber)));
    s.HardVersion = a.Text(41, 43);
    model.SetHardVersionNumber(static_cast<quint8>(TextNumber(s.HardVersion)));
    s.SoftVersion = a.Text(58, 60);
    model.SetSoftVersionNumber(static_cast<quint8>(TextNumber(s.SoftVersion)));
    SuccessStep(model);
    if (model.OnReadSignature)
        model.OnReadSignature(&model, model.SystemAddress(), 20, model.PlantNumber(),
                              model.HardVersionNumber(), model.SoftVersionNumber());
}

void ParseArrayBlock(Ttals352 &model, const TAnswer &a)
{
    const int i = model.ArrayBlockIndex;
    switch (model.ControlCommandAnswer()) {
    case 1:
        if (a.Size() < 45) {
            ReadError(model);
            return;
        }
        if (i >= 1 && i <= 103)
            for (int k = 0; k < 20; ++k)
                model.SignalArray[static_cast<std::size_t>(20 * (i - 1) + k)] = a.Word(3 + 2 * k);
        break;
    case 2:
    case 4: {
        if (a.Size() < 69) {
            ReadError(model);
            return;
        }
        auto &array = model.ControlCommandAnswer() == 2 ? model.SpectrumArray : model.ResidualArray;
        if (i >= 1 && i <= 32)
            for (int k = 0; k < 16; ++k)
                array[static_cast<std::size_t>(16 * (i - 1) + k)] = a.Single(3 + 4 * k);
        break;
    }
    default:
        break;
    }
    SuccessStep(model);
}

// Decoders with their own ending; false when the code has none.
bool ParseOwnEnding(Ttals352 &model, const TAnswer &a, int code, TReadings &readings,
                    TExchangeOutcome &outcome)
{
    auto tooShort = [&](int minimum) {
        if (a.Size() >= minimum)
            return false;
        ReadError(model);
        return true;
    };
    switch (code) {
    case cmd::ReadSignature1:
        if (!tooShort(63))
            ParseSignature1(model, a);
        return true;
    case cmd::ReadSignature2:
        if (!tooShort(50)) {
            TTals35xISignature &s = model.Signature();
            s.Site = a.Text(10, 25);
            s.Device = a.Text(28, 37);
            s.DeviceName = a.Text(40, 47);
            SuccessStep(model);
        }
        return true;
    case cmd::ReadSignature3:
        if (!tooShort(45)) {
            TTals35xISignature &s = model.Signature();
            s.DeviceType = a.Text(25, 26);
            model.SetDeviceTypeNumber(static_cast<quint8>(TextNumber(s.DeviceType)));
            s.crc = a.Text(37, 42);
            SuccessStep(model);
        }
        return true;
    case cmd::ReadBadZones:
        if (!tooShort(87)) {
            model.SetCountBadZones(a.Word(3));
            for (int z = 1; z <= kBadZoneCount; ++z) {
                TBadZone &zone = model.BadZone(z);
                SetHolder(zone.NearBound, a.Single(5 + 4 * (z - 1)));
                SetHolder(zone.FarBound, a.Single(25 + 4 * (z - 1)));
                SetHolder(zone.FillSpeed, a.Single(45 + 4 * (z - 1)));
                SetHolder(zone.DrainSpeed, a.Single(65 + 4 * (z - 1)));
            }
            SuccessStep(model);
        }
        return true;
    case cmd::ReadArrayBlock:
        ParseArrayBlock(model, a);
        return true;
    default:
        break;
    }
    const TBlockInfo *block = FindBlockByReadCode(code);
    if (!block)
        return false;
    if (code == cmd::ReadReadings) {
        // The readings block: status word, then the readings.
        ParseReadings(model, a, readings, *block, outcome);
        return true;
    }
    if (!tooShort(BlockMinimum(*block))) {
        DecodeBlock(model, a, *block);
        if (block->Space == TRegisterSpace::Input)
            DecodeReadings(model, a, readings, block->ReadStart, block->ReadCount);
        SuccessStep(model);
    }
    return true;
}

// Single-register decoders: a short answer is a read error, then success.
bool ParseSingle(Ttals352 &model, const TAnswer &a, int code)
{
    if (code == cmd::ReadAddressRegister) {
        if (a.Size() < 7) {
            ReadError(model);
        } else if (model.OnReadAddress) {
            const quint16 address = a.Word(3);
            model.OnReadAddress(&model, address, (address & 0xFF) == model.SystemAddressNew());
        }
        SuccessStep(model);
        return true;
    }
    const TPropertyInfo *p = FindPropertyByReadCode(code);
    if (!p || p->HasFlag(pfNotDecoded) || code > cmd::ReadCountBadZones)
        return false;
    if (a.Size() < 5 + 2 * p->Words())
        ReadError(model);
    else
        StoreProperty(model, p->Id, a.Decode(p->Encoding, 3));
    SuccessStep(model);
    return true;
}

// Service-protocol answers echo their own function byte, which has bit 7 set;
// only a different function byte with bit 7 set is an error answer.
bool IsErrorAnswer(const TAnswer &a, int code)
{
    const quint8 function = a.Byte(1);
    if ((function & 0x80) == 0)
        return false;
    return code < cmd::SvcReadValue || function != RequestFunction(code);
}

} // namespace

QString NormText()
{
    return QStringLiteral("Норма");
}

QString ExceptionText(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("Код 1 - Недопустимый код функции запроса");
    case 2:
        return QStringLiteral("Код 2 - Недопустимый адрес запроса");
    case 3:
        return QStringLiteral("Код 3 - Недопустимые данные запроса");
    case 4:
        return QStringLiteral("Код 4 - Ошибка во время выполнения запроса");
    case 10:
        return QStringLiteral("Код 10 - Шлюз: путь к устройству недоступен");
    case 11:
        return QStringLiteral("Код 11 - Шлюз: устройство не отвечает");
    default:
        return QStringLiteral("Код %1 - Неизвестная ошибка устройства").arg(code);
    }
}

QString MismatchText()
{
    return QStringLiteral("Ответ не соответствует запросу");
}

QString BlackBoxText(quint16 status)
{
    const int number = status & 0xFF;
    if (number >= 1 && number <= 11)
        return QStringLiteral("%1 %2").arg(number, 2).arg(BlackBoxMessage(number));
    QStringList bits;
    for (int bit = 0; bit < 16; ++bit)
        if (BitIsSet(status, bit))
            bits << QString::number(bit);
    return (bits.size() == 1 ? QStringLiteral("Неизвестная ошибка, бит ")
                             : QStringLiteral("Неизвестная ошибка, биты ")) +
           bits.join(QStringLiteral(", "));
}

QString BlackBoxMessage(int number)
{
    static const char *const messages[11] = {
        "Датчик температуры неисправен",
        "Нарушен рабочий температурный диапазон",
        "Ошибка сигнала DDS_STP",
        "Ошибка в тесте диапазона качания",
        "Нет связи с сигнальным процессором",
        "Неустойчивый обмен с сигнальным процессором",
        "Ошибка протокола обмена с сигнальным процессором",
        "Максимальное усиление",
        "Минимальное усиление",
        "Верхняя зона с не гарантируемой погрешностью измерений",
        "Нижняя зона с не гарантируемой погрешностью измерений",
    };
    if (number >= 1 && number <= 11)
        return QString::fromUtf8(messages[number - 1]);
    return QStringLiteral("Не известно");
}

QString BlackBoxPath()
{
    // An existing "data" folder (any letter case) serves for "DATA".
    const QString day = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
    return FindPathNoCase(JoinPath(JoinPath(ProgramDir(), QStringLiteral("DATA/") + day),
                                   QStringLiteral("BlackBox.txt")));
}

namespace {

// The checks both parsers start with: no answer, too short, wrong checksum.
// Returns false when the answer failed one of them (the failure is recorded).
bool CheckAnswerFrame(Ttals352 &model, const TAnswer &a, const TBuffer &answer,
                      bool (*checkFrame)(const QByteArray &), TExchangeOutcome &outcome)
{
    model.SetErrorState(0, NormText());
    model.LastAnswerFault = Ttals352::TAnswerFault::None;
    outcome.Status = TExchangeStatus::BadAnswer;
    if (a.Size() == 0) {
        outcome.Status = TExchangeStatus::NoAnswer;
        model.LastAnswerFault = Ttals352::TAnswerFault::NoAnswer;
        FailureStep(model, -1, QStringLiteral("Нет ответа от устройства"));
        return false;
    }
    if (a.Size() <= 4) {
        ReadError(model);
        return false;
    }
    if (!checkFrame(BytesToFrame(answer))) {
        model.LastAnswerFault = Ttals352::TAnswerFault::BadCrc;
        FailureStep(model, -4, QStringLiteral("Ошибка контрольной суммы"));
        return false;
    }
    return true;
}

// Whether a checked answer belongs to its request: the same address (unless
// the request was a broadcast), the same function or an error answer, and for
// a register read the byte count of the registers asked for.
bool MatchesRequest(const Ttals352 &model, const TAnswer &a, int code, const TFrame &request)
{
    const int address = request.size() >= 1                ? ByteAt(request, 0)
                        : code == cmd::BroadcastSetAddress ? 0
                                                           : model.SystemAddress();
    if (address != 0 && a.Byte(0) != address)
        return false;
    const int function = request.size() >= 2 ? ByteAt(request, 1) : RequestFunction(code);
    if (function < 0)
        return true;
    const int answered = a.Byte(1);
    if (answered != function)
        return (answered & 0x80) != 0; // an error answer, judged by the caller
    if ((function == 3 || function == 4) && request.size() >= 6) {
        const int registers = BytesToWord(ByteAt(request, 4), ByteAt(request, 5));
        return a.Byte(2) == 2 * registers;
    }
    return true;
}

} // namespace

TParsedAnswer ParseAnswer(Ttals352 &model, const TBuffer &answer, quint8 code,
                          const TFrame &request)
{
    TParsedAnswer parsed;
    TReadings &readings = parsed.Readings;
    TExchangeOutcome &outcome = parsed.Outcome;
    readings.Time = Now();
    const TAnswer a(answer);
    if (!CheckAnswerFrame(model, a, answer, CheckCrc16Frame, outcome))
        return parsed;
    if (!MatchesRequest(model, a, code, request)) {
        outcome.Status = TExchangeStatus::Mismatch;
        model.LastAnswerFault = Ttals352::TAnswerFault::OtherDevice;
        FailureStep(model, kMismatchErrorCode, MismatchText());
        return parsed;
    }
    if (IsErrorAnswer(a, code)) {
        outcome.Status = TExchangeStatus::Refused;
        outcome.Exception = a.Byte(2);
        model.LastAnswerFault = Ttals352::TAnswerFault::Exception;
        FailureStep(model, -7, ExceptionText(a.Byte(2)));
        return parsed;
    }
    // A decoder that counts a failure found the answer too short for its command.
    const int failures = model.FailureCount();
    outcome.Status = TExchangeStatus::Ok;
    if (ParseOwnEnding(model, a, code, readings, outcome) || ParseSingle(model, a, code)) {
        if (outcome.Status == TExchangeStatus::Ok && model.FailureCount() > failures)
            outcome.Status = TExchangeStatus::BadAnswer;
        return parsed;
    }
    SuccessStep(model);
    return parsed;
}

void ParseLineFailure(Ttals352 &model, const QString &text)
{
    model.SetErrorState(0, NormText());
    FailureStep(model, kLineErrorCode, text);
}

TParsedAnswer ParseZelvinAnswer(Ttals352 &model, const TBuffer &answer)
{
    TParsedAnswer parsed;
    parsed.Readings.Time = Now();
    const TAnswer a(answer);
    if (!CheckAnswerFrame(model, a, answer, CheckCrc8Frame, parsed.Outcome))
        return parsed;
    if (a.Size() < 8) {
        parsed.Outcome.Status = TExchangeStatus::BadAnswer;
        ReadError(model);
        return parsed;
    }
    const TReadingInfo &info = ReadingInfo(TReading::CurrentOutput);
    // The meter sends its current in hundredths of a mA, low byte first.
    const auto raw = static_cast<qint16>(BytesToWord(a.Byte(info.Offset + 1), a.Byte(info.Offset)));
    SetReading(model, parsed.Readings, info.Id, raw / 100.0);
    parsed.Outcome.Status = TExchangeStatus::Ok;
    SuccessStep(model);
    return parsed;
}

} // namespace tals
