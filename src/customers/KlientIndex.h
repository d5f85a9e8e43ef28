#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

// One customer of the index: the first five lines of a card file and the file's name.
struct KlientRec {
    QString Familiya;
    QString FIO; // surname, name and patronymic joined by single blanks, both blanks always there
    QString FileName;
    QString Telephon1;
    QString Telephon2;
    QString FamiliyaUpper; // kept so that recording a sale does not fold every surname again

    // The card was removed by another hand: only its file name is kept. A card's own entry always
    // has both blanks in its full name.
    bool isRemoved() const { return FIO.isEmpty(); }

    bool operator==(const KlientRec &) const = default;
};

KlientRec makeKlientRec(const QString &fileName, const QString &familiya, const QString &imya,
                        const QString &otchestvo, const QString &telephon1, const QString &telephon2);

// The in-memory customer index: one entry per card file. An entry's position is the customer's
// identity until the next rescan.
class KlientIndex {
public:
    int KlientCount() const { return int(m_recs.size()); }
    const KlientRec &at(int position) const { return m_recs.at(position); }
    const QList<KlientRec> &entries() const { return m_recs; }

    void replaceAll(QList<KlientRec> recs)
    {
        m_recs = std::move(recs);
        m_lookup.clear();
        m_byFile.clear();
    }
    // Appends an entry and returns its position.
    int append(KlientRec rec);
    void setEntry(int position, KlientRec rec);

    // The card `fileName` as it now reads: its entry is replaced in place, or a new card is appended.
    // Returns the entry's position.
    int applyCardChange(const QString &fileName, KlientRec rec);
    // The card `fileName` is gone: its entry stays in its place, emptied but for the file name, until
    // the next rescan. Returns its position, -1 when no entry has that file.
    int markRemoved(const QString &fileName);

    // Position of the entry for the card file `fileName`, or -1.
    int findFile(const QString &fileName) const;
    // The first entry whose upper-cased surname equals the upper-cased `surname` and whose
    // phones equal the given ones exactly, removed cards left out; -1 when none does.
    int findCustomer(const QString &surname, const QString &telephon1, const QString &telephon2) const;
    // As findCustomer(), but «ё» and «е» count as one letter: the customer the operator most likely
    // meant when the surname was typed without «ё». The entry `except` is left out.
    int findNearCustomer(const QString &surname, const QString &telephon1, const QString &telephon2,
                         int except = -1) const;

private:
    static std::uint32_t lookupKey(const QString &upper, const QString &telephon1, const QString &telephon2);

    QList<KlientRec> m_recs;
    // One small key per entry from its upper-cased surname and phones, in entry order, made on
    // the first search: a sale's customer is found by running over these numbers, and only an
    // entry whose number matches is compared as text.
    mutable std::vector<std::uint32_t> m_lookup;
    // The position of each card file's entry, made on the first search by file: a card another hand
    // changed, or a free name for a new card, is found without comparing 100,000 names.
    mutable QHash<QString, int> m_byFile;
};
