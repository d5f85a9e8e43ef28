#include "UsrForma.h"

#include "CustomerBase.h"
#include "ImageButton.h"
#include "LabelAt.h"
#include "ListBoxKeys.h"
#include "NumberForm.h"
#include "RaisedFrame.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

namespace {

// A label sized to its text, as the detail labels are.
void setSizedText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}

} // namespace

UsrForma::UsrForma(CustomerBase &base, QWidget *parent) : QWidget(parent), m_base(base)
{
    setObjectName(QStringLiteral("UsrForma1"));
    // Bold at 9.75 points, whatever size the main window's text has.
    QFont f = font();
    f.setPointSizeF(9.75);
    f.setBold(true);
    setFont(f);
    setAutoFillBackground(true);

    labelAt(this, QStringLiteral("Всего покупателей:"), 8, 8, QStringLiteral("Label1"));
    m_vsegoLbl = labelAt(this, QString(), 160, 8, QStringLiteral("VsegoLbl"));
    m_close1 = new CloseButton(this);
    m_close1->setObjectName(QStringLiteral("Close1"));
    m_close1->move(296, 4);

    m_fioLst = new QListView(this);
    m_fioLst->setObjectName(QStringLiteral("FIOLst"));
    m_fioLst->setGeometry(8, 26, 305, 180);
    m_fioLst->setModel(&m_base.list());
    m_fioLst->setUniformItemSizes(true);
    m_fioLst->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fioLst->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fioLst->installEventFilter(this);
    ListBoxKeys::install(m_fioLst);

    labelAt(this, QStringLiteral("Тел. дом:"), 8, 208, QStringLiteral("Label2"));
    m_telTxt1 = labelAt(this, QString(), 80, 208, QStringLiteral("TelTxt1"));
    labelAt(this, QStringLiteral("Тел. раб:"), 8, 232, QStringLiteral("Label3"));
    m_telTxt2 = labelAt(this, QString(), 80, 232, QStringLiteral("TelTxt2"));
    labelAt(this, QStringLiteral("Файл:"), 8, 256, QStringLiteral("Label4"));
    m_fileTxt = labelAt(this, QString(), 80, 256, QStringLiteral("FileTxt"));

    m_reLoad = new QPushButton(QStringLiteral("Обновить"), this);
    m_reLoad->setObjectName(QStringLiteral("ReLoad"));
    m_reLoad->setGeometry(224, 208, 89, 33);
    m_reLoad->setAutoDefault(true); // Enter on the focused button reloads, as Space does
    m_reLoad->installEventFilter(this);
    setTabOrder(m_fioLst, m_reLoad);
    placeDetailValues();
    setFocusProxy(m_fioLst);

    connect(m_close1, &ImageButton::Click, this, &UsrForma::hideRequested);
    connect(m_reLoad, &QPushButton::clicked, this, &UsrForma::LoadBaza);
    connect(m_fioLst->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &UsrForma::selectionChanged);
    connect(m_fioLst, &QListView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            openSelected();
    });

    connect(&m_base.list(), &QAbstractItemModel::modelAboutToBeReset, this, &UsrForma::notePlace);
    connect(&m_base.list(), &QAbstractItemModel::modelReset, this, &UsrForma::listRefilled);

    resize(321, 281);
    listRefilled();
}

void UsrForma::LoadBaza()
{
    m_base.LoadBaza();
}

void UsrForma::notePlace()
{
    m_hadSelection = m_fioLst->selectionModel()->hasSelection();
    m_topPosition = m_base.list().positionAt(m_fioLst->indexAt(QPoint(0, 0)).row());
    m_scroll = m_fioLst->verticalScrollBar()->value();
}

void UsrForma::listRefilled()
{
    const FioListModel &list = m_base.list();
    setSizedText(m_vsegoLbl, numform::numText(list.rowCount()));
    clearDetails();
    // After a rescan a position names another customer: the list starts afresh.
    if (m_base.isLoading())
        return;
    const int selectedRow = m_hadSelection ? list.rowOf(m_selIndex) : -1;
    if (selectedRow >= 0)
        m_fioLst->setCurrentIndex(list.index(selectedRow));
    // The same customer stays the first line shown, however many lines came or went above it.
    const int topRow = list.rowOf(m_topPosition);
    if (topRow >= 0)
        m_fioLst->scrollTo(list.index(topRow), QAbstractItemView::PositionAtTop);
    else
        m_fioLst->verticalScrollBar()->setValue(m_scroll);
}

void UsrForma::clearDetails()
{
    setSizedText(m_telTxt1, QString());
    setSizedText(m_telTxt2, QString());
    setSizedText(m_fileTxt, QString());
}

void UsrForma::selectionChanged()
{
    const QModelIndexList rows = m_fioLst->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const int position = m_base.list().positionAt(rows.first().row());
    if (position < 0)
        return;
    m_selIndex = position;
    const KlientRec &rec = m_base.index().at(position);
    setSizedText(m_telTxt1, rec.Telephon1);
    setSizedText(m_telTxt2, rec.Telephon2);
    setSizedText(m_fileTxt, rec.FileName);
}

void UsrForma::openSelected()
{
    emit hideRequested();
    emit openRequested(m_selIndex);
}

bool UsrForma::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || (watched != m_fioLst && watched != m_reLoad))
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_F5) {
        LoadBaza();
        return true;
    }
    if (key == Qt::Key_Escape) {
        emit hideRequested();
        return true;
    }
    if (watched == m_fioLst && typeToFind(static_cast<QKeyEvent *>(event)))
        return true;
    if (watched == m_fioLst && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        if (m_fioLst->selectionModel()->hasSelection())
            openSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool UsrForma::typeToFind(const QKeyEvent *key)
{
    const bool pause = !m_typedAt.isValid() || m_typedAt.elapsed() > QApplication::keyboardInputInterval();
    if (key->key() == Qt::Key_Backspace) {
        if (m_typed.isEmpty() || pause)
            return false;
        m_typed.chop(1);
    } else {
        const QString text = key->text();
        if (text.isEmpty() || !text.front().isPrint() ||
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        m_typed = pause ? text : m_typed + text;
    }
    m_typedAt.start();
    const int row = m_base.list().rowStartingWith(m_typed);
    if (row >= 0) {
        const QModelIndex index = m_base.list().index(row);
        m_fioLst->setCurrentIndex(index);
        m_fioLst->scrollTo(index);
    }
    return true;
}

void UsrForma::placeDetailValues()
{
    // Each value a space after its caption, however wide the caption's bold text is.
    const int space = fontMetrics().horizontalAdvance(QLatin1Char(' '));
    for (const auto &[caption, value] :
         {std::pair{"Label2", m_telTxt1}, {"Label3", m_telTxt2}, {"Label4", m_fileTxt}}) {
        const QWidget *label = findChild<QWidget *>(QString::fromLatin1(caption));
        value->move(std::max(80, label->geometry().right() + 1 + space), value->y());
    }
}

void UsrForma::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_fioLst->resize(width() - 16, m_fioLst->height());
    m_close1->move(width() - 27, m_close1->y());
}

void UsrForma::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    frame3d::drawRaised(painter, width(), height());
}
