#include "SlipTemplate.h"

#include "CardFile.h"
#include "CardHistory.h"
#include "Cp1251.h"
#include "FileName.h"
#include "OwnFolder.h"
#include "PurchaseDate.h"
#include "PurchaseLines.h"
#include "SafeFile.h"
#include "WarrantyTerms.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>

namespace {

const QStringList &outerNames()
{
    static const QStringList names{QStringLiteral("date"),   QStringLiteral("customer"),
                                   QStringLiteral("phones"), QStringLiteral("goods"),
                                   QStringLiteral("sum"),    QStringLiteral("warranty_end"),
                                   QStringLiteral("file")};
    return names;
}

const QStringList &itemNames()
{
    static const QStringList names{QStringLiteral("item"), QStringLiteral("serial")};
    return names;
}

const QString kItemsStart = QStringLiteral("#items");
const QString kItemsEnd = QStringLiteral("/items");

QString escaped(const QString &value)
{
    return value.toHtmlEscaped().replace(QLatin1Char('\''), QStringLiteral("&#39;"));
}

QString dateText(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString quotedName()
{
    return QLatin1Char('"') + SlipTemplate::fileName() + QLatin1Char('"');
}

// The shipped template is Windows-1251; one the owner saved as UTF-8 is read as such (Russian
// text in Windows-1251 is practically never valid UTF-8).
QString decodeTemplate(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    return cp1251::decode(bytes);
}

} // namespace

SlipData SlipData::of(const CardHeader &header, const TovarCls &purchase, const WarrantyTerms &terms,
                      const QString &fileName)
{
    SlipData data;
    data.date = purchaselines::date(purchase);
    if (!data.date.isValid())
        data.dateText = purchaseDateText(purchase.Day, purchase.Mesac, purchase.God);
    QStringList name{header.familiya, header.imya, header.otchestvo};
    name.removeAll(QString());
    data.customer = name.join(QLatin1Char(' '));
    QStringList phones{header.telDom, header.telRab};
    phones.removeAll(QString());
    data.phones = phones.join(QStringLiteral(", "));
    data.goods = purchase.Tovar;
    data.sum = purchase.Summa;
    data.warrantyEnd = terms.warrantyEnd(data.date, purchase.Tovar);
    data.file = filename::display(fileName);
    for (int k = 0; k < purchase.ListCount(); k += 2)
        data.items.append({purchase.List(k), purchase.List(k + 1),
                           terms.warrantyEnd(data.date, purchase.Tovar, purchase.List(k))});
    return data;
}

QString SlipTemplate::fileName()
{
    return QStringLiteral("Гарантийный талон.html");
}

SlipTemplate SlipTemplate::invalid(const QString &why)
{
    SlipTemplate t;
    t.m_error = why;
    return t;
}

SlipTemplate SlipTemplate::load(const QString &bazaPath)
{
    const UniqueFd folder = ownfolder::openPath(bazaPath);
    QByteArray bytes;
    const QByteArray native = filename::encode(fileName());
    FileError error = folder.isOpen()
                          ? safefile::readFile(folder.get(), native.constData(), bytes, kMaxFileBytes + 1)
                          : classifyErrno(errno);
    const QString putBack = QStringLiteral(" Можно вернуть шаблон, поставляемый с программой.");
    if (error != FileError::None) {
        SlipTemplate t = invalid(QStringLiteral("Шаблон гарантийного талона: ") +
                                 readFailureMessage(fileName(), error) + putBack);
        t.m_missing = error == FileError::NotFound && folder.isOpen();
        return t;
    }
    if (bytes.size() > kMaxFileBytes)
        return invalid(QStringLiteral("Шаблон гарантийного талона: файл %1 больше %2 КБ, это не шаблон.")
                           .arg(quotedName())
                           .arg(kMaxFileBytes / 1024) +
                       putBack);
    SlipTemplate t = fromHtml(decodeTemplate(bytes));
    if (!t.isValid())
        t.m_error += putBack;
    return t;
}

SlipTemplate SlipTemplate::fromHtml(const QString &html)
{
    SlipTemplate t;
    QList<Part> *parts = &t.m_before;
    int blocks = 0;
    qsizetype pos = 0;
    for (;;) {
        qsizetype open = html.indexOf(QStringLiteral("{{"), pos);
        // What an HTML comment holds is no placeholder: the shipped template explains them there.
        for (qsizetype comment = html.indexOf(QStringLiteral("<!--"), pos); comment >= 0 && comment < open;
             comment = html.indexOf(QStringLiteral("<!--"), comment + 1)) {
            const qsizetype end = html.indexOf(QStringLiteral("-->"), comment + 4);
            open = end < 0 ? -1 : html.indexOf(QStringLiteral("{{"), end + 3);
            comment = end < 0 ? html.size() : end;
        }
        const qsizetype close = open < 0 ? -1 : html.indexOf(QStringLiteral("}}"), open + 2);
        if (close < 0) {
            parts->append({html.mid(pos), {}});
            break;
        }
        const QString name = html.mid(open + 2, close - open - 2).trimmed();
        const QString text = html.mid(pos, open - pos);
        pos = close + 2;
        const bool inItems = parts == &t.m_item;
        if (name == kItemsStart) {
            if (inItems || ++blocks > 1)
                return invalid(
                    QStringLiteral("В шаблоне гарантийного талона (файл %1) блок изделий {{#items}} "
                                   "встречается больше одного раза.")
                        .arg(quotedName()));
            parts->append({text, {}});
            parts = &t.m_item;
        } else if (name == kItemsEnd) {
            if (!inItems)
                return invalid(QStringLiteral("В шаблоне гарантийного талона (файл %1) {{/items}} стоит без "
                                              "начала блока {{#items}}.")
                                   .arg(quotedName()));
            parts->append({text, {}});
            parts = &t.m_after;
        } else if (outerNames().contains(name) || (inItems && itemNames().contains(name))) {
            parts->append({text, name});
        } else {
            return invalid(QStringLiteral("В шаблоне гарантийного талона (файл %1) неизвестная подстановка "
                                          "{{%2}}.")
                               .arg(quotedName(), name.left(40)));
        }
    }
    if (parts == &t.m_item)
        return invalid(
            QStringLiteral("В шаблоне гарантийного талона (файл %1) блок изделий не закрыт: нет {{/items}}.")
                .arg(quotedName()));
    if (blocks == 0)
        return invalid(QStringLiteral("В шаблоне гарантийного талона (файл %1) нет блока изделий: "
                                      "{{#items}} … {{/items}}.")
                           .arg(quotedName()));
    return t;
}

QString SlipTemplate::filled(const QList<Part> &parts, const SlipData &data, const SlipData::Item *item)
{
    QString out;
    for (const Part &part : parts) {
        out += part.text;
        const QString &name = part.placeholder;
        if (name.isEmpty())
            continue;
        QString value;
        if (name == u"date")
            value = data.date.isValid() ? dateText(data.date) : data.dateText;
        else if (name == u"customer")
            value = data.customer;
        else if (name == u"phones")
            value = data.phones;
        else if (name == u"goods")
            value = data.goods;
        else if (name == u"sum")
            value = data.sum;
        else if (name == u"file")
            value = data.file;
        else if (name == u"warranty_end")
            value = dateText(item ? item->warrantyEnd : data.warrantyEnd);
        else if (name == u"item" && item)
            value = item->name;
        else if (name == u"serial" && item)
            value = item->serial;
        out += escaped(value);
    }
    return out;
}

QString SlipTemplate::fill(const SlipData &data) const
{
    if (!isValid())
        return {};
    QString out = filled(m_before, data, nullptr);
    for (const SlipData::Item &item : data.items)
        out += filled(m_item, data, &item);
    return out + filled(m_after, data, nullptr);
}

QByteArray SlipTemplate::shippedBytes()
{
    // As the build step ships it into the data folder: Windows-1251, CR LF.
    QFile source(QStringLiteral(":/report/slip.utf8.html"));
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(source.readAll());
    text.remove(QLatin1Char('\r'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return cp1251::encode(text);
}

FileError SlipTemplate::restoreShipped(const QString &bazaPath)
{
    const QByteArray shipped = shippedBytes();
    const UniqueFd folder = ownfolder::openPath(bazaPath);
    if (shipped.isEmpty())
        return FileError::Other;
    if (!folder.isOpen())
        return classifyErrno(errno);
    return safefile::rewriteLocked(folder.get(), filename::encode(fileName()),
                                   safefile::ReadLimit::FirstBytes, [&](const QByteArray *current) {
                                       safefile::Rewrite rewrite = safefile::Rewrite::writing(shipped);
                                       if (current && !current->isEmpty() && *current != shipped &&
                                           current->size() <= CardHistory::kMaxBytes) {
                                           const QByteArray replaced = *current;
                                           rewrite.beforeRename = [bazaPath, replaced] {
                                               return CardHistory(bazaPath).keep(fileName(), replaced, 0);
                                           };
                                       }
                                       return rewrite;
                                   });
}
