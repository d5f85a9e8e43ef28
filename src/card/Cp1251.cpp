#include "Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <memory>

namespace cp1251 {
namespace {

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    std::unique_ptr<std::array<unsigned char, 65536>> fromUnicode =
        std::make_unique<std::array<unsigned char, 65536>>();
    std::unique_ptr<std::array<bool, 65536>> encodable = std::make_unique<std::array<bool, 65536>>();

    Tables()
    {
        QStringDecoder decoder("windows-1251", QStringConverter::Flag::Stateless);
        fromUnicode->fill(0);
        encodable->fill(false);
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString s = decoder.decode(QByteArrayView(&byte, 1));
            const bool ok = s.size() == 1 && s[0] != QChar::ReplacementCharacter;
            // A byte the converter does not know keeps its own value as a C1 control character,
            // so that every byte of a card survives a read and a write.
            const char16_t u = ok ? s[0].unicode() : char16_t(b);
            toUnicode[b] = u;
            (*fromUnicode)[u] = static_cast<unsigned char>(b);
            (*encodable)[u] = true;
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

} // namespace

char16_t *decodeInto(char16_t *out, QByteArrayView bytes)
{
    const Tables &t = tables();
    for (const char b : bytes)
        *out++ = t.toUnicode[static_cast<unsigned char>(b)];
    return out;
}

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    QString out(bytes.size(), Qt::Uninitialized);
    decodeInto(reinterpret_cast<char16_t *>(out.data()), bytes);
    return out;
}

QByteArray encode(QStringView text)
{
    const Tables &t = tables();
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        dst[i] = (*t.encodable)[u] ? char((*t.fromUnicode)[u]) : '?';
    }
    return out;
}

bool canEncode(QChar c)
{
    return (*tables().encodable)[c.unicode()];
}

bool canEncode(QStringView text)
{
    for (QChar c : text)
        if (!canEncode(c))
            return false;
    return true;
}

} // namespace cp1251
