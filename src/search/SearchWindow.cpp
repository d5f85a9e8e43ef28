#include "SearchWindow.h"

#include "CardSearch.h"
#include "WindowPlacement.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QScrollBar>
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
    m_query->setPlaceholderText(
        QStringLiteral("Фамилия, имя, телефон, товар, дата («мая 2021») или серийный номер"));
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("PoiskLst"));
    m_table->setModel(&m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight(false));
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
    fitColumnsToTexts();
    m_count->setText(countText());
    if (isVisible())
        fitColumns();
}

void SearchWindow::fitColumnsToTexts()
{
    // All but the last: sized by hand, it would no longer stretch to the table's edge.
    for (int c = 0; c + 1 < m_model.columnCount(); ++c)
        m_table->resizeColumnToContents(c);
}

void SearchWindow::fitColumns()
{
    const QHeaderView *columns = m_table->horizontalHeader();
    int needed = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < columns->count(); ++c)
        needed += columns->sectionSizeHint(c) > columns->sectionSize(c) ? columns->sectionSizeHint(c)
                                                                        : columns->sectionSize(c);
    const QMargins margins = layout()->contentsMargins();
    needed += margins.left() + margins.right();
    if (needed <= width())
        return;
    // Never past the screen's edge: what does not fit then scrolls.
    const QScreen *screen = this->screen();
    const int frame = frameGeometry().width() - width();
    const int room = screen ? screen->availableGeometry().right() + 1 - geometry().left() - frame : needed;
    resize(std::min(needed, std::max(room, width())), height());
}

QSize SearchWindow::sizeFor(bool compact) const
{
    // Room for the usual texts of every column and about fifteen rows.
    const QFontMetrics fm(font());
    const QString fio = QStringLiteral("Константинопольская Анна Сергеевна");
    const QString phones = QStringLiteral("8-912-345-67-89, 8-912-345-67-89");
    const QString date = QStringLiteral("25 сентября 2021");
    const QString goods = QStringLiteral("Телевизор цветной");
    const QString item = QStringLiteral("Пульт управления");
    const QString serial = QStringLiteral("SN-0123456789");
    const QString sum = QStringLiteral("125000");
    const QString file = QStringLiteral("00000001.dat");
    const QStringList sample = compact ? QStringList{fio, date, sum, item, date, file}
                                       : QStringList{fio, phones, date, goods, sum, item, serial, date, file};
    int width = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width() + 24;
    for (const QString &text : sample)
        width += fm.horizontalAdvance(text) + 2 * fm.averageCharWidth();
    const int rows = compact ? 10 : 18;
    return {width, rows * rowHeight(compact) + 2 * m_query->sizeHint().height()};
}

int SearchWindow::rowHeight(bool compact) const
{
    return (compact ? 2 : 1) * m_table->fontMetrics().height() + 4;
}

SearchPlace SearchWindow::showBeside(const QRect &main, const QRect &keepVisible)
{
    const QSize full = sizeFor(false);
    const QSize compact = sizeFor(true);
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(main.topLeft(), full);
    const SearchPlace place = placeSearch(main, keepVisible, full, compact, screen);
    m_model.setCompact(place.compact);
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight(place.compact));
    fitColumnsToTexts();
    resize(place.window.size());
    show();
    // Where the window manager puts the frame: the outer rectangle goes to the place found.
    move(place.window.topLeft());
    fitColumns();
    return place;
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
