#include "BazaWatcher.h"
#include "CardSearch.h"
#include "CustomerBase.h"
#include "Shop.h"
#include "TestFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using testfiles::crlf;
using testfiles::writeAll;

// The shop without any window: what another till does reaches the customers, the list and the
// search, held back while the window says a dialog is open; a restore is made alone or not at all.
class TestShop : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString baza() const { return m_dir.path() + QStringLiteral("/База/"); }
    QString goods() const { return m_dir.path() + QStringLiteral("/Товары.txt"); }
    void writeCard(const QString &name, const QString &surname) const
    {
        QVERIFY(writeAll(baza() + name, crlf({surname, "Иван", "Иванович", "111", "222", "1", "0", "1980"})));
    }

private slots:
    void init()
    {
        QDir(baza()).removeRecursively();
        QVERIFY(QDir().mkpath(baza()));
        writeCard("00000001.dat", "Иванов");
    }

    void anotherTillsCardsWaitWhileHeld()
    {
        Shop shop(baza(), goods());
        shop.finishStartUp();
        shop.search().waitUntilReady();
        shop.watcher().setPollInterval(std::chrono::milliseconds(50));
        bool held = true;
        shop.setHoldChanges([&held] { return held; });
        QCOMPARE(shop.openCard(0).error, FileError::None);
        QSignalSpy reported(&shop.watcher(), &BazaWatcher::cardsChanged);
        QSignalSpy changed(&shop.customers(), &CustomerBase::changed);
        QSignalSpy openCardChanged(&shop, &Shop::openCardChangedOnDisk);

        // Another till adds a card and rewrites the open one.
        writeCard("00000002.dat", "Петров");
        writeCard("new.tmp", "Иванова");
        QCOMPARE(std::rename(QFile::encodeName(baza() + "new.tmp").constData(),
                             QFile::encodeName(baza() + "00000001.dat").constData()),
                 0);
        QTRY_VERIFY(!reported.isEmpty());
        QTest::qWait(400);
        QCOMPARE(shop.index().KlientCount(), 1);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(openCardChanged.count(), 0);

        held = false;
        QTRY_COMPARE(shop.index().KlientCount(), 2);
        QCOMPARE(shop.customers().list().rowCount(), 2);
        QCOMPARE(shop.index().at(0).Familiya, QStringLiteral("Иванова"));
        QVERIFY(changed.last().at(0).toStringList().contains(QStringLiteral("00000002.dat")));
        QCOMPARE(openCardChanged.count(), 1);
        QCOMPARE(shop.search().index().cardCount(), 2);
    }

    void restoreIsMadeAloneOrNotAtAll()
    {
        const QString zip = m_dir.path() + QStringLiteral("/копия.zip");
        QCOMPARE(backup::writeBackup({baza(), goods()}, zip).status, backup::Status::Done);
        writeCard("00000002.dat", "Петров");
        Shop shop(baza(), goods());
        {
            Shop otherTill(baza(), goods());
            QCOMPARE(shop.backups().startRestore(zip), Backups::RestoreStart::OthersRun);
            QVERIFY(!shop.backups().isBusy());
        }
        QSignalSpy restored(&shop.backups(), &Backups::restoreDone);
        QCOMPARE(shop.backups().startRestore(zip), Backups::RestoreStart::Started);
        QVERIFY(Shop::heldAloneElsewhere(baza()));
        QVERIFY(restored.wait());
        QCOMPARE(restored[0][1].value<backup::RestoreResult>().status, backup::Status::Done);
        QVERIFY(!Shop::heldAloneElsewhere(baza()));
        QCOMPARE(shop.index().KlientCount(), 1); // the list as restored
    }
};

QTEST_GUILESS_MAIN(TestShop)
#include "tst_shop.moc"
