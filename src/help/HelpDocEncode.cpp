// Build step: turns the help document, written in UTF-8, into the Windows-1251 file the program
// ships, with CR LF line ends. Refuses a character the code page cannot hold (it would turn into
// '?') and a document that does not declare the code page, so a browser never guesses wrong.
#include "Cp1251.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <source.utf8.html> <target.html>\n", argv[0]);
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 1;
    }
    QString text = QString::fromUtf8(source.readAll());
    text.remove(QLatin1Char('\r'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));

    if (!text.contains(QStringLiteral("charset=windows-1251"))) {
        std::fprintf(stderr, "%s: the document must declare charset=windows-1251\n", argv[1]);
        return 1;
    }
    int line = 1;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            ++line;
        else if (!cp1251::canEncode(c)) {
            std::fprintf(stderr, "%s:%d: U+%04X has no place in Windows-1251; use an HTML entity\n", argv[1],
                         line, unsigned(c.unicode()));
            return 1;
        }
    }

    QSaveFile target(QString::fromLocal8Bit(argv[2]));
    if (!target.open(QIODevice::WriteOnly) || target.write(cp1251::encode(text)) < 0 || !target.commit()) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
