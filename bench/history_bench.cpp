// What the cards' history costs: on disk, for 100,000 cards after a simulated year of corrections
// and deletions (pruned as the program prunes), and in time, keeping one version against writing
// the same history file plainly. Run by scripts/bench.sh after the main benchmark.
#include "BenchData.h"
#include "CardHistory.h"
#include "Median.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kCards = 100000;
constexpr int kDays = 365;
constexpr int kWritesPerDay = 100; // corrections and deletions across the shop, a busy year

QString cardName(int k)
{
    return QStringLiteral("%1.dat").arg(k, 8, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root(QStringLiteral("/tmp/tarvesko-history-XXXXXX"));
    const QString baza = root.path() + QStringLiteral("/База/");
    QDir().mkpath(baza);
    const CardHistory history(baza);

    // A year of writes, a few cards far more often than the rest (the regulars).
    std::mt19937 rng(20261208);
    std::discrete_distribution<int> regular({90, 10});
    std::uniform_int_distribution<int> anyCard(1, kCards), fewCards(1, 200);
    const QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC);
    QHash<int, QList<CardVersion>> versions;
    for (int day = 0; day < kDays; ++day) {
        const QDateTime now = start.addDays(day);
        for (int w = 0; w < kWritesPerDay; ++w) {
            const int k = regular(rng) ? fewCards(rng) : anyCard(rng);
            QList<CardVersion> &v = versions[k];
            v.append({now.addSecs(w * 60), benchdata::cardBytes(std::uint64_t(k)), 2});
            v = CardHistory::pruned(v, now);
        }
    }
    qint64 bytes = 0, blocks = 0, cardBytes = 0, cardBlocks = 0; // cards' blocks: 4 KiB each at least
    for (auto it = versions.cbegin(); it != versions.cend(); ++it) {
        QDir().mkpath(history.folder());
        const QString path = history.folder() + cardName(it.key()) + QStringLiteral(".v");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(CardHistory::serialize(it.value())) < 0)
            return 2;
        file.close();
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        bytes += st.st_size;
        blocks += st.st_blocks;
    }
    for (int k = 1; k <= kCards; ++k) {
        const qint64 size = benchdata::cardBytes(std::uint64_t(k)).size();
        cardBytes += size;
        cardBlocks += (size + 4095) / 4096 * 4096;
    }

    // One version kept on a card whose history holds a year's worth, against a plain safe write
    // of the same history file.
    const auto [busiest, kept] = [&] {
        int most = 0, count = 0;
        for (auto it = versions.cbegin(); it != versions.cend(); ++it)
            if (it.value().size() > count)
                std::tie(most, count) = std::pair(it.key(), int(it.value().size()));
        return std::pair(most, count);
    }();
    const QByteArray card = benchdata::cardBytes(std::uint64_t(busiest));
    const QString file = cardName(busiest);
    const QDateTime late = start.addDays(kDays);
    const double keepMs = medianMs(21, [&] { (void)history.keep(file, card, 2, late); });
    const QByteArray historyBytes = CardHistory::serialize(history.versions(file));
    const double rawMs = medianMs(
        21, [&] { (void)safefile::replaceFile(history.folder() + QStringLiteral("raw.v"), historyBytes); });

    std::printf("tarvesko_history_bench: %d cards (%.1f MB of cards), %d corrections or deletions a day "
                "for %d days, pruned to %d days or at least %d versions a card\n",
                kCards, double(cardBytes) / 1e6, kWritesPerDay, kDays, CardHistory::kKeepDays,
                CardHistory::kKeepAtLeast);
    std::printf(
        "history on disk: %lld files, %.2f MB of bytes, %.2f MB of disk blocks (the cards: %.1f MB of "
        "blocks; the history adds %.1f %%)\n",
        static_cast<long long>(versions.size()), double(bytes) / 1e6, double(blocks) * 512 / 1e6,
        double(cardBlocks) / 1e6, 100.0 * double(blocks) * 512 / double(cardBlocks));
    std::printf("keep one version (busiest card, %d versions): %.2f ms; raw safe write of that history: "
                "%.2f ms; ratio %.2f x\n",
                kept, keepMs, rawMs, keepMs / rawMs);
    return 0;
}
