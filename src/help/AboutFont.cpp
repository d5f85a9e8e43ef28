#include "AboutFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

namespace {

constexpr int kSmallestPixels = 9;

QFont designedFont()
{
    QFont font;
    if (QFontDatabase::families(QFontDatabase::Cyrillic).contains(QStringLiteral("MS Sans Serif")))
        font.setFamily(QStringLiteral("MS Sans Serif"));
    else
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setPointSize(12);
    font.setBold(true);
    return font;
}

bool fits(const QFont &font, const QList<TextRoom> &texts)
{
    const QFontMetrics metrics(font);
    for (const TextRoom &t : texts) {
        const QSize size = metrics.size(Qt::TextSingleLine, t.text);
        if (size.width() > t.width || size.height() > t.height)
            return false;
    }
    return true;
}

} // namespace

QFont aboutFont(const QList<TextRoom> &texts)
{
    QFont font = designedFont();
    int pixels = QFontInfo(font).pixelSize();
    while (!fits(font, texts) && pixels > kSmallestPixels)
        font.setPixelSize(--pixels);
    return font;
}
