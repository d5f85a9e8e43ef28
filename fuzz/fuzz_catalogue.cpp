// The goods catalogue reader against any bytes: it must not crash, every line must become one
// entry (empty lines and duplicates too), the entries must be in the list's order, and the
// catalogue written and read again must hold the same names in the same order. A name added later
// takes a sorted place and is found again.
#include "CardFile.h"
#include "Collation.h"
#include "FuzzCheck.h"
#include "GoodsCatalogue.h"

#include <QCollator>

#include <algorithm>
#include <cstddef>
#include <cstdint>

using fuzzcheck::hasLineBreak;
using fuzzcheck::require;
using fuzzcheck::shown;

namespace {

const QCollator &collator()
{
    static const QCollator c = russianCollator();
    return c;
}

bool isSorted(const QStringList &names)
{
    for (qsizetype i = 1; i < names.size(); ++i)
        if (collator().compare(names[i - 1], names[i]) > 0)
            return false;
    return true;
}

QStringList linesOf(const QByteArray &bytes)
{
    QStringList lines;
    CardLineReader in(bytes);
    while (!in.atEnd())
        lines.append(in.readLine());
    return lines;
}

QStringList plainSorted(QStringList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    GoodsCatalogue first;
    first.loadBytes(bytes);
    const QStringList names = first.names();
    for (const QString &name : names)
        require(!hasLineBreak(name), "no goods name holds a line break", [&] { return shown(names); });
    require(plainSorted(names) == plainSorted(linesOf(bytes)), "every line of the file becomes one entry",
            [&] { return shown(names); });
    require(isSorted(names), "the catalogue is in the list's order", [&] { return shown(names); });

    const QByteArray written = first.serialize();
    require(written.count("\r\n") == names.size() && written.count('\r') == names.size() &&
                written.count('\n') == names.size(),
            "the written catalogue is one CR LF line per name", [&] { return shown(written); });
    GoodsCatalogue second;
    second.loadBytes(written);
    require(second.names() == names, "the catalogue written and read again holds the same names",
            [&] { return QStringLiteral("first %1\nagain %2").arg(shown(names), shown(second.names())); });
    require(second.serialize() == written, "writing it again gives the same bytes");

    // A new name from the input itself: the middle entry with something added, or a fixed one.
    const QString extra =
        names.isEmpty() ? QStringLiteral("Телевизор") : names[names.size() / 2] + QStringLiteral("я");
    const int at = second.add(extra);
    require(second.count() == names.size() + 1 && second.names().at(at) == extra && isSorted(second.names()),
            "an added name takes its sorted place", [&] { return shown(second.names()); });
    require(second.containsIgnoringCase(extra) && second.containsIgnoringCase(extra.toLower()),
            "an added name is found again, also typed in lower case", [&] { return shown(extra); });
    return 0;
}
