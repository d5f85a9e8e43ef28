#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

struct CardHeader;
class TovarCls;
class WarrantyTerms;

// What a warranty slip tells of one purchase.
struct SlipData {
    struct Item {
        QString name;
        QString serial;
        QDate warrantyEnd;
    };

    QDate date; // null when the card's date names no day: then dateText
    QString dateText;
    QString customer;
    QString phones;
    QString goods;
    QString sum;
    QDate warrantyEnd;
    QString file;
    QList<Item> items;

    // The slip of a purchase of a card; an item's warranty is its own name's term where the table
    // has one, else the goods'.
    static SlipData of(const CardHeader &header, const TovarCls &purchase, const WarrantyTerms &terms,
                       const QString &fileName = {});
};

// The warranty slip's template: an HTML file the owner may edit, "Гарантийный талон.html" in the
// data folder, Windows-1251 as shipped (UTF-8 is read too). Placeholders are a name in double
// braces: {{date}}, {{customer}}, {{phones}}, {{goods}}, {{sum}}, {{warranty_end}}, {{file}}; the
// part between {{#items}} and {{/items}}, exactly one, is repeated for each item, with {{item}},
// {{serial}} and the item's {{warranty_end}}. Every value is HTML-escaped.
class SlipTemplate {
public:
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;
    static QString fileName();

    // Reads the template from the data folder, through no link, bounded. An unusable one gives
    // an invalid template whose error() tells the owner why.
    static SlipTemplate load(const QString &bazaPath);
    static SlipTemplate fromHtml(const QString &html);

    bool isValid() const { return m_error.isEmpty(); }
    // There is no template in the data folder (a new base): the shipped one may go there unasked.
    bool isMissing() const { return m_missing; }
    // In Russian, for the owner; empty when valid.
    const QString &error() const { return m_error; }

    // The slip as HTML; empty for an invalid template.
    QString fill(const SlipData &data) const;

    // The template shipped with the program, as the file holds it.
    static QByteArray shippedBytes();
    // Puts the shipped template back, safely; a template the owner changed is kept in the data
    // folder's history first.
    [[nodiscard]] static FileError restoreShipped(const QString &bazaPath);

private:
    // The text outside the items block is `before` and `after`, the block's `item`; each a list of
    // literal text and placeholders by turns.
    struct Part {
        QString text;
        QString placeholder; // empty: text only
    };
    static SlipTemplate invalid(const QString &why);
    static QString filled(const QList<Part> &parts, const SlipData &data, const SlipData::Item *item);

    QList<Part> m_before;
    QList<Part> m_item;
    QList<Part> m_after;
    QString m_error;
    bool m_missing = false;
};

class QPagedPaintDevice;

// Lays the slip `html` out on the pages of `device` (a printer, a PDF) and paints it there.
void printSlip(const QString &html, QPagedPaintDevice *device);

// Writes the slip `html` as a PDF page (A4) to `target`, safely: beside it first, then renamed.
// Needs a QGuiApplication (fonts); runs on the thread that made it.
[[nodiscard]] FileError writeSlipPdf(const QString &html, const QString &target);
