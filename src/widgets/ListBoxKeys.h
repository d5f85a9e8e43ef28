#pragma once

#include <QObject>

class QListView;

// The first navigation key of a list that has no selected line, taken as a desktop list box takes
// it, whichever line the focus frame marks: Home, PgUp, Up and Down select line 1; End and PgDn
// move from line 1, to the last line and to the last line of the first page. Once a line is
// selected the view's own keys apply.
class ListBoxKeys final : public QObject {
public:
    // Gives `view` these keys for as long as it lives.
    static void install(QListView *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ListBoxKeys(QListView *view);

    QListView *m_view;
};
