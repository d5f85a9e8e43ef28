#include "Folding.h"

#include "Cp1251.h"

#include <array>

namespace folding {
namespace {

struct Tables {
    std::array<char, 256> fold{};
    std::array<bool, 256> alnum{};
    std::array<char, 256> word{}; // the folded byte, or a blank where it is no letter or digit

    Tables()
    {
        const QChar yo = QChar(0x0451);
        const QChar ye = QChar(0x0435);
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString text = cp1251::decode(QByteArrayView(&byte, 1));
            QChar c = text.at(0).toLower();
            if (c == yo)
                c = ye;
            if (c.unicode() < 0x20)
                c = QLatin1Char(' ');
            fold[b] = cp1251::canEncode(c) ? cp1251::encode(QString(c)).at(0) : byte;
            alnum[b] = text.at(0).isLetterOrNumber();
        }
        for (int b = 0; b < 256; ++b) {
            const char f = fold[b];
            word[b] = alnum[static_cast<unsigned char>(f)] ? f : ' ';
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

} // namespace

const char *foldTable()
{
    return tables().fold.data();
}

const char *wordTable()
{
    return tables().word.data();
}

QByteArray fold(QByteArrayView cp1251)
{
    const char *table = foldTable();
    QByteArray out(cp1251.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < cp1251.size(); ++i)
        out[i] = table[static_cast<unsigned char>(cp1251[i])];
    return out;
}

QByteArray foldQuery(const QString &word)
{
    if (!cp1251::canEncode(word))
        return {};
    return fold(cp1251::encode(word));
}

QByteArray wordify(QByteArrayView folded)
{
    const Tables &t = tables();
    QByteArray out(folded.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < folded.size(); ++i)
        out[i] = t.alnum[static_cast<unsigned char>(folded[i])] ? folded[i] : ' ';
    return out;
}

QByteArray serialForm(QByteArrayView folded)
{
    QByteArray out;
    out.reserve(folded.size());
    for (char c : folded)
        if (!isSerialMark(c))
            out.append(c);
    return out;
}

QByteArray digitsOf(QByteArrayView folded)
{
    QByteArray out;
    for (char c : folded)
        if (c >= '0' && c <= '9')
            out.append(c);
    return out;
}

} // namespace folding
