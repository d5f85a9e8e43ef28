#pragma once

#include "SearchResultModel.h"
#include "WindowPlacement.h"

#include <QWidget>

class CardSearch;
class QLabel;
class QLineEdit;
class QTableView;

// "Поиск": one box, the matching sales below it, refreshed on every keystroke. Enter or a double
// click asks the main window to show the sale; Escape closes the window.
class SearchWindow final : public QWidget {
    Q_OBJECT

public:
    explicit SearchWindow(CardSearch &search, QWidget *parent = nullptr);

    // Runs the query in the box again, for instance after a card was written.
    void refresh();
    // Shows the window beside the main window `main`, off the part `keepVisible` it speaks of, in
    // its compact form when the full one finds no room. The main window is to move by the place's
    // mainShift.
    SearchPlace showBeside(const QRect &main, const QRect &keepVisible);
    bool isCompact() const { return m_model.isCompact(); }
    QString countText() const;

signals:
    void saleChosen(const QString &fileName, int purchase);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void chooseRow(int row);
    // Widens the window, as far as the screen allows, until every column shows its texts whole.
    void fitColumns();
    void fitColumnsToTexts();
    // The window's size for the usual texts of each column.
    QSize sizeFor(bool compact) const;
    int rowHeight(bool compact) const;

    CardSearch &m_search;
    SearchResultModel m_model;
    QLineEdit *m_query = nullptr;
    QTableView *m_table = nullptr;
    QLabel *m_count = nullptr;
};

inline constexpr int kShownRows = 1000;
