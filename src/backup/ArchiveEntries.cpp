#include "ArchiveEntries.h"

#include "BaseRestore.h"
#include "CardFile.h"
#include "CardHistory.h"
#include "FileName.h"
#include "SafeFile.h"
#include "Utf8Locale.h"

#include <QDir>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>

namespace backup {
namespace entries {

Reader openZip(const QString &zipPath)
{
    Reader reader(archive_read_new(), archive_read_free);
    if (!reader || archive_read_support_format_zip(reader.get()) != ARCHIVE_OK ||
        archive_read_open_filename(reader.get(), filename::encode(zipPath).constData(), 64 * 1024) !=
            ARCHIVE_OK)
        return Reader(nullptr, archive_read_free);
    return reader;
}

bool isControlName(const QByteArray &name)
{
    return name == ".tarvesko.lock" || name.startsWith(".restore-") || name.startsWith(".~");
}

Use useOf(const QByteArray &name)
{
    if (name == kGoodsName)
        return Use::Restore;
    if (!name.startsWith(kBazaPrefix) || name.size() == kBazaPrefix.size())
        return name == kBazaPrefix ? Use::Skip : Use::Refuse;
    QList<QByteArray> parts = name.mid(kBazaPrefix.size()).split('/');
    if (parts.size() > 1 && parts.last().isEmpty())
        parts.removeLast(); // a folder's trailing '/'
    for (const QByteArray &part : parts)
        if (part.isEmpty() || part == "." || part == "..")
            return Use::Refuse;
    return isControlName(parts.first()) ? Use::Skip : Use::Restore;
}

bool isCardName(const QByteArray &inBaza)
{
    return !inBaza.contains('/') && !inBaza.startsWith('.') && inBaza.toLower().endsWith(".dat");
}

QString EntryCheck::refusal(archive_entry *entry)
{
    const char *utf8Name = archive_entry_pathname_utf8(entry);
    const QByteArray name(utf8Name ? utf8Name : "");
    const QString shown = QString::fromUtf8(name);
    const Use use = useOf(name);
    const auto type = archive_entry_filetype(entry);
    if (use == Use::Refuse || (type != AE_IFREG && type != AE_IFDIR) || archive_entry_hardlink(entry))
        return QStringLiteral("в нём есть \"%1\" — не файл базы Тарвеско.").arg(shown);
    // Twice the same name would be unpacked over itself: the second one is no backup's.
    const QByteArray key = name.endsWith('/') ? name.chopped(1) : name;
    if (m_names.contains(key))
        return QStringLiteral("\"%1\" в нём дважды.").arg(shown);
    m_names.insert(key);
    const la_int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
    if (type == AE_IFREG && (size < 0 || size > safefile::kMaxFileBytes))
        return QStringLiteral("файл \"%1\" в нём слишком велик.").arg(shown);
    if (use == Use::Restore) {
        ++m_entries;
        m_bytes += type == AE_IFREG ? size : 0;
    }
    return QString();
}

bool EntryCheck::isHistory(const QByteArray &name)
{
    const QByteArray inBaza = name.mid(kBazaPrefix.size());
    return name.startsWith(kBazaPrefix) && inBaza.startsWith(".history/") && inBaza.count('/') == 1 &&
           inBaza.endsWith(".v");
}

QString EntryCheck::historyRefusal(const QByteArray &name, const QByteArray &bytes)
{
    const QList<CardVersion> versions = CardHistory::parse(bytes);
    const bool sound = CardHistory::serialize(versions) == bytes &&
                       std::all_of(versions.cbegin(), versions.cend(), [](const CardVersion &v) {
                           return v.purchasesAfter >= 0 && v.purchasesAfter <= safefile::kMaxFileBytes;
                       });
    return sound ? QString()
                 : QStringLiteral("история карточки \"%1\" в нём повреждена.").arg(QString::fromUtf8(name));
}

} // namespace entries

namespace {

using namespace entries;

QString notABackup(const QString &zipPath, const QString &why)
{
    return QStringLiteral("Файл \"%1\" восстановить не возможно: %2")
        .arg(QDir::toNativeSeparators(zipPath), why);
}

} // namespace

ArchiveReading readArchive(const QString &zipPath)
{
    ArchiveReading result;
    const Utf8Locale utf8;
    const Reader reader = openZip(zipPath);
    const auto refused = [&](const QString &why) {
        result.message = notABackup(zipPath, why);
        return result;
    };
    if (!reader)
        return refused(QStringLiteral("это не архив ZIP или он не читается."));
    archive_entry *entry = nullptr;
    EntryCheck check;
    bool hasBaza = false;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        if (const QString why = check.refusal(entry); !why.isEmpty())
            return refused(why);
        const QByteArray name(archive_entry_pathname_utf8(entry));
        hasBaza |= name.startsWith(kBazaPrefix);
        const bool restored = useOf(name) == Use::Restore && archive_entry_filetype(entry) == AE_IFREG;
        const bool card =
            restored && name.startsWith(kBazaPrefix) && isCardName(name.mid(kBazaPrefix.size()));
        const bool history = restored && EntryCheck::isHistory(name);
        if (!card && !history) {
            if (archive_read_data_skip(reader.get()) != ARCHIVE_OK)
                break;
            continue;
        }
        const la_int64_t size = archive_entry_size(entry);
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        if (archive_read_data(reader.get(), bytes.data(), size_t(size)) != size)
            break;
        if (const QString why = history ? EntryCheck::historyRefusal(name, bytes) : QString(); !why.isEmpty())
            return refused(why);
        if (card) {
            ++result.summary.customers;
            result.summary.purchases += cardfile::parse(bytes).pokupki.size();
            const QDateTime when = QDateTime::fromSecsSinceEpoch(archive_entry_mtime(entry));
            if (!result.summary.newest.isValid() || when > result.summary.newest)
                result.summary.newest = when;
        }
    }
    result.unpackedBytes = check.bytes();
    result.unpackedEntries = check.entries();
    if (status != ARCHIVE_EOF)
        return refused(QStringLiteral("архив повреждён или записан не до конца."));
    if (!hasBaza)
        return refused(QStringLiteral("в нём нет папки \"База\"."));
    result.ok = true;
    return result;
}

} // namespace backup
