#include "device/request_builder.h"

#include "device/command_table.h"
#include "protocol/frame.h"

#include <cstring>

namespace tals {

namespace {

void AppendByte(QByteArray &frame, int byte)
{
    frame.append(static_cast<char>(byte & 0xFF));
}

QByteArray ReadFrame(quint8 address, quint8 function, int start, int count)
{
    QByteArray f;
    AppendByte(f, address);
    AppendByte(f, function);
    AppendWord(f, static_cast<quint16>(start));
    AppendWord(f, static_cast<quint16>(count));
    return f;
}

QByteArray WriteFrame(quint8 address, int start, const QByteArray &data)
{
    QByteArray f;
    AppendByte(f, address);
    AppendByte(f, kFnWriteMultiple);
    AppendWord(f, static_cast<quint16>(start));
    AppendWord(f, static_cast<quint16>(data.size() / 2));
    AppendByte(f, data.size());
    f.append(data);
    return f;
}

QByteArray Identification(quint8 address, int readCode, int objectId)
{
    QByteArray f;
    AppendByte(f, address);
    AppendByte(f, kFnIdentification);
    AppendByte(f, kMeiReadIdentification);
    AppendByte(f, readCode);
    AppendByte(f, objectId);
    return f;
}

double ZoneValue(Ttals352 &model, TBadZoneValue which, int zone)
{
    return model.BadZone(zone).Value(which).Output().ToDouble();
}

// The data bytes of a block write: every property in the range, in register order.
QByteArray BlockData(Ttals352 &model, const TBlockInfo &block)
{
    QByteArray data;
    const int end = block.WriteStart + block.WriteCount;
    for (int address = block.WriteStart; address < end;) {
        if (block.WriteCode == cmd::WriteBadZones && address > 3128) {
            // Bad-zone singles: near bounds, far bounds, fill and drain speeds.
            const int index = (address - 3129) / 2;
            const auto which = static_cast<TBadZoneValue>(index / kBadZoneCount);
            EncodeRegisters(TEncoding::Single,
                            TVariant(ZoneValue(model, which, index % kBadZoneCount + 1)), data);
            address += 2;
            continue;
        }
        const TPropertyInfo *p = FindPropertyByAddress(block.Space, address);
        if (!p) {
            AppendWord(data, 0);
            ++address;
            continue;
        }
        // The user block sends 0.0 in place of the calibration level.
        const TVariant value =
            (block.WriteCode == cmd::WriteUserRegisters && p->Id == TProp::LevelKalibr)
                ? TVariant(0.0)
                : model.Property(p->Id);
        EncodeRegisters(p->Encoding, value, data);
        address += p->Words();
    }
    return data;
}

QByteArray Service(quint8 address, int function, int length, std::initializer_list<int> data)
{
    QByteArray f;
    AppendByte(f, address);
    AppendByte(f, function);
    AppendByte(f, length);
    for (int b : data)
        AppendByte(f, b);
    return f;
}

QByteArray ArrayBlock(const Ttals352 &model)
{
    const int i = model.ArrayBlockIndex;
    switch (model.ControlCommandAnswer()) {
    case 1:
        if (i >= 1 && i <= 103)
            return ReadFrame(model.SystemAddress(), kFnReadInput, 10004 + 20 * (i - 1), 20);
        break;
    case 2:
    case 4:
        if (i >= 1 && i <= 32)
            return ReadFrame(model.SystemAddress(), kFnReadInput, 10004 + 32 * (i - 1), 32);
        break;
    default:
        break;
    }
    return {};
}

// The warning of a service array block read; it is sent regardless.
QString ServiceArrayBlockWarning(const Ttals352 &model)
{
    const int i = model.ArrayBlockIndex;
    if (model.ArraySubKind == 0)
        return QStringLiteral("Должна быть подана команда \"Инициализация чтения массива данных\"");
    if (model.ArraySubKind == 20 && (i < 1 || i > 32))
        return QStringLiteral("Индекс блока данных должен быть в диапазоне от 1 до 32");
    if (model.ArraySubKind == 30 && (i < 1 || i > 16))
        return QStringLiteral("Индекс блока данных должен быть в диапазоне от 1 до 16");
    return {};
}

const TServiceParameter *FindServiceParameter(int code, bool write)
{
    for (const TServiceParameter &p : ServiceParameterTable())
        if ((write ? p.WriteCode : p.ReadCode) == code)
            return &p;
    return nullptr;
}

double ServiceParameterValue(Ttals352 &model, const TServiceParameter &p)
{
    if (p.IsZoneValue)
        return ZoneValue(model, p.Zone, p.ZoneNumber);
    return model.PropertyAsDouble(p.Property);
}

bool BuildService(Ttals352 &model, int code, QByteArray &f)
{
    const TCommandInfo *c = FindCommand(code);
    if (!c || c->Kind != TCommandKind::Service)
        return false;
    const quint8 a = model.SystemAddress();
    const int fn = c->Function;
    const int index = code - c->First; // the position within the row's codes
    switch (c->First) {
    case cmd::SvcReadValue:
        f = Service(a, fn, 0x02, {index});
        break;
    case cmd::SvcReadAllValues:
    case cmd::SvcRequest20:
    case cmd::SvcRequestA2:
        f = Service(a, fn, 0x01, {});
        break;
    case cmd::SvcEcho:
        f = Service(a, fn, 0x03, {0xAA, 0x55});
        break;
    case cmd::SvcSetAddressByPlantNumber: {
        const quint16 pn = model.PlantNumber();
        f = Service(a, fn, 0x05, {0x14, pn >> 8, pn & 0xFF, model.SystemAddressNew()});
        break;
    }
    case cmd::SvcWritePlantNumber: {
        const quint16 pn = model.PlantNumberNew();
        f = Service(a, fn, 0x03, {pn >> 8, pn & 0xFF});
        break;
    }
    case cmd::SvcReadArrayBlock: {
        const auto offset = static_cast<quint16>((model.ArrayBlockIndex - 1) * 32);
        f = Service(a, fn, 0x04, {offset >> 8, offset & 0xFF, 0x20});
        break;
    }
    case cmd::SvcStartMode: {
        static const int modes[4] = {20, 30, 50, 52};
        model.ArrayKind = 20;
        model.ArraySubKind = static_cast<quint8>(modes[index]);
        f = Service(a, fn, 0x03, {0x14, model.ArraySubKind});
        break;
    }
    case cmd::SvcEndMode:
        model.ArrayKind = 40;
        model.ArraySubKind = 0;
        f = Service(a, fn, 0x03, {0x28, 0x28});
        break;
    case cmd::SvcMode50:
        model.ArrayKind = 50;
        f = Service(a, fn, 0x03, {0x32, 0x32});
        break;
    case cmd::SvcSetPrediction:
        model.ArrayKind = 60;
        model.ArraySubKind = static_cast<quint8>(index);
        f = Service(a, fn, 0x03, {0x3C, model.ArraySubKind});
        break;
    case cmd::SvcMode100:
        model.ArrayKind = 100;
        model.ArraySubKind = static_cast<quint8>(11 + index);
        f = Service(a, fn, 0x03, {0x64, model.ArraySubKind});
        break;
    case cmd::SvcWriteSetting: {
        static const int ids[4] = {0, 4, 6, 8};
        model.SettingId = static_cast<quint8>(ids[index]);
        f = Service(a, fn, 0x04, {model.SettingId});
        // Settings 4 and 8 carry the bad-zone count and the interference level.
        if (index == 1)
            AppendWord(f, model.CountBadZones());
        else if (index == 3)
            AppendWord(f, model.MUP());
        break;
    }
    case cmd::SvcWriteParameter: {
        const TServiceParameter *p = FindServiceParameter(code, true);
        model.ParameterWriteId = static_cast<quint8>(p->Id);
        f = Service(a, fn, 0x06, {p->Id});
        AppendSingle(f, static_cast<float>(ServiceParameterValue(model, *p)));
        break;
    }
    case cmd::SvcRequestB4: {
        static const int values[3] = {10, 20, 100};
        model.B4Value = static_cast<quint8>(values[index]);
        f = Service(a, fn, 0x02, {model.B4Value});
        break;
    }
    case cmd::SvcReadSetting: {
        static const int ids[4] = {0, 4, 6, 8};
        model.SettingReadId = static_cast<quint8>(ids[index]);
        f = Service(a, fn, 0x02, {model.SettingReadId});
        break;
    }
    case cmd::SvcReadParameter: {
        const TServiceParameter *p = FindServiceParameter(code, false);
        model.ParameterReadId = static_cast<quint8>(p->Id);
        f = Service(a, fn, 0x02, {p->Id});
        break;
    }
    default:
        return false;
    }
    return true;
}

bool BuildModbus(Ttals352 &model, int code, QByteArray &f)
{
    const quint8 a = model.SystemAddress();
    switch (code) {
    case cmd::ReadIdentification:
        f = Identification(a, 1, 0);
        return true;
    case cmd::ReadSignature1:
        model.ClearSignature();
        f = Identification(a, 1, 0);
        return true;
    case cmd::ReadSignature2:
        f = Identification(a, 2, 3);
        return true;
    case cmd::ReadSignature3:
        f = Identification(a, 3, 0x80);
        return true;
    case cmd::ReadArrayBlock:
        f = ArrayBlock(model);
        return true;
    case cmd::StartProgramUpdate: {
        QByteArray data;
        AppendWord(data, 0x0014);
        AppendWord(data, model.PlantNumber());
        AppendWord(data, 0x3C3C);
        f = WriteFrame(a, 3, data);
        return true;
    }
    case cmd::BroadcastSetAddress: {
        QByteArray data;
        AppendWord(data, 0x0014);
        AppendWord(data, model.PlantNumber());
        AppendWord(data, model.SystemAddressNew());
        f = WriteFrame(0, 0, data);
        return true;
    }
    case cmd::ReadAddressRegister:
        f = ReadFrame(a, kFnReadHolding, 2, 1);
        return true;
    default:
        break;
    }
    if (const TBlockInfo *b = FindBlockByReadCode(code)) {
        f = ReadFrame(a, b->Space == TRegisterSpace::Input ? kFnReadInput : kFnReadHolding,
                      b->ReadStart, b->ReadCount);
        return true;
    }
    if (const TBlockInfo *b = FindBlockByWriteCode(code)) {
        f = WriteFrame(a, b->WriteStart, BlockData(model, *b));
        return true;
    }
    if (const TPropertyInfo *p = FindPropertyByReadCode(code)) {
        f = ReadFrame(a, p->Space == TRegisterSpace::Input ? kFnReadInput : kFnReadHolding,
                      p->Address, p->Words());
        return true;
    }
    for (const TWriteAlias &alias : WriteAliasTable()) {
        if (alias.WriteCode == code) {
            const TPropertyInfo &p = PropertyInfo(alias.Property);
            QByteArray data;
            EncodeRegisters(p.Encoding == TEncoding::None ? TEncoding::Word : p.Encoding,
                            model.Property(p.Id), data);
            f = WriteFrame(a, alias.Address, data);
            return true;
        }
    }
    if (const TPropertyInfo *p = FindPropertyByWriteCode(code)) {
        QByteArray data;
        EncodeRegisters(p->Encoding, model.Property(p->Id), data);
        f = WriteFrame(a, p->Address, data);
        return true;
    }
    return false;
}

} // namespace

QString RequestBuildErrorText()
{
    return QStringLiteral("Ошибка формирования запроса");
}

void EncodeRegisters(TEncoding encoding, const TVariant &value, QByteArray &out)
{
    switch (encoding) {
    case TEncoding::Word:
    case TEncoding::SignedWord:
        // Two's complement for negative values; integers keep their low 16 bits.
        AppendWord(out, static_cast<quint16>(value.ToInteger() & 0xFFFF));
        break;
    case TEncoding::Single:
        AppendSingle(out, static_cast<float>(value.ToDouble()));
        break;
    case TEncoding::LongWord: {
        const auto v = static_cast<quint32>(value.ToInteger());
        AppendWord(out, static_cast<quint16>(v >> 16));
        AppendWord(out, static_cast<quint16>(v & 0xFFFF));
        break;
    }
    case TEncoding::Int64: {
        const auto v = static_cast<quint64>(value.ToInteger());
        for (int shift = 48; shift >= 0; shift -= 16)
            AppendWord(out, static_cast<quint16>((v >> shift) & 0xFFFF));
        break;
    }
    case TEncoding::None:
        break;
    }
}

Ttals352::TRequest BuildRequest(Ttals352 &model, int code)
{
    model.SetLastCommandCode(static_cast<quint8>(code & 0xFF));
    Ttals352::TRequest request;
    if (code >= 0 && code < cmd::SvcReadValue)
        request.Ok = BuildModbus(model, code, request.Frame);
    else if (code >= cmd::SvcReadValue && code <= kLastCommandCode)
        request.Ok = BuildService(model, code, request.Frame);
    if (request.Ok && code == cmd::SvcReadArrayBlock)
        request.Warning = ServiceArrayBlockWarning(model);
    if (!request.Ok) {
        request.Frame.clear();
        request.ErrorText = RequestBuildErrorText();
    }
    return request;
}

int RequestFunction(int code)
{
    if (const TCommandInfo *c = FindCommand(code))
        return c->Function;
    if (const TPropertyInfo *p = FindPropertyByReadCode(code))
        return p->Space == TRegisterSpace::Input ? kFnReadInput : kFnReadHolding;
    if (FindPropertyByWriteCode(code))
        return kFnWriteMultiple;
    return -1;
}

} // namespace tals
