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

#include <sys/mman.h>

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
        std::stable_sort(chars.begin(), chars.end(),
                         [&](char16_t a, char16_t b) { return compare(a, b) < 0; });

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

// A block of memory for the keys and items of one sort, `count` values of a trivial type. A large
// block is asked from the system in huge pages where it offers them: on some machines touching
// fresh memory page by page costs more than the sort itself.
template <typename T> class Block {
public:
    explicit Block(size_t count) : m_size(count * sizeof(T))
    {
        constexpr size_t kHuge = size_t(2) << 20;
        if (m_size >= kHuge) {
            const size_t rounded = (m_size + kHuge - 1) & ~(kHuge - 1);
            m_mapped = rounded + kHuge;
            void *p = ::mmap(nullptr, m_mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p != MAP_FAILED) {
                m_map = p;
                const auto aligned =
                    (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~std::uintptr_t(kHuge - 1);
                m_data = reinterpret_cast<T *>(aligned);
                ::madvise(m_data, rounded, MADV_HUGEPAGE);
                return;
            }
            m_mapped = 0;
        }
        m_data = static_cast<T *>(::operator new(std::max<size_t>(m_size, 1)));
    }
    ~Block()
    {
        if (m_map)
            ::munmap(m_map, m_mapped);
        else
            ::operator delete(m_data);
    }
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;

    T *data() const { return m_data; }
    T &operator[](size_t i) const { return m_data[i]; }

private:
    size_t m_size;
    size_t m_mapped = 0;
    void *m_map = nullptr;
    T *m_data = nullptr;
};

// The order by the collator's sort keys: exact for every text, and slow.
QList<int> collatorOrder(const KlientIndex &index)
{
    const int n = index.KlientCount();
    const QCollator collator = russianCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(n));
    for (int p = 0; p < n; ++p)
        keys.push_back(collator.sortKey(index.at(p).FIO + QLatin1Char('|') + numform::numText(p)));
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&keys](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    return order;
}

// The order by the ranks of the characters, checked against the collator; nothing when a name
// holds a character without a rank or the check fails.
std::optional<QList<int>> rankOrder(const KlientIndex &index)
{
    const LetterRanks &ranks = LetterRanks::instance();
    if (!ranks.usable())
        return std::nullopt;
    const int n = index.KlientCount();

    // The ranks of all keys in one block, written in one pass in index order, so the names are
    // read in the order they lie in memory.
    size_t total = 0;
    for (int p = 0; p < n; ++p)
        total += size_t(index.at(p).FIO.size()) + 2 + 10;
    if (total > UINT32_MAX)
        return std::nullopt;
    const Block<std::uint8_t> rank(total);

    // Each item also holds the first 24 ranks of its key as three numbers, which decide most
    // comparisons; ranks are never 0, so the padding of a short key sorts before any character,
    // as the end of a shorter key does.
    constexpr std::uint32_t kHead = 24;
    struct Item {
        std::uint64_t head[3];
        std::uint32_t start;
        std::uint32_t size;
        int position;
    };
    const Block<Item> items(static_cast<size_t>(n));
    std::uint32_t at = 0;
    const std::uint8_t bar = ranks.rank(u'|');
    const std::uint8_t blank = ranks.rank(u' ');
    for (int p = 0; p < n; ++p) {
        const QString &fio = index.at(p).FIO;
        std::uint8_t *const first = rank.data() + at;
        std::uint8_t *r = first;
        for (const QChar c : fio) {
            if ((*r++ = ranks.rank(c.unicode())) == 0)
                return std::nullopt;
        }
        *r++ = bar;
        *r++ = blank;
        char digits[16];
        const char *end = std::to_chars(digits, digits + sizeof digits, p).ptr;
        for (const char *d = digits; d != end; ++d)
            *r++ = ranks.rank(char16_t(*d));

        Item &item = items[size_t(p)];
        item.start = at;
        item.size = std::uint32_t(r - first);
        item.position = p;
        for (std::uint32_t w = 0; w < 3; ++w) {
            std::uint64_t h = 0;
            for (std::uint32_t i = 8 * w; i < 8 * w + 8; ++i)
                h = (h << 8) | (i < item.size ? first[i] : 0u);
            item.head[w] = h;
        }
        at += item.size;
    }

    const std::uint8_t *ranked = rank.data();
    std::sort(items.data(), items.data() + n, [ranked](const Item &a, const Item &b) {
        if (a.head[0] != b.head[0])
            return a.head[0] < b.head[0];
        if (a.head[1] != b.head[1])
            return a.head[1] < b.head[1];
        if (a.head[2] != b.head[2])
            return a.head[2] < b.head[2];
        const std::uint32_t common = std::min(a.size, b.size);
        if (common > kHead) {
            const int c = std::memcmp(ranked + a.start + kHead, ranked + b.start + kHead, common - kHead);
            if (c != 0)
                return c < 0;
        }
        return a.size < b.size;
    });

    // The check: every line before the next in the collator's order. The names are read in list
    // order, all over memory, so the entries a few lines ahead are fetched early.
    const QCollator collator = russianCollator();
    std::vector<char16_t> keys[2];
    const auto writeKey = [&index](std::vector<char16_t> &out, int position) {
        const QString &fio = index.at(position).FIO;
        out.assign(reinterpret_cast<const char16_t *>(fio.constData()),
                   reinterpret_cast<const char16_t *>(fio.constData()) + fio.size());
        out.push_back(u'|');
        out.push_back(u' ');
        char digits[16];
        const char *end = std::to_chars(digits, digits + sizeof digits, position).ptr;
        for (const char *d = digits; d != end; ++d)
            out.push_back(char16_t(*d));
    };
    constexpr int kAhead = 8;
    for (int i = 0; i < n; ++i) {
        if (i + kAhead < n)
            __builtin_prefetch(&index.at(items[size_t(i + kAhead)].position));
        if (i + kAhead / 2 < n)
            __builtin_prefetch(index.at(items[size_t(i + kAhead / 2)].position).FIO.constData());
        std::vector<char16_t> &current = keys[i % 2];
        writeKey(current, items[size_t(i)].position);
        if (i > 0) {
            const std::vector<char16_t> &previous = keys[(i + 1) % 2];
            if (collator.compare(QStringView(previous.data(), qsizetype(previous.size())),
                                 QStringView(current.data(), qsizetype(current.size()))) >= 0)
                return std::nullopt;
        }
    }

    QList<int> order(n);
    for (int i = 0; i < n; ++i)
        order[i] = items[size_t(i)].position;
    return order;
}

} // namespace

QList<int> fioOrder(const KlientIndex &index)
{
    if (index.KlientCount() < 2) {
        QList<int> order(index.KlientCount());
        std::iota(order.begin(), order.end(), 0);
        return order;
    }
    if (std::optional<QList<int>> order = rankOrder(index))
        return *std::move(order);
    return collatorOrder(index);
}
