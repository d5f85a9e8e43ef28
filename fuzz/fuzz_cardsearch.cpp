// The search index's reading of any card bytes against the card reader's: the folded text and the
// rows of the card must be those worked out from the card as read, and a query for a word of the
// card must find it without reading out of bounds.
#include "FuzzCheck.h"
#include "ReadCardFolding.h"
#include "SearchIndex.h"

#include <cstddef>
#include <cstdint>

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString fileName = QStringLiteral("00000001.dat");
    const SearchIndex::Entry entry = SearchIndex::makeEntry(fileName, bytes);
    require(entry.folded == readcard::folded(fileName, bytes), "folded text differs from the card as read");
    require(entry.shape.rows == readcard::rows(bytes), "row count differs from the card as read");

    // Written twice, as a saved card is: the second text replaces the first.
    SearchIndex index;
    index.addCard(fileName, bytes);
    index.setEntry(entry);
    const SearchResult all = index.query(QStringLiteral("00000001"), 1 << 30);
    require(all.total == entry.shape.rows && all.hits.size() == entry.shape.rows,
            "the file name finds not every row");

    const Card card = cardfile::parse(bytes);
    if (!card.pokupki.isEmpty() && card.pokupki[0].ListCount() > 1) {
        const QString serial = card.pokupki[0].List(1);
        require(folding::serialForm(folding::foldQuery(serial)).isEmpty() ||
                    index.findSerial(serial, nullptr),
                "a recorded serial number is not found");
    }
    return 0;
}
