#include "platform/codepage.h"

#include <QHash>
#include <QStringDecoder>

namespace tals {

namespace {

// The code page's upper half as Unicode, decoded once; the reverse map is
// built from it so that exactly the characters of the code page convert.
const QHash<char16_t, char> &UpperHalf()
{
    static const QHash<char16_t, char> map = [] {
        QByteArray bytes;
        for (int b = 0x80; b <= 0xFF; ++b)
            bytes.append(char(b));
        QStringDecoder decoder("windows-1251");
        const QString text = decoder.decode(bytes);
        QHash<char16_t, char> result;
        if (text.size() == bytes.size()) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (text[i] != QChar::ReplacementCharacter)
                    result.insert(text[i].unicode(), bytes[i]);
            }
        }
        return result;
    }();
    return map;
}

} // namespace

QByteArray ToCp1251(const QString &text)
{
    const QHash<char16_t, char> &upper = UpperHalf();
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        // A surrogate pair is one character outside the code page.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        const auto it = upper.constFind(c);
        out.append(it != upper.constEnd() ? it.value() : '?');
    }
    return out;
}

QString FromCp1251(const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QString DecodeTextFile(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        return utf8.decode(bytes.mid(3));
    }
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
    }
    return FromCp1251(bytes);
}

} // namespace tals
