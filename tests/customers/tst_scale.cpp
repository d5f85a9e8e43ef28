// A base of 40,000 customers: every card is listed and counted, the list keeps the collator's
// order, and the card at position 39,999 opens from the list. Positions, list lines and the
// position passed to the card opener all go past 32,767.
#include "BazaScan.h"
#include "CardFile.h"
#include "Collation.h"
#include "CustomerBase.h"
#include "FioOrder.h"
#include "FrmForma.h"
#include "KlientIndex.h"
#include "NumberForm.h"
#include "RecordingDialogs.h"
#include "Shop.h"
#include "UsrForma.h"

#include <QCollatorSortKey>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fcntl.h>
#include <numeric>
#include <unistd.h>

namespace {

constexpr int kCards = 40000;
constexpr int kLast = kCards - 1;
// Sorts after every other name of the folder.
const QString kLastName = QStringLiteral("Ящук Ярослав Янович");
// Positions holding the same full name in different letter cases: they are listed in the text
// order of their positions.
const QList<int> kTwins{9, 10, 32767, 32768, 39998};

const char *const kSurnames[] = {"Иванов", "иванов",  "ИВАНОВ",   "Фёдоров", "Федоров",       "Ёлкин",
                                 "Елкин",  "Абрамов", "Абрамова", "Петров",  "Петров-Водкин", "Д'Артаньян",
                                 "Шмидт",  "Яковлев", "Жуков",    "Щукин",   "Эйхвальд",      "Юдин",
                                 "Цой",    "О'Нил",   "Кузнецова"};
const char *const kNames[] = {"Пётр", "Петр", "Иван",  "Анна", "Алёна", "Олег",
                              "Ян",   "Джон", "Мария", "Юрий", ""};
const char *const kPatronymics[] = {"Ильич", "Петрович", "Семёнович", "Ивановна", "", "Олегович", "Юрьевна"};

template <size_t N> QString pick(const char *const (&list)[N], int k)
{
    return QString::fromUtf8(list[size_t(k) % N]);
}

QString cardName(int position)
{
    return QStringLiteral("%1.dat").arg(position + 1, 8, 10, QLatin1Char('0'));
}

QStringList nameAt(int position)
{
    if (position == kLast)
        return kLastName.split(QLatin1Char(' '));
    if (kTwins.contains(position))
        return {position % 2 ? QStringLiteral("одинаков") : QStringLiteral("Одинаков"),
                QStringLiteral("Олег"), QStringLiteral("Олегович")};
    return {pick(kSurnames, position), pick(kNames, position / 21), pick(kPatronymics, position / 231)};
}

// The order as the collator's sort keys of "<FIO>|<position>" give it, compared whole.
QList<int> collatorKeyOrder(const KlientIndex &index)
{
    const QCollator collator = russianCollator();
    std::vector<QCollatorSortKey> keys;
    for (int p = 0; p < index.KlientCount(); ++p)
        keys.push_back(collator.sortKey(index.at(p).FIO + QLatin1Char('|') + numform::numText(p)));
    QList<int> order(index.KlientCount());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    return order;
}

// `count` customers whose names are drawn from `alphabet`, with many names repeated.
KlientIndex randomNames(const QString &alphabet, int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    QStringList pool;
    for (int i = 0; i < count / 4; ++i) {
        QString word;
        const int len = 1 + int(rng.bounded(7));
        for (int c = 0; c < len; ++c)
            word += alphabet[int(rng.bounded(quint32(alphabet.size())))];
        pool << word;
    }
    KlientIndex index;
    for (int p = 0; p < count; ++p)
        index.append(makeKlientRec(cardName(p), pool[int(rng.bounded(quint32(pool.size())))],
                                   pool[int(rng.bounded(quint32(pool.size())))], pool[int(rng.bounded(4))],
                                   {}, {}));
    return index;
}

} // namespace

class TestScale : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_baza;

    static QString rowText(QListView *list, int row)
    {
        return list->model()->index(row, 0).data().toString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_baza = m_dir.path() + QStringLiteral("/База/");
        QVERIFY(QDir().mkpath(m_baza));
        for (int p = 0; p < kCards; ++p) {
            const QStringList fio = nameAt(p);
            Card card;
            card.header = {fio[0],    fio[1],
                           fio[2],    QString::number(2000000 + p),
                           QString(), QStringLiteral("5"),
                           2,         QStringLiteral("1970")};
            const QByteArray bytes = cardfile::serialize(card);
            const int fd = ::open(QFile::encodeName(m_baza + cardName(p)).constData(),
                                  O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
            ::close(fd);
        }
    }

    // The panel lists and counts every card; the numbers and the mapping from a line to its card
    // hold past 32,767.
    void listsAndCountsEveryCard()
    {
        CustomerBase base(m_baza);
        base.LoadBaza();
        UsrForma panel(base);
        QCOMPARE(base.index().KlientCount(), kCards);
        QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("VsegoLbl"))->text(), QStringLiteral(" 40000"));
        QListView *list = panel.fioList();
        QCOMPARE(list->model()->rowCount(), kCards);
        QCOMPARE(rowText(list, kLast), QStringLiteral(" 40000 ") + kLastName);
        QVERIFY(rowText(list, 32768).startsWith(QStringLiteral(" 32769 ")));

        // Selecting a line past 32,767 shows its own card.
        list->setCurrentIndex(list->model()->index(kLast, 0));
        QCOMPARE(panel.SelIndex(), kLast);
        QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("FileTxt"))->text(),
                 QStringLiteral("00040000.dat"));
        QCOMPARE(panel.findChild<QLabel *>(QStringLiteral("TelTxt1"))->text(),
                 QString::number(2000000 + kLast));
    }

    // The list is the collator's order of the keys, also where equal names are ordered by the text
    // of positions on both sides of 32,767.
    void sortsAsTheCollatorDoes()
    {
        KlientIndex index;
        index.replaceAll(bazascan::scan(m_baza));
        const QList<int> order = fioOrder(index);
        QCOMPARE(order, collatorKeyOrder(index));

        QList<int> twins;
        for (int p : order)
            if (index.at(p).Familiya.compare(QStringLiteral("Одинаков"), Qt::CaseInsensitive) == 0)
                twins << p;
        QCOMPARE(twins, (QList<int>{10, 32767, 32768, 39998, 9}));
    }

    // Names of letters, digits and signs of every kind still follow the collator, those the list
    // sorts by its quick ranks and those with characters outside them.
    void anyAlphabetSortsAsTheCollatorDoes_data()
    {
        QTest::addColumn<QString>("alphabet");
        QTest::newRow("Cyrillic, case and ё") << QStringLiteral("аАбБеЕёЁжЖиИйЙоОьЬъЪэЭюЮяЯ");
        QTest::newRow("with Latin, digits and signs") << QStringLiteral("аеёЕЁaAeEzZ09 -'.,|()\"ґҐїЇєЄ");
        QTest::newRow("with characters outside the code page")
            << QStringLiteral("аеёЕaeé\u0301ßÆæ№\uFF5C|\u00A0ǅ\u0419\u0438\u0306Ω");
    }

    void anyAlphabetSortsAsTheCollatorDoes()
    {
        QFETCH(QString, alphabet);
        const KlientIndex index = randomNames(alphabet, 3000, 7);
        QCOMPARE(fioOrder(index), collatorKeyOrder(index));
    }

    // The operator opens the last line of the list; the card at position 39,999 is loaded.
    void opensTheCardAtTheLastPosition()
    {
        RecordingDialogs dialogs;
        Shop shop(m_baza, m_baza + QStringLiteral("../Товары.txt"));
        FrmForma window(shop);
        QCOMPARE(window.shop().index().KlientCount(), kCards);
        window.FileList_Click();
        QListView *list = window.usrForma()->fioList();
        list->setCurrentIndex(list->model()->index(kLast, 0));
        QTest::keyClick(list, Qt::Key_Return);

        QVERIFY(window.usrForma()->isHidden());
        QCOMPARE(window.CardIndex(), kLast);
        QCOMPARE(window.CurFile(), QStringLiteral("00040000.dat"));
        QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("BzDTxt_0"))->text(), QStringLiteral("Ящук"));
        QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("BzDTxt_5"))->text(),
                 QString::number(2000000 + kLast));

        window.OpenFile(32768);
        QCOMPARE(window.CurFile(), QStringLiteral("00032769.dat"));
        QCOMPARE(window.CardIndex(), 32768);
        QVERIFY(dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TestScale)
#include "tst_scale.moc"
