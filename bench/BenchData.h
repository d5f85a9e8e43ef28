#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>

// The data folders the benchmark measures: N generated customer cards, kept between runs.
namespace benchdata {

struct Folder {
    QString root;  // <data root>/tarvesko-bench-N
    QString baza;  // root + "/База/", as the program names its data folder
    QString goods; // root + "/Товары.txt"
    int count = 0;
    qint64 bytes = 0;         // the cards' total size
    double generatedSecs = 0; // 0 when an earlier run's folder was reused
};

// A folder holding exactly `n` cards made by this generator; made again when it is missing,
// incomplete or `regenerate` is set.
Folder ensure(const QString &dataRoot, int n, bool regenerate);

// The bytes of card number `k` (1-based) as the generator writes them: a Cyrillic name drawn with
// many shared surnames, phones, 0-4 purchases of 0-3 items with serial numbers "SN-0xxxxx".
QByteArray cardBytes(std::uint64_t k);

// A card of the same customer kind with `purchases` purchases, for the deletion check.
QByteArray cardWithPurchases(std::uint64_t k, int purchases);

// Files the measurements change: what they held before is written back (or what they created is
// removed) by restore(), and the cards' history goes, so the folder stays the same from run to run.
class Restorer {
public:
    explicit Restorer(QString baza) : m_baza(std::move(baza)) {}
    ~Restorer() { restore(); }
    // Call before a file of the data folder is changed, created or removed.
    void remember(const QString &fileName);
    // A file the program made (a new card): removed by restore().
    void created(const QString &fileName);
    void restore();

private:
    QString m_baza;
    QHash<QString, std::optional<QByteArray>> m_saved; // nullopt: the file did not exist
};

} // namespace benchdata
