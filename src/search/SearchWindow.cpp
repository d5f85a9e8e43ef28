#include "SearchWindow.h"

#include "CardSearch.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTableView>
#include <QVBoxLayout>

SearchWindow::SearchWindow(CardSearch &search, QWidget *parent)
    : QWidget(parent, Qt::Window), m_search(search),
      m_model([&search](const SearchHit &hit) { return search.row(hit); }, this)
{
    setObjectName(QStringLiteral("Poisk"));
    setWindowTitle(QStringLiteral("Поиск"));
    resize(760, 420);

    m_query = new QLineEdit(this);
    m_query->setObjectName(QStringLiteral("PoiskTxt"));
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("PoiskLst"));
    m_table->setModel(&m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Columns fit their texts, judged by the first rows so that a long result stays quick.
    m_table->horizontalHeader()->setResizeContentsPrecision(50);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("PoiskCount"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_query);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_count);

    m_query->installEventFilter(this);
    m_table->installEventFilter(this);
    connect(m_query, &QLineEdit::textChanged, this, &SearchWindow::refresh);
    connect(m_table, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { chooseRow(index.row()); });
    connect(&m_search, &CardSearch::ready, this, &SearchWindow::refresh);
    connect(&m_search, &CardSearch::changed, this, &SearchWindow::refresh);
    refresh();
}

void SearchWindow::refresh()
{
    m_model.setResult(m_search.index().query(m_query->text(), kShownRows));
    if (m_model.rowCount() > 0)
        m_table->selectRow(0);
    m_table->resizeColumnsToContents();
    m_count->setText(countText());
}

QString SearchWindow::countText() const
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const SearchResult &r = m_model.result();
    QString text = QStringLiteral("Найдено: ") + russian.toString(r.total);
    if (r.total > r.hits.size())
        text += QStringLiteral(", показаны первые ") + russian.toString(r.hits.size());
    if (!m_search.isReady())
        text += QStringLiteral(" (база ещё читается)");
    return text;
}

void SearchWindow::chooseRow(int row)
{
    if (const SearchHit *hit = m_model.hitAt(row))
        emit saleChosen(hit->fileName, hit->purchase);
}

bool SearchWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            chooseRow(m_table->currentIndex().isValid() ? m_table->currentIndex().row() : 0);
            return true;
        }
        if (watched == m_query && (key == Qt::Key_Down || key == Qt::Key_Up)) {
            // The arrows move through the results while typing goes on in the box.
            QCoreApplication::sendEvent(m_table, event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}
