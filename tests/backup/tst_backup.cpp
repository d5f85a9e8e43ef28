#include "ArchiveCheck.h"
#include "Backup.h"
#include "BaseRestore.h"
#include "CardHistory.h"
#include "DailyBackup.h"
#include "FileLock.h"
#include "Rotation.h"
#include "TestFiles.h"
#include "Utf8Locale.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <csignal>
#include <cstring>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using testfiles::readAll;
using testfiles::tree;
using testfiles::writeAll;
using Files = QMap<QByteArray, QByteArray>;               // UTF-8 name -> bytes
using Entries = QList<std::pair<QByteArray, QByteArray>>; // an archive's, in order

namespace {

// The archive's entries as libarchive reads them, and each entry's modification time.
Files readZip(const QString &path, QMap<QByteArray, qint64> *mtimes = nullptr,
              QList<QByteArray> *order = nullptr)
{
    const Utf8Locale utf8;
    Files files;
    archive *a = archive_read_new();
    archive_read_support_format_zip(a);
    archive_entry *e = nullptr;
    if (archive_read_open_filename(a, QFile::encodeName(path).constData(), 65536) == ARCHIVE_OK)
        while (archive_read_next_header(a, &e) == ARCHIVE_OK) {
            QByteArray bytes(qsizetype(archive_entry_size(e)), '\0');
            archive_read_data(a, bytes.data(), size_t(bytes.size()));
            files.insert(archive_entry_pathname_utf8(e), bytes);
            if (order)
                order->append(archive_entry_pathname_utf8(e));
            if (mtimes)
                mtimes->insert(archive_entry_pathname_utf8(e), archive_entry_mtime(e));
        }
    archive_read_free(a);
    return files;
}

// Makes the zip's local and central headers of the entry `name` claim `size` bytes for it.
void claimSize(QByteArray &zip, const QByteArray &name, quint32 size)
{
    for (const auto &[header, sizeAt, nameAt] :
         {std::tuple("PK\x03\x04", 22, 30), std::tuple("PK\x01\x02", 24, 46)})
        for (qsizetype at = zip.indexOf(header); at >= 0; at = zip.indexOf(header, at + 1))
            if (zip.mid(at + nameAt, name.size()) == name)
                qToLittleEndian(size, zip.data() + at + sizeAt);
}

// A zip of the entries given as name -> bytes; a name ending in ">target" is a link, one ending
// in "<size" claims that size in its headers.
void writeZip(const QString &path, const Entries &entries)
{
    const Utf8Locale utf8;
    archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_set_options(a, "hdrcharset=UTF-8");
    archive_write_open_filename(a, QFile::encodeName(path).constData());
    for (auto e = entries.cbegin(); e != entries.cend(); ++e) {
        archive_entry *entry = archive_entry_new();
        const QList<QByteArray> link = e->first.split('<').first().split('>');
        archive_entry_set_pathname_utf8(entry, link.first().constData());
        archive_entry_set_filetype(entry, link.size() > 1 ? AE_IFLNK : AE_IFREG);
        if (link.size() > 1)
            archive_entry_set_symlink(entry, link.last().constData());
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, link.size() > 1 ? 0 : e->second.size());
        archive_write_header(a, entry);
        archive_write_data(a, e->second.constData(), size_t(e->second.size()));
        archive_entry_free(entry);
    }
    archive_write_free(a);
    QByteArray zip = readAll(path);
    for (const auto &[name, bytes] : entries)
        if (const QList<QByteArray> claim = name.split('<'); claim.size() > 1)
            claimSize(zip, claim.first(), claim.last().toUInt());
    writeAll(path, zip);
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir{QStringLiteral("/tmp/tarvesko-XXXXXX")}; // where "nobody" can reach it
    QString m_baza;
    Files m_files; // what the backup must hold
    backup::Sources sources() const { return {m_baza, m_dir.filePath(QStringLiteral("Товары.txt"))}; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    // A data folder with Cyrillic names, hidden history, temporaries, locks, a link and a pipe.
    void initTestCase()
    {
        std::setlocale(LC_ALL, "C");
        ::umask(022);
        QVERIFY(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0);
        m_baza = path(QStringLiteral("База"));
        QVERIFY(QDir().mkpath(m_baza + QStringLiteral("/.history/01")) &&
                QDir().mkpath(m_baza + QStringLiteral("/.restore-new/База")));
        for (const char *name : {"00000001.dat", "Справка.html", "Иванов Пётр.dat", ".history/00000001.dat",
                                 ".history/01/00000002.dat"}) {
            // The help page is long enough to be deflated; the cards are stored.
            const QByteArray bytes = testfiles::crlf({QStringLiteral("Сидоров"), QString::fromUtf8(name)})
                                         .repeated(std::strcmp(name, "Справка.html") == 0 ? 100 : 1);
            QVERIFY(writeAll(m_baza + '/' + QString::fromUtf8(name), bytes));
            m_files.insert(QByteArray("База/") + name, bytes);
        }
        QVERIFY(writeAll(path(QStringLiteral("Товары.txt")), "Телевизор\r\n"));
        m_files.insert("Товары.txt", "Телевизор\r\n");
        for (const char *name : {".~a1b2c3d4", ".tarvesko.lock", ".history/.~zz000000", ".Товары.lock",
                                 ".restore-journal", ".restore-new/База/00000009.dat"})
            QVERIFY(writeAll(m_baza + '/' + QString::fromUtf8(name), "x"));
        const QByteArray card = QFile::encodeName(m_baza + QStringLiteral("/00000001.dat"));
        QVERIFY(
            QFile::link(m_baza + QStringLiteral("/00000001.dat"), m_baza + QStringLiteral("/ссылка.dat")));
        QVERIFY(::mkfifo(QFile::encodeName(m_baza + QStringLiteral("/канал.dat")).constData(), 0644) == 0);
        const timeval times[2] = {{1600000000, 0}, {1600000000, 0}};
        QVERIFY(::utimes(card.constData(), times) == 0);
    }

    void roundTripKeepsNamesBytesAndTimesAndIsChecked()
    {
        const QString zip = path(QStringLiteral("копия.zip"));
        QList<std::pair<qint64, qint64>> calls;
        const backup::Result r = backup::writeBackup(sources(), zip, [&](qint64 done, qint64 total) {
            calls.append({done, total});
            return true;
        });
        QCOMPARE(r.status, backup::Status::Done);
        QMap<QByteArray, qint64> mtimes;
        QCOMPARE(readZip(zip, &mtimes), m_files);
        QCOMPARE(mtimes.value("База/00000001.dat"), 1600000000);
        QVERIFY(readAll(zip).at(7) & 0x08); // the first entry's language-encoding flag: UTF-8 names
        QCOMPARE(calls.last(), std::make_pair(qint64(12), qint64(12)));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary left

        // The check finds an archive that lost or gained an entry or has a damaged byte.
        QList<QByteArray> order; // the entries as written
        const Files written = readZip(zip, nullptr, &order);
        const auto checksums = [&written](const QList<QByteArray> &names) {
            backup::Checksums sums([names](qsizetype i) { return names[i]; });
            for (qsizetype i = 0; i < names.size(); ++i)
                sums.append(i, QCryptographicHash::hash(written.value(names[i]), QCryptographicHash::Sha256));
            return sums;
        };
        QCOMPARE(backup::checkArchive(zip, checksums(order)), backup::CheckOutcome::Matches);
        QCOMPARE(backup::checkArchive(zip, checksums(order + QList<QByteArray>{"База/00000009.dat"})),
                 backup::CheckOutcome::Differs);
        QCOMPARE(backup::checkArchive(zip, checksums(order.mid(0, order.size() - 1))),
                 backup::CheckOutcome::Differs);
        QList<QByteArray> swapped = order;
        swapped.swapItemsAt(0, 1);
        QCOMPARE(backup::checkArchive(zip, checksums(swapped)), backup::CheckOutcome::Differs);
        QByteArray bytes = readAll(zip);
        const qsizetype end = bytes.indexOf("PK\x07\x08"); // the data descriptor after the first entry
        QVERIFY(end > 30);
        bytes[end - 1] ^= 0x55;
        QVERIFY(writeAll(zip, bytes));
        QCOMPARE(backup::checkArchive(zip, checksums(order)), backup::CheckOutcome::Differs);
    }

    // Each failure runs in a child (as "nobody" when the tests run as root); the existing target
    // stays byte for byte and no temporary file is left.
    void failuresLeaveTheTargetUntouched_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<QString>("unreadable"); // a file of the data folder made unreadable
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<QString>("message"); // what it must contain; empty: cancelled
        QTest::newRow("missing folder") << -1 << "" << 0 << "папка";
        QTest::newRow("read-only folder") << 0555 << "" << 0 << "нет доступа для записи";
        QTest::newRow("unreadable card") << 0777 << "Справка.html" << 0 << "\"База/Справка.html\"";
        QTest::newRow("disk full") << 0777 << "" << 600 << "не хватает места";
        QTest::newRow("cancelled") << 0777 << "" << 0 << "";
    }

    void failuresLeaveTheTargetUntouched()
    {
        QFETCH(int, folderMode);
        QFETCH(QString, unreadable);
        QFETCH(int, sizeLimit);
        QFETCH(QString, message);
        const QString out = path(QString::fromUtf8(QTest::currentDataTag())); // missing unless made here
        const QString zip = out + QStringLiteral("/копия.zip");
        if (folderMode >= 0)
            QVERIFY(QDir().mkpath(out) && writeAll(zip, "old") &&
                    ::chmod(QFile::encodeName(out).constData(), mode_t(folderMode)) == 0);
        const QByteArray locked = QFile::encodeName(m_baza + '/' + unreadable);
        if (!unreadable.isEmpty())
            QVERIFY(::chmod(locked.constData(), 0) == 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(99);
            const rlimit limit{rlim_t(sizeLimit), rlim_t(sizeLimit)};
            ::signal(SIGXFSZ, SIG_IGN);
            if (sizeLimit > 0)
                ::setrlimit(RLIMIT_FSIZE, &limit);
            const backup::Result r = backup::writeBackup(
                sources(), zip, [&](qint64 done, qint64) { return !message.isEmpty() || done < 3; });
            const bool expected = message.isEmpty()
                                      ? r.status == backup::Status::Cancelled && r.message.isEmpty()
                                      : r.status == backup::Status::Failed && r.message.contains(message);
            ::_exit(expected ? 0 : 1);
        }
        int status = -1;
        ::waitpid(pid, &status, 0);
        if (!unreadable.isEmpty())
            ::chmod(locked.constData(), 0644);
        QCOMPARE(status, 0);
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                 folderMode >= 0 ? QStringList{QStringLiteral("копия.zip")} : QStringList{});
        if (folderMode >= 0)
            QCOMPARE(readAll(zip), QByteArray("old"));
    }

    void rotation_data()
    {
        QTest::addColumn<QStringList>("dates");   // of the backups in the folder
        QTest::addColumn<QStringList>("removed"); // of those, the ones to remove
        QTest::addColumn<QStringList>("others");  // other names, never removed
        const auto days = [](const char *first, int count) {
            QStringList out;
            for (QDate d = QDate::fromString(QString::fromLatin1(first), Qt::ISODate); out.size() < count;)
                out << d.addDays(out.size()).toString(Qt::ISODate);
            return out;
        };
        // Kept: 24-30 (weeks 48, 49), then the newest of weeks 47, 46, 45, 44: 22, 15, 8, 1.
        QStringList removed = days("2026-11-02", 22);
        for (const char *kept : {"2026-11-08", "2026-11-15", "2026-11-22"})
            removed.removeOne(QString::fromLatin1(kept));
        QTest::newRow("thirty days") << days("2026-11-01", 30) << removed << QStringList{};
        // 28 Dec 2026 to 3 Jan 2027 is one ISO week, the 53rd of 2026.
        QTest::newRow("year's end") << days("2027-01-20", 7) + QStringList{"2027-01-03", "2026-12-28",
                                                                           "2026-12-27", "2026-12-20",
                                                                           "2026-12-13", "2026-12-06"}
                                    << QStringList{"2026-12-28", "2026-12-06"} << QStringList{};
        QTest::newRow("other names") << days("2026-01-01", 8) << QStringList{"2026-01-01"}
                                     << QStringList{"Тарвеско 2025-02-30.zip", "тарвеско 2025-01-01.zip",
                                                    "Тарвеско 2025-1-01.zip",  "Тарвеско 2025-01-01.zip.bak",
                                                    "Тарвеско ٢٠٢٥-٠١-٠١.zip", "заметки.txt"};
    }

    void rotation()
    {
        QFETCH(QStringList, dates);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, others);
        const auto names = [](const QStringList &days) {
            QStringList out;
            for (const QString &d : days)
                out << backup::dailyBackupName(QDate::fromString(d, Qt::ISODate));
            return out;
        };
        QStringList result = backup::backupsToRemove(others + names(dates));
        QStringList expected = names(removed);
        result.sort();
        expected.sort();
        QCOMPARE(result, expected);
    }

    // Backup, wreck the base, restore: the base and "Товары.txt" are back byte for byte, the
    // wrecked base is in the safety copy; a restore killed half-way is completed at the next start.
    void restoreGivesTheBaseBack()
    {
        QTemporaryDir dir; // the base reached through a link, as an installed program reaches it
        const QString baza = dir.filePath(QStringLiteral("База")) + '/';
        const backup::Sources src{baza, dir.filePath(QStringLiteral("Товары.txt"))};
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("данные/База/.history"))));
        QVERIFY(
            QFile::link(dir.filePath(QStringLiteral("данные/База")), dir.filePath(QStringLiteral("База"))));
        for (const char *name : {"00000001.dat", "00000002.dat"})
            QVERIFY(writeAll(baza + QString::fromUtf8(name), QByteArray("Иванов\r\n") + name));
        QVERIFY(writeAll(baza + QStringLiteral(".history/00000001.dat.v"),
                         CardHistory::serialize({{QDateTime::currentDateTimeUtc(), "Иванов\r\n", 0}})));
        QVERIFY(writeAll(src.goodsPath, "Фен\r\n"));
        const Files before = tree(dir.path());
        const QString zip = dir.filePath(QStringLiteral("копия.zip"));
        QCOMPARE(backup::writeBackup(src, zip).status, backup::Status::Done);

        QVERIFY(writeAll(baza + QStringLiteral("00000001.dat"), "wrecked") &&
                QFile::remove(baza + "00000002.dat"));
        QVERIFY(writeAll(baza + QStringLiteral("00000003.dat"), "new") && writeAll(src.goodsPath, "x"));
        const Files wrecked = tree(dir.path());
        const backup::RestoreResult restored =
            backup::restoreBackup(src, zip, dir.filePath(QStringLiteral("Копии")));
        QCOMPARE(restored.status, backup::Status::Done);
        QCOMPARE(tree(dir.path()), before);
        QCOMPARE(readZip(restored.safetyCopy).value("База/00000003.dat"), QByteArray("new"));
        QVERIFY(!backup::finishInterruptedRestore(baza, src.goodsPath));

        // Killed after two of the wrecked files were moved aside: the next start ends the move.
        for (auto f = wrecked.cbegin(); f != wrecked.cend(); ++f) {
            const QString staged =
                baza + ".restore-new/" + QString::fromUtf8(f.key()).remove(QStringLiteral("данные/"));
            QVERIFY(QDir().mkpath(QFileInfo(staged).path()) && writeAll(staged, f.value()));
        }
        QVERIFY(QDir().mkpath(baza + ".restore-old"));
        QVERIFY(QDir().rename(baza + "00000001.dat", baza + ".restore-old/00000001.dat"));
        QVERIFY(QDir().rename(baza + ".history", baza + ".restore-old/.history"));
        QVERIFY(writeAll(baza + ".restore-journal", "old"));
        QVERIFY(backup::finishInterruptedRestore(baza, src.goodsPath));
        QCOMPARE(tree(dir.path()), wrecked);
    }

    // What another member of the group planted among the restore's own names in the base: a
    // journal naming a file, or a link to a folder outside. Neither the next start nor a restore
    // writes, removes or enters anything outside; the restore says what it refused.
    void plantedRestoreNamesReachNothingOutside_data()
    {
        QTest::addColumn<QByteArray>("journal"); // empty: none
        QTest::addColumn<QString>("link");       // the name planted as a link to the folder outside
        QTest::newRow("a journal naming a file outside") << QByteArray("new\n<outside>/личное") << "";
        QTest::newRow("the unpacked base a link") << QByteArray("new") << ".restore-new";
        QTest::newRow("the old base a link") << QByteArray("old") << ".restore-old";
        QTest::newRow("the unpacked base a link, no journal") << QByteArray() << ".restore-new";
        QTest::newRow("the old base a link, no journal") << QByteArray() << ".restore-old";
    }

    void plantedRestoreNamesReachNothingOutside()
    {
        QFETCH(QByteArray, journal);
        QFETCH(QString, link);
        QTemporaryDir dir;
        const QString baza = dir.filePath(QStringLiteral("База")) + '/';
        const QString outside = dir.filePath(QStringLiteral("снаружи"));
        const backup::Sources src{baza, dir.filePath(QStringLiteral("Товары.txt"))};
        QVERIFY(QDir().mkpath(baza) && QDir().mkpath(outside) && writeAll(outside + "/личное", "чужое"));
        QVERIFY(writeAll(baza + "00000001.dat", "Иванов\r\n") && writeAll(src.goodsPath, "Фен\r\n"));
        const QString zip = dir.filePath(QStringLiteral("копия.zip"));
        QCOMPARE(backup::writeBackup(src, zip).status, backup::Status::Done);
        if (!journal.isEmpty()) // with what that restore would have unpacked
            QVERIFY(QDir().mkpath(baza + ".restore-new/База") &&
                    writeAll(baza + ".restore-new/Товары.txt", "подложено") &&
                    writeAll(baza + ".restore-new/База/00000001.dat", "подложено") &&
                    writeAll(baza + ".restore-journal", journal.replace("<outside>", outside.toUtf8())));
        if (!link.isEmpty())
            QVERIFY(QDir(baza + link).removeRecursively() && QFile::link(outside, baza + link));
        const Files before = tree(dir.path());
        QVERIFY(!backup::finishInterruptedRestore(baza, src.goodsPath));
        const backup::RestoreResult restored =
            backup::restoreBackup(src, zip, dir.filePath(QStringLiteral("Копии")));
        QCOMPARE(restored.status, backup::Status::Failed);
        QVERIFY2(restored.message.contains(journal.isEmpty() ? link : QStringLiteral(".restore-journal")),
                 qPrintable(restored.message));
        QCOMPARE(tree(dir.path()), before); // the outside file, the base and "Товары.txt" too
    }

    // A journal of the right word, forged by a member of the group with a base and goods of his
    // own beside it: the next start (as root, say) takes the cards in, which he could write
    // anyway, but not goods he may not write.
    void aForgedJournalGivesNoGoodsItsWriterCouldNotWrite()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to give the journal another owner");
        QTemporaryDir dir;
        const QString baza = dir.filePath(QStringLiteral("База")) + '/';
        const QString goods = dir.filePath(QStringLiteral("Товары.txt"));
        QVERIFY(QDir().mkpath(baza + ".restore-new/База") && writeAll(goods, "Фен\r\n") &&
                ::chmod(QFile::encodeName(goods).constData(), 0644) == 0);
        QVERIFY(writeAll(baza + ".restore-new/Товары.txt", "подложено") &&
                writeAll(baza + ".restore-new/База/00000001.dat", "подложено") &&
                writeAll(baza + ".restore-journal", "new"));
        QCOMPARE(::lchown(QFile::encodeName(baza + ".restore-journal").constData(), 60001, 60001), 0);
        QVERIFY(backup::finishInterruptedRestore(baza, goods));
        QCOMPARE(readAll(goods), QByteArray("Фен\r\n"));
        QCOMPARE(readAll(baza + "00000001.dat"), QByteArray("подложено"));
    }

    // What is no backup of this program is refused with a message, and the base stays as it is.
    void foreignOrDamagedArchivesAreRefused_data()
    {
        QTest::addColumn<Entries>("entries"); // empty: the backup of the test's folder, cut in half
        QTest::addColumn<QString>("why");     // what the message says
        const QByteArray card = "База/00000001.dat";
        QTest::newRow("a name with ..") << Entries{{"База/../../evil.dat", "x"}} << "не файл базы";
        QTest::newRow("an absolute name") << Entries{{"/tmp/evil.dat", "x"}} << "не файл базы";
        QTest::newRow("a link") << Entries{{card, "x"}, {"База/ссылка.dat>/etc/passwd", ""}}
                                << "не файл базы";
        QTest::newRow("another program's files") << Entries{{"readme.txt", "x"}} << "не файл базы";
        QTest::newRow("no base in it") << Entries{{"Товары.txt", "x"}} << "нет папки";
        QTest::newRow("cut off") << Entries{} << "повреждён";
        QTest::newRow("a huge goods file") << Entries{{"Товары.txt<4000000000", "x"}, {card, "x"}} << "велик";
        QTest::newRow("a name twice") << Entries{{card, "x"}, {card, "y"}} << "дважды";
        QTest::newRow("a negative count in a history")
            << Entries{{card, "x"}, {"База/.history/00000001.dat.v", "V 1600000000000 1 -5\nx"}} << "истори";
        QTest::newRow("a history longer than its file")
            << Entries{{card, "x"}, {"База/.history/00000001.dat.v", "V 1600000000000 9 0\nx"}} << "истори";
    }

    void foreignOrDamagedArchivesAreRefused()
    {
        QFETCH(Entries, entries);
        QFETCH(QString, why);
        const QString zip = path(QStringLiteral("чужой.zip"));
        if (entries.isEmpty()) {
            QCOMPARE(backup::writeBackup(sources(), zip).status, backup::Status::Done);
            const QByteArray bytes = readAll(zip);
            QVERIFY(writeAll(zip, bytes.left(bytes.size() / 2)));
        } else {
            writeZip(zip, entries);
        }
        const Files base = tree(m_dir.path());
        const backup::ArchiveReading reading = backup::readArchive(zip);
        QVERIFY(!reading.ok);
        QVERIFY2(reading.message.startsWith(QStringLiteral("Файл \"")) && reading.message.contains(why),
                 qPrintable(reading.message));
        const backup::RestoreResult restored =
            backup::restoreBackup(sources(), zip, path(QStringLiteral("Копии")));
        QCOMPARE(restored.status, backup::Status::Failed);
        QCOMPARE(tree(m_dir.path()), base);
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/evil.dat")));
    }

    // Once a day, not while another till holds the folder's lock; old backups go by the rule.
    void dailyBackupOnceADay()
    {
        const QString shared = path(QStringLiteral("общая"));
        QVERIFY(QDir().mkpath(shared) && ::chmod(QFile::encodeName(shared).constData(), 0775) == 0);
        const QString folder = shared + QStringLiteral("/Копии");
        const QDate today(2026, 12, 8);
        QCOMPARE(backup::runIfDue(sources(), folder, today).status, backup::DailyStatus::Done);
        QVERIFY(QFileInfo(folder).permissions() & QFile::WriteGroup);
        QVERIFY(QFileInfo(folder + '/' + backup::dailyBackupName(today)).permissions() & QFile::WriteGroup);
        QCOMPARE(backup::runIfDue(sources(), folder, today).status, backup::DailyStatus::SkippedDone);

        for (int i = 1; i <= 40; ++i)
            QVERIFY(writeAll(folder + '/' + backup::dailyBackupName(today.addDays(-i)), "old"));
        QVERIFY(writeAll(folder + QStringLiteral("/заметки.txt"), "keep"));
        std::optional<FileLock> other =
            FileLock::acquire(folder + QStringLiteral("/.tarvesko-backup.lock"), 0);
        QVERIFY(other);
        QCOMPARE(backup::runIfDue(sources(), folder, today.addDays(1)).status,
                 backup::DailyStatus::SkippedBusy);
        other.reset();
        QCOMPARE(backup::runIfDue(sources(), folder, today.addDays(1)).status, backup::DailyStatus::Done);
        QCOMPARE(readZip(folder + '/' + backup::dailyBackupName(today.addDays(1))), m_files);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 7 + 4 + 1);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
