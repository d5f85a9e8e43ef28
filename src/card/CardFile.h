#pragma once

#include "TovarCls.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The header of a customer card, in the order of the card file's first eight lines.
struct CardHeader {
    QString familiya;
    QString imya;
    QString otchestvo;
    QString telDom;
    QString telRab;
    QString denRozhd;
    int mesacRozhd = -1; // -1: no month selected; a file may hold any number here
    QString godRozhd;

    bool operator==(const CardHeader &) const = default;
};

struct Card {
    CardHeader header;
    QList<TovarCls> pokupki;

    bool operator==(const Card &) const = default;
};

// Splits card-file bytes into lines: CR LF, a lone CR or a lone LF ends a line.
class CardLineReader {
public:
    explicit CardLineReader(QByteArrayView bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    // The next line decoded from Windows-1251; empty text past the end.
    QString readLine();
    // The bytes of the next line, without its line end; empty past the end.
    QByteArrayView readLineBytes();

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

namespace cardfile {

// Reads a whole card. A file cut short leaves the missing texts empty and the numbers 0;
// the cut purchase is still created. No input makes it fail.
Card parse(QByteArrayView bytes);

// The whole file of a card: eight header lines, then one block per purchase, each line CR LF.
QByteArray serialize(const Card &card);
QByteArray serializeHeader(const CardHeader &header);
// One purchase block, as saved and as appended by recording a sale.
QByteArray serializePurchase(const TovarCls &purchase);

// The first `count` lines of a card, read by the same line rules.
QStringList firstLines(QByteArrayView bytes, int count);

} // namespace cardfile
