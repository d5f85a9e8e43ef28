#include "ProgramFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont programFont()
{
    const QStringList families = QFontDatabase::families(QFontDatabase::Cyrillic);
    QFont font;
    if (families.contains(QStringLiteral("MS Sans Serif"))) {
        font.setFamily(QStringLiteral("MS Sans Serif"));
        font.setPointSize(8);
    } else {
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
        font.setPixelSize(11);
    }
    font.setBold(true);
    return font;
}
