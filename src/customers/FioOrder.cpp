#include "FioOrder.h"

#include "Collation.h"
#include "NumberForm.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>
#include <vector>

// The list is sorted by the collator's order of the keys "<FIO>|<position>". A collator sort key
// costs some microseconds per customer, too much for a base of a hundred thousand, so the list is
// first sorted by a cheap key and then checked: every two neighbouring lines must be in the
// collator's order. Neighbours in strictly rising order make the whole list the collator's order,
// so the check proves the result; when it fails, or a name holds a character the cheap key does not
// know, the list is sorted by the collator's own keys as before.

namespace {

// The cheap key of a character: its rank among the letters, digits and signs of names as the
// collator orders them when accents and case are ignored. Characters that differ only by case
// or by an accent ("е" and "ё") share a rank. The ranks are learnt from the collator itself.
class LetterRanks {
public:
    static const LetterRanks &instance()
    {
        static const LetterRanks ranks;
        return ranks;
    }

    bool usable() const { return m_usable; }
    // 0 for a character without a rank.
    std::uint8_t rank(char16_t c) const { return c < kSize ? m_rank[c] : 0; }

private:
    static constexpr char16_t kSize = 0x0500;

    LetterRanks()
    {
        // Printable ASCII and the Cyrillic letters of the card files' code page.
        std::vector<char16_t> chars;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            chars.push_back(c);
        for (char16_t c = 0x0401; c <= 0x045F; ++c)
            if (c != 0x040D && c != 0x0450 && c != 0x045D)
                chars.push_back(c);
        chars.push_back(0x0490);
        chars.push_back(0x0491);

        const QCollator collator = russianCollator();
        const auto compare = [&collator](char16_t a, char16_t b) {
            return collator.compare(QStringView(&a, 1), QStringView(&b, 1));
        };
        std::stable_sort(chars.begin(), chars.end(), [&](char16_t a, char16_t b) { return compare(a, b) < 0; });

        // Two characters differ only by accent or case when the digit after them decides:
        // "x9" after "y0".
        const auto sameLetter = [&collator](char16_t a, char16_t b) {
            const char16_t s1[2] = {a, u'9'};
            const char16_t s2[2] = {b, u'0'};
            return collator.compare(QStringView(s1, 2), QStringView(s2, 2)) > 0;
        };
        int rank = 0;
        for (size_t i = 0; i < chars.size(); ++i) {
            if (i == 0 || (compare(chars[i - 1], chars[i]) != 0 && !sameLetter(chars[i - 1], chars[i])))
                ++rank;
            if (rank > 255)
                return;
            m_rank[chars[i]] = std::uint8_t(rank);
        }
        m_usable = m_rank[u'0'] != 0 && m_rank[u'0'] < m_rank[u'9'];
    }

    std::array<std::uint8_t, kSize> m_rank{};
    bool m_usable = false;
};

// The key text of the entry at `position`: "<FIO>|" and the position in the number form (a blank,
// then the digits, as numform::numText writes a position).
void writeKey(std::vector<char16_t> &out, const QString &fio, int position)
{
    out.clear();
    out.insert(out.end(), fio.utf16(), fio.utf16() + fio.size());
    out.push_back(u'|');
    out.push_back(u' ');
    char digits[16];
    const char *end = std::to_chars(digits, digits + sizeof digits, position).ptr;
    for (const char *d = digits; d != end; ++d)
        out.push_back(char16_t(*d));
}

QStringView view(const std::vector<char16_t> &key)
{
    return QStringView(key.data(), qsizetype(key.size()));
}

// The order by the collator's sort keys: exact for every text, and slow.
QList<int> collatorOrder(const KlientIndex &index)
{
    const int n = index.KlientCount();
    const QCollator collator = russianCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(n));
    std::vector<char16_t> key;
    for (int p = 0; p < n; ++p) {
        writeKey(key, index.at(p).FIO, p);
        keys.push_back(collator.sortKey(view(key).toString()));
    }
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&keys](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    return order;
}

// The order by the ranks of the characters, or nothing when a name holds a character without one.
std::optional<QList<int>> rankOrder(const KlientIndex &index)
{
    const LetterRanks &ranks = LetterRanks::instance();
    if (!ranks.usable())
        return std::nullopt;
    const int n = index.KlientCount();

    // All keys in one block. Each item also holds the first 24 bytes of its key as three numbers,
    // which decide most comparisons; ranks are never 0, so the padding of a short key sorts before
    // any character, as the end of a shorter key does.
    constexpr size_t kHead = 24;
    struct Item {
        std::uint64_t head[3];
        std::uint32_t start;
        std::uint32_t size;
        int position;
    };
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size_t(n) * 40);
    std::vector<Item> items(static_cast<size_t>(n));
    const std::uint8_t bar = ranks.rank(u'|');
    const std::uint8_t blank = ranks.rank(u' ');
    for (int p = 0; p < n; ++p) {
        const size_t from = bytes.size();
        for (const QChar c : index.at(p).FIO) {
            const std::uint8_t r = ranks.rank(c.unicode());
            if (r == 0)
                return std::nullopt;
            bytes.push_back(r);
        }
        bytes.push_back(bar);
        bytes.push_back(blank);
        char digits[16];
        const char *end = std::to_chars(digits, digits + sizeof digits, p).ptr;
        for (const char *d = digits; d != end; ++d)
            bytes.push_back(ranks.rank(char16_t(*d)));
        if (bytes.size() > UINT32_MAX)
            return std::nullopt;
        Item &item = items[size_t(p)];
        item.start = std::uint32_t(from);
        item.size = std::uint32_t(bytes.size() - from);
        item.position = p;
        for (size_t w = 0; w < 3; ++w) {
            std::uint64_t h = 0;
            for (size_t i = 8 * w; i < 8 * w + 8; ++i)
                h = (h << 8) | (i < item.size ? bytes[from + i] : 0);
            item.head[w] = h;
        }
    }

    const std::uint8_t *data = bytes.data();
    std::sort(items.begin(), items.end(), [data](const Item &a, const Item &b) {
        if (a.head[0] != b.head[0])
            return a.head[0] < b.head[0];
        if (a.head[1] != b.head[1])
            return a.head[1] < b.head[1];
        if (a.head[2] != b.head[2])
            return a.head[2] < b.head[2];
        const std::uint32_t common = std::min(a.size, b.size);
        if (common > kHead) {
            const int c = std::memcmp(data + a.start + kHead, data + b.start + kHead, common - kHead);
            if (c != 0)
                return c < 0;
        }
        return a.size < b.size;
    });

    QList<int> order(n);
    for (int i = 0; i < n; ++i)
        order[i] = items[size_t(i)].position;
    return order;
}

// True when every line is before the next in the collator's order.
bool inCollatorOrder(const KlientIndex &index, const QList<int> &order)
{
    const QCollator collator = russianCollator();
    std::vector<char16_t> previous;
    std::vector<char16_t> current;
    for (qsizetype i = 0; i < order.size(); ++i) {
        writeKey(current, index.at(order[i]).FIO, order[i]);
        if (i > 0 && collator.compare(view(previous), view(current)) >= 0)
            return false;
        std::swap(previous, current);
    }
    return true;
}

} // namespace

QList<int> fioOrder(const KlientIndex &index)
{
    if (index.KlientCount() < 2) {
        QList<int> order(index.KlientCount());
        std::iota(order.begin(), order.end(), 0);
        return order;
    }
    if (std::optional<QList<int>> order = rankOrder(index); order && inCollatorOrder(index, *order))
        return *std::move(order);
    return collatorOrder(index);
}
