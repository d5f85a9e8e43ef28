#include "FileName.h"

#include "Cp1251.h"

#include <algorithm>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(QChar c)
{
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
}

bool hasEscapes(const QString &name)
{
    return std::any_of(name.cbegin(), name.cend(), isEscape);
}

} // namespace

namespace filename {

QString decode(QByteArrayView bytes)
{
    QString name = QString::fromUtf8(bytes);
    // Checked by the round trip: the decoder alone lets some invalid forms through as U+FFFD.
    if (name.toUtf8() == bytes)
        return name;
    name.clear();
    name.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        name.append(u < 0x80 ? QChar(u) : QChar(char16_t(kEscapeBase + u)));
    }
    return name;
}

QByteArray encode(const QString &name)
{
    if (!hasEscapes(name))
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscape(name[i]))
            bytes.append(char(name[i].unicode() - kEscapeBase));
        else
            bytes.append(QStringView(name).mid(i, name[i].isHighSurrogate() ? 2 : 1).toUtf8());
        if (name[i].isHighSurrogate())
            ++i;
    }
    return bytes;
}

QString display(const QString &name)
{
    return hasEscapes(name) ? cp1251::decode(encode(name)) : name;
}

} // namespace filename
