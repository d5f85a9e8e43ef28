#include "ReportBase.h"
#include "SalesExport.h"
#include "SalesReport.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// The export of the whole base, typed: "D:" a date, "N:" a number, "S:" a text; an empty cell "".
const QList<QStringList> kAllRows{
    {"S:Иванов Иван Иванович", "S:2123456", "S:00000001.dat", "D:2024-02-29", "S:Телевизор", "N:15000",
     "S:Пульт", "S:SN-Ж1", "D:2024-08-29"},
    {"S:Иванов Иван Иванович", "S:2123456", "S:00000001.dat", "D:2024-02-29", "S:Телевизор", "N:15000",
     "S:Антенна", "S:АБВ-002", "D:2025-02-28"},
    {"S:Иванов Иван Иванович", "S:2123456", "S:00000001.dat", "S:29 Февраля 2023", "S:Утюг", "N:500", "", "",
     ""},
    {"S:Иванов Иван Иванович", "S:2123456", "S:00000001.dat", "D:2024-03-05", "S:телевизор ", "S:договорная",
     "", "", "D:2025-03-05"},
    {"S:Иванов Иван Иванович", "S:2123456", "S:00000001.dat", "D:2024-12-31", "S:Пылесос", "N:1200.5", "", "",
     ""},
    {"S:Сидоров Пётр Петрович", "S:3111111", "S:00000003.dat", "D:2024-01-01", "S:Утюг", "S:-", "", "", ""},
    {"S:Сидоров Пётр Петрович", "S:3111111", "S:00000003.dat", "D:2023-06-15", "S:Пылесос", "N:999", "", "",
     ""},
    {"S:Сидоров Пётр Петрович", "S:3111111", "S:00000003.dat", "S:abc Апреля 2024", "S:=1+2", "N:10", "", "",
     ""},
    {"S:Сидоров Пётр Петрович", "S:3111111", "S:00000003.dat", "S:1 2024", "S:Фен; сушилка", "N:7.5", "", "",
     ""},
};

// The rows of 2024 alone.
QList<QStringList> rowsOf2024()
{
    return {kAllRows[0], kAllRows[1], kAllRows[3], kAllRows[4], kAllRows[5]};
}

// A typed cell as the .csv writes it.
QString csvText(const QString &cell)
{
    const QString value = cell.mid(2);
    if (cell.startsWith("D:"))
        return QDate::fromString(value, Qt::ISODate).toString("dd.MM.yyyy");
    if (cell.startsWith("N:"))
        return QString(value).replace('.', ',');
    return value.startsWith('=') ? "'" + value : value;
}

// Fields of a ";"-separated file with quotes doubled inside quoted fields.
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> rows{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"')
            field += text[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ';')
            rows.last() << std::exchange(field, {});
        else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.last() << std::exchange(field, {});
            rows.append(QStringList());
            ++i;
        } else
            field += c;
    }
    rows.removeLast();
    return rows;
}

const char kReadXlsx[] = R"(
import json, sys, datetime, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
def cell(v):
    if v is None: return ""
    if isinstance(v, datetime.datetime): return "D:" + v.date().isoformat()
    if isinstance(v, (int, float)): return "N:" + ("%g" % v)
    return "S:" + v
print(json.dumps({"freeze": ws.freeze_panes, "filter": ws.auto_filter.ref,
                  "rows": [[cell(c.value) for c in r] for r in ws.iter_rows()]}, ensure_ascii=False))
)";

} // namespace

class TestSalesReport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(m_dir.isValid());
        m_baza = m_dir.path() + "/База/";
        QVERIFY(reportbase::write(m_baza));
        // Neither is read: a link to a card would count its sales twice, a pipe would hold the reading.
        QVERIFY(QFile::link(m_baza + "00000001.dat", m_baza + "00000004.dat"));
        QCOMPARE(::mkfifo(QFile::encodeName(m_baza + "00000005.dat").constData(), 0644), 0);
    }

    void figures_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<bool>("byDay");
        QTest::addColumn<int>("points");
        QTest::addColumn<QStringList>("salesDays"); // "first day of the point:sales:sum", those with sales
        QTest::addColumn<QList<qint64>>("counts");  // sales, unreadable sums, unreadable dates
        QTest::addColumn<double>("total");
        QTest::addColumn<QStringList>("goods"); // "name:sales:sum", Russian order

        const QList<qint64> yearCounts{4, 2, 3};
        QTest::newRow("leap year by month")
            << QDate(2024, 1, 1) << QDate(2024, 12, 31) << false << 12
            << QStringList{"2024-01-01:1:0", "2024-02-01:1:15000", "2024-03-01:1:0", "2024-12-01:1:1200.5"}
            << yearCounts << 16200.5 << QStringList{"Пылесос:1:1200.5", "Телевизор:2:15000", "Утюг:1:0"};
        QTest::newRow("62 days by day")
            << QDate(2024, 2, 1) << QDate(2024, 4, 2) << true << 62
            << QStringList{"2024-02-29:1:15000", "2024-03-05:1:0"} << QList<qint64>{2, 1, 3} << 15000.0
            << QStringList{"Телевизор:2:15000"};
        QTest::newRow("63 days by month, cut at both ends")
            << QDate(2024, 2, 15) << QDate(2024, 4, 17) << false << 3
            << QStringList{"2024-02-15:1:15000", "2024-03-01:1:0"} << QList<qint64>{2, 1, 3} << 15000.0
            << QStringList{"Телевизор:2:15000"};
        QTest::newRow("no sales") << QDate(2022, 1, 1) << QDate(2022, 1, 1) << true << 1 << QStringList{}
                                  << QList<qint64>{0, 0, 3} << 0.0 << QStringList{};
    }

    void figures()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(bool, byDay);
        QFETCH(int, points);
        QFETCH(QStringList, salesDays);
        QFETCH(QList<qint64>, counts);
        QFETCH(double, total);
        QFETCH(QStringList, goods);

        const SalesReport r = SalesReport::build(m_baza, from, to);
        QCOMPARE(r.error, FileError::None);
        QCOMPARE(r.cards, 3);
        QCOMPARE((QList<qint64>{r.sales, r.unreadableSums, r.unreadableDates}), counts);
        QCOMPARE(r.total, total);
        const qint64 read = counts[0] - counts[1];
        QCOMPARE(r.average(), read ? total / double(read) : 0.0);
        QCOMPARE(r.step, byDay ? SalesReport::Step::Day : SalesReport::Step::Month);
        QCOMPARE(r.series.size(), points);
        QStringList days;
        for (const SalesReport::Point &p : r.series) {
            if (p.sales)
                days << QString("%1:%2:%3").arg(p.start.toString(Qt::ISODate)).arg(p.sales).arg(p.sum);
        }
        QCOMPARE(days, salesDays);
        QStringList rows;
        for (const SalesReport::GoodsRow &g : r.goods)
            rows << QString("%1:%2:%3").arg(g.name).arg(g.sales).arg(g.sum);
        QCOMPARE(rows, goods);
    }

    void sortsGoodsAndCancels()
    {
        SalesReport r = SalesReport::build(m_baza, QDate(2024, 1, 1), QDate(2024, 12, 31));
        SalesReport::sortGoods(r.goods, SalesReport::GoodsColumn::Sum, Qt::DescendingOrder);
        QCOMPARE(r.goods.first().name, "Телевизор");
        QCOMPARE(r.goods.last().name, "Утюг");
        const SalesReport cancelled = SalesReport::build(m_baza, QDate(2024, 1, 1), QDate(2024, 1, 2),
                                                         [](qint64, qint64) { return false; });
        QVERIFY(cancelled.cancelled);
        QCOMPARE(SalesReport::build(m_dir.path() + "/Нет/", QDate(2024, 1, 1), QDate(2024, 1, 2)).error,
                 FileError::NotFound);
    }

    void exports_data()
    {
        QTest::addColumn<bool>("wholeTime");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<qint64>("unreadableDates");
        QTest::newRow("all time") << true << kAllRows << qint64(0);
        QTest::newRow("2024") << false << rowsOf2024() << qint64(3);
    }

    void exports()
    {
        QFETCH(bool, wholeTime);
        QFETCH(QList<QStringList>, rows);
        QFETCH(qint64, unreadableDates);
        const ExportScope scope =
            wholeTime ? ExportScope{} : ExportScope{QDate(2024, 1, 1), QDate(2024, 12, 31)};
        const WarrantyTerms terms = reportbase::terms();

        const QString csv = m_dir.path() + "/покупки.csv";
        QVERIFY(testfiles::writeAll(csv, "old"));
        qint64 last = -1;
        const SalesExport::Result r = SalesExport::write(
            m_baza, terms, scope, csv, SalesExport::formatFor(csv), [&](qint64 done, qint64 all) {
                last = done == all ? done : last;
                return true;
            });
        QVERIFY2(r.done(), qPrintable(r.message));
        QCOMPARE(r.rows, rows.size());
        QCOMPARE(r.customers, 2);
        QCOMPARE(r.unreadableDates, unreadableDates);
        QVERIFY(last > 0);
        const QByteArray bytes = testfiles::readAll(csv);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QList<QStringList> expected{exportrows::captions()};
        for (const QStringList &row : rows) {
            expected.append(QStringList());
            for (const QString &cell : row)
                expected.last() << csvText(cell);
        }
        QCOMPARE(parseCsv(QString::fromUtf8(bytes.mid(3))), expected);
        QVERIFY(bytes.contains("\"телевизор \";") && (!wholeTime || bytes.contains(";\"Фен; сушилка\";")));

        // Debian's python3-openpyxl is in the system's Python, which another python3 on the path may hide.
        QString python;
        for (const QString &candidate :
             {QString("/usr/bin/python3"), QStandardPaths::findExecutable("python3")}) {
            QProcess probe;
            probe.start(candidate, {"-c", "import openpyxl"});
            if (python.isEmpty() && !candidate.isEmpty() && probe.waitForFinished() && probe.exitCode() == 0)
                python = candidate;
        }
        if (python.isEmpty())
            QSKIP("python3-openpyxl is not installed");
        const QString xlsx = m_dir.path() + "/покупки.xlsx";
        const SalesExport::Result x =
            SalesExport::write(m_baza, terms, scope, xlsx, SalesExport::formatFor(xlsx));
        QVERIFY2(x.done(), qPrintable(x.message));
        QProcess read;
        read.start(python, {"-c", kReadXlsx, xlsx});
        QVERIFY(read.waitForFinished(60000));
        QVERIFY2(read.exitCode() == 0, read.readAllStandardError().constData());
        const QVariantMap sheet = QJsonDocument::fromJson(read.readAllStandardOutput()).toVariant().toMap();
        QCOMPARE(sheet["freeze"].toString(), "A2");
        QCOMPARE(sheet["filter"].toString(), QString("A1:I%1").arg(rows.size() + 1));
        QList<QStringList> cells;
        for (const QVariant &row : sheet["rows"].toList())
            cells.append(row.toStringList());
        QStringList captions;
        for (const QString &c : exportrows::captions())
            captions << "S:" + c;
        QCOMPARE(cells, QList<QStringList>{captions} + rows);
    }

    void failedExportLeavesTargetAlone()
    {
        const QString target = m_dir.path() + "/Нет папки/покупки.xlsx";
        const SalesExport::Result missing =
            SalesExport::write(m_baza, {}, {}, target, SalesExport::Format::Xlsx);
        QCOMPARE(missing.error, FileError::NotFound);
        QCOMPARE(missing.message, "Файл \"покупки.xlsx\" сохранить не возможно.");

        const QString kept = m_dir.path() + "/прежний.csv";
        QVERIFY(testfiles::writeAll(kept, "прежний"));
        const SalesExport::Result cancelled =
            SalesExport::write(m_baza, {}, {}, kept, SalesExport::Format::Csv,
                               [](qint64 done, qint64 all) { return done <= all / 2; });
        QVERIFY(cancelled.cancelled);
        QCOMPARE(testfiles::readAll(kept), QByteArray("прежний"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Hidden | QDir::Files).filter(".~"), QStringList());
    }

private:
    QTemporaryDir m_dir;
    QString m_baza;
};

QTEST_GUILESS_MAIN(TestSalesReport)
#include "tst_salesreport.moc"
