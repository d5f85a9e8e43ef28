#include "ListBoxKeys.h"

#include <QKeyEvent>
#include <QListView>

void ListBoxKeys::install(QListView *view)
{
    view->installEventFilter(new ListBoxKeys(view));
}

ListBoxKeys::ListBoxKeys(QListView *view) : QObject(view), m_view(view) {}

bool ListBoxKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view || event->type() != QEvent::KeyPress || !m_view->selectionModel() ||
        m_view->selectionModel()->hasSelection())
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const QModelIndex first = m_view->model()->index(0, m_view->modelColumn(), m_view->rootIndex());
    if (!first.isValid() || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Home:
    case Qt::Key_PageUp:
    case Qt::Key_Up:
    case Qt::Key_Down:
        m_view->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
        return true;
    case Qt::Key_End:
    case Qt::Key_PageDown:
        // The view's own move, from line 1 rather than from wherever the focus frame was.
        m_view->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        return false;
    default:
        return false;
    }
}
