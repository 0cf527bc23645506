#include "device/answer_parser.h"

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

void WriteBlackBox(quint16 status)
{
    const int number = status & 0xFF;
    TLog(BlackBoxPath()).Add(QStringLiteral("%1 %2").arg(number, 2).arg(BlackBoxMessage(number)));
}

void ParseReadings(Ttals352 &model, const TAnswer &a)
{
    if (a.Size() <= 34) {
        ReadError(model);
        return;
    }
    const quint16 status = a.Word(3);
    model.SetErrorState(status, model.ErrorText());
    if (status != 0) {
        WriteBlackBox(status);
        model.CountFailure();
        if (model.FailureLimitReached())
            model.SetError(status, Ttals352::StatusText(status));
        return;
    }
    SetHolder(model.Distance(), a.Single(5));
    SetHolder(model.LevelFree(), a.Single(9));
    SetHolder(model.LevelBusy(), a.Single(13));
    SetHolder(model.TmpOfSensor(), a.Single(29));
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
bool ParseOwnEnding(Ttals352 &model, const TAnswer &a, int code)
{
    auto tooShort = [&](int minimum) {
        if (a.Size() >= minimum)
            return false;
        ReadError(model);
        return true;
    };
    switch (code) {
    case 1:
        if (!tooShort(63))
            ParseSignature1(model, a);
        return true;
    case 2:
        if (!tooShort(50)) {
            TTals35xISignature &s = model.Signature();
            s.Site = a.Text(10, 25);
            s.Device = a.Text(28, 37);
            s.DeviceName = a.Text(40, 47);
            SuccessStep(model);
        }
        return true;
    case 3:
        if (!tooShort(45)) {
            TTals35xISignature &s = model.Signature();
            s.DeviceType = a.Text(25, 26);
            model.SetDeviceTypeNumber(static_cast<quint8>(TextNumber(s.DeviceType)));
            s.crc = a.Text(37, 42);
            SuccessStep(model);
        }
        return true;
    case 4:
        ParseReadings(model, a);
        return true;
    case 25:
        if (!tooShort(13)) {
            SetHolder(model.TestDistance(), a.Single(3));
            SetHolder(model.TestDistanceFlt(), a.Single(7));
            SuccessStep(model);
        }
        return true;
    case 76:
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
    case 78:
        ParseArrayBlock(model, a);
        return true;
    default:
        break;
    }
    const TBlockInfo *block = FindBlockByReadCode(code);
    if (!block)
        return false;
    if (!tooShort(BlockMinimum(*block))) {
        DecodeBlock(model, a, *block);
        if (code == 24) {
            SetHolder(model.TestDistance(), a.Single(65));
            SetHolder(model.TestDistanceFlt(), a.Single(69));
        }
        SuccessStep(model);
    }
    return true;
}

// Single-register decoders: a short answer is a read error, then success.
bool ParseSingle(Ttals352 &model, const TAnswer &a, int code)
{
    if (code == 81) {
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
    if (!p || p->HasFlag(pfNotDecoded) || code > 75)
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
    return code < 153 || function != RequestFunction(code);
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
    default:
        return {};
    }
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
                      bool (*checkFrame)(const QByteArray &))
{
    model.SetErrorState(0, NormText());
    if (a.Size() == 0) {
        FailureStep(model, -1, QStringLiteral("Нет ответа от устройства"));
        return false;
    }
    if (a.Size() <= 4) {
        ReadError(model);
        return false;
    }
    if (!checkFrame(BytesToFrame(answer))) {
        FailureStep(model, -4, QStringLiteral("Ошибка контрольной суммы"));
        return false;
    }
    return true;
}

} // namespace

void ParseAnswer(Ttals352 &model, const TBuffer &answer, quint8 code)
{
    const TAnswer a(answer);
    if (!CheckAnswerFrame(model, a, answer, CheckCrc16Frame))
        return;
    if (IsErrorAnswer(a, code)) {
        model.CountFailure();
        const int exception = a.Byte(2);
        if (exception >= 1 && exception <= 4 && model.FailureLimitReached())
            model.SetError(-7, ExceptionText(exception));
        return;
    }
    if (ParseOwnEnding(model, a, code) || ParseSingle(model, a, code))
        return;
    SuccessStep(model);
}

void ParseZelvinAnswer(Ttals352 &model, const TBuffer &answer)
{
    const TAnswer a(answer);
    if (!CheckAnswerFrame(model, a, answer, CheckCrc8Frame))
        return;
    if (a.Size() < 8) {
        ReadError(model);
        return;
    }
    const auto raw = static_cast<qint16>(BytesToWord(a.Byte(6), a.Byte(5)));
    SetHolder(model.CurrentOutput(), raw / 100.0);
    SuccessStep(model);
}

} // namespace tals
