#pragma once

#include "CardFile.h"
#include "CardHistory.h"
#include "Cp1251.h"
#include "ReliabilityFiles.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QProcess>

// What the tills of the reliability tests write. A till is a program of its own
// (tarvesko_tillwriter), started apart from the test and from the other till as the tills of a
// shop are, so that nothing one process shares with another (a hash seed, memory) hides a fault.
namespace tills {

// The card the tills of a race share, and "Товары.txt".
inline const QString kCard = QStringLiteral("00000001.dat");
inline const QString kGoods = QStringLiteral("Товары.txt");

// Write n of till t in a race, told apart by its bytes: "sales" appends a sale to kCard, "cards"
// saves a new card, "goods" adds a name to kGoods, "history" rewrites kCard.
inline QByteArray piece(const QString &job, int till, int n)
{
    if (job == u"sales")
        return cardfile::serializePurchase(reliability::purchase(1000 * till + n, 1 + n % 3));
    const QString name = QStringLiteral("Касса %1 №%2").arg(till).arg(n);
    return job == u"goods" ? cp1251::encode(name) : cardfile::serialize(reliability::card(name, 1, 1));
}

// Rewrites the card `name` of `baza` as the program saves one: its content before goes to its
// history first.
inline FileError rewriteKeeping(const QString &baza, const QString &name, const QByteArray &bytes)
{
    return safefile::rewriteLocked(baza + name, [&](const QByteArray *current) {
        safefile::Rewrite rewrite = safefile::Rewrite::writing(bytes);
        rewrite.beforeRename = [&, replaced = current ? *current : QByteArray()] {
            return CardHistory(baza).keep(name, replaced, 0);
        };
        return rewrite;
    });
}

// The crash test's till ("cycle"): round r's operation i rewrites kCard with the other of its two
// versions, appends the next purchase block to kAppended, or saves the next new card; the round
// shifts the cycle so that every kind is often the first.
enum class Op { Replace, Append, Create };

inline Op opOf(int round, int i)
{
    return Op((i + round) % 3);
}

inline const QString kAppended = QStringLiteral("00000002.dat");

inline const QByteArray &version(int which)
{
    static const QByteArray versions[2] = {
        cardfile::serialize(reliability::card(QStringLiteral("Петров"), 3, 1)),
        cardfile::serialize(reliability::card(QStringLiteral("Сидоров"), 400, 3))};
    return versions[which];
}

inline const QByteArray &newCard()
{
    static const QByteArray bytes = cardfile::serialize(reliability::card(QStringLiteral("Новиков"), 60, 2));
    return bytes;
}

// Purchase k appended to kAppended: mostly small ones, every seventh spanning a few pages.
inline QByteArray block(int k)
{
    return cardfile::serializePurchase(reliability::purchase(k, k % 7 == 3 ? 200 : 1 + k % 2));
}

inline QString newCardName(int number)
{
    return QStringLiteral("%1.dat").arg(50000000 + number, 8, 10, QLatin1Char('0'));
}

// Saves new card `number` under its own name only, as the program saves a new card.
inline FileError createCard(const QString &folder, int number)
{
    const auto nameFor = [number](int k) { return k == 0 ? newCardName(number) : QString(); };
    return safefile::createNew(folder, nameFor, newCard(), nullptr);
}

// Starts a till with `args` (see tillwriter.cpp) and waits until it stands at its start gate,
// which a byte written to it opens. Each till hashes with a seed of its own.
inline bool startTill(QProcess &till, const QStringList &args)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_HASH_SEED"));
    till.setProcessEnvironment(environment);
    till.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    till.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tarvesko_tillwriter"), args);
    return till.waitForReadyRead(30000) && till.read(1) == "r";
}

} // namespace tills
