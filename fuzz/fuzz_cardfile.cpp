// The card reader against any bytes: it must not crash, and what it reads must survive a write and
// a read unchanged, with every field on its own line. A purchase appended to a card written by the
// program must read back as one more purchase.
#include "CardFile.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

using fuzzcheck::hasLineBreak;
using fuzzcheck::require;
using fuzzcheck::shown;

namespace {

QString describe(const Card &c)
{
    const CardHeader &h = c.header;
    QString out =
        QStringLiteral("header %1 %2 %3 %4 %5 %6 %7 %8\n")
            .arg(shown(h.familiya), shown(h.imya), shown(h.otchestvo), shown(h.telDom), shown(h.telRab),
                 shown(h.denRozhd), QString::number(h.mesacRozhd), shown(h.godRozhd));
    for (const TovarCls &p : c.pokupki)
        out += QStringLiteral("purchase %1 %2 %3 %4 %5 items %6\n")
                   .arg(shown(p.Day), QString::number(p.Mesac), shown(p.God), shown(p.Tovar), shown(p.Summa),
                        shown(p.items()));
    return out;
}

bool anyLineBreak(const Card &c)
{
    const CardHeader &h = c.header;
    for (const QString *s :
         {&h.familiya, &h.imya, &h.otchestvo, &h.telDom, &h.telRab, &h.denRozhd, &h.godRozhd})
        if (hasLineBreak(*s))
            return true;
    for (const TovarCls &p : c.pokupki) {
        if (hasLineBreak(p.Day) || hasLineBreak(p.God) || hasLineBreak(p.Tovar) || hasLineBreak(p.Summa))
            return true;
        for (const QString &item : p.items())
            if (hasLineBreak(item))
                return true;
    }
    return false;
}

qsizetype expectedLines(const Card &c)
{
    qsizetype n = 8;
    for (const TovarCls &p : c.pokupki)
        n += 6 + p.ListCount();
    return n;
}

// A purchase made from the card's own texts, so that odd characters reach the appended block too.
TovarCls purchaseFrom(const Card &c)
{
    if (!c.pokupki.isEmpty())
        return c.pokupki.last();
    TovarCls p;
    p.Day = c.header.denRozhd;
    p.Mesac = c.header.mesacRozhd % 12; // the month list offers -1 to 11
    p.God = c.header.godRozhd;
    p.Tovar = c.header.familiya;
    p.Summa = QStringLiteral("0");
    p.NewIzdelie(c.header.imya);
    p.NewIzdelie(c.header.otchestvo);
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));

    const Card card = cardfile::parse(input);
    require(!anyLineBreak(card), "every field read from a card is one line", [&] { return describe(card); });

    const QByteArray written = cardfile::serialize(card);
    const Card again = cardfile::parse(written);
    require(again == card, "a card written and read back is the same card", [&] {
        return QStringLiteral("read first:\n%1read back:\n%2").arg(describe(card), describe(again));
    });
    require(cardfile::serialize(again) == written, "writing a card read back gives the same bytes");

    // Every line ends with CR LF and nothing else breaks a line.
    const qsizetype lineEnds = written.count("\r\n");
    require(lineEnds == expectedLines(card) && written.count('\r') == lineEnds &&
                written.count('\n') == lineEnds && written.endsWith("\r\n"),
            "a written card is 8 header lines and 6 + n lines per purchase, each ended by CR LF",
            [&] { return shown(written); });

    // Recording a sale appends one block to the file as the program wrote it.
    const TovarCls sale = purchaseFrom(card);
    Card withSale = card;
    withSale.pokupki.append(sale);
    const Card appended = cardfile::parse(written + cardfile::serializePurchase(sale));
    require(appended == withSale, "an appended purchase block reads back as one more purchase", [&] {
        return QStringLiteral("expected:\n%1read:\n%2").arg(describe(withSale), describe(appended));
    });
    return 0;
}
