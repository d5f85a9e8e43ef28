#pragma once

#include "GoodsCatalogue.h"
#include "TovarCls.h"

#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <array>

class BackButton;
class CardSearch;
class SearchWindow;
class KlientIndex;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class UsrForma;

// The main window: the customer card on the left, the purchase panel on the right, the customer
// list panel over them when called up. It owns the card shown and the panel's state.
class FrmForma final : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmForma(const QString &bazaPath, QWidget *parent = nullptr);
    ~FrmForma() override;

    // Start-up: the birth month "Января" and the goods catalogue from `goodsPath`.
    void finishStartUp(const QString &goodsPath);

    // Menu commands.
    void FileNewKlient_Click();
    void FileSave_Click();
    void FileList_Click();
    void FileExit_Click();
    void EditNewPokupka_Click();
    void EditFind_Click();
    void HelpCallHelp_Click();
    void HelpAbout_Click();

    // Card.
    void OpenFile(int index);
    // Opens the card of `fileName` and shows its purchase (none when purchase < 0), as the
    // customer list and the purchase list do.
    void openSale(const QString &fileName, int purchase);
    void UsrFormaV();

    // Purchase panel.
    void kOK_Click();
    void Back1_Click();
    void AddIzdelie(const QString &name, const QString &serial);

    // Lists.
    void PokupkiLst_DblClick();
    void DelPokupku1_Click();
    void IzdelieLst_DblClick();
    void DelIzdelie1_Click();

    // Writes "Товары.txt" when a goods name was added during the run.
    void SaveTovary();

    // State, read by the tests and by the search window.
    const QString &CurFile() const { return m_curFile; }
    int CardIndex() const { return m_cardIndex; }
    bool CardChanged() const { return m_cardChanged; }
    bool NewMode() const { return m_newMode; }
    int PokupkaNum() const { return m_pokupkaNum; }
    bool TovaryChanged() const { return m_tovaryChanged; }
    const QList<TovarCls> &Pokupki() const { return m_pokupki; }
    const QStringList &Izdeliya() const { return m_izdeliya; }
    const NewTovarCls &SavedNewPokupka() const { return m_savedNewPokupka; }
    const GoodsCatalogue &catalogue() const { return m_catalogue; }
    const QString &bazaPath() const { return m_bazaPath; }
    KlientIndex &klientIndex();
    UsrForma *usrForma() const { return m_usrForma1; }
    CardSearch &search() { return *m_search; }
    SearchWindow *searchWindow() const { return m_searchWindow; }
    // The last hint shown at a field (a tool tip that fades by itself).
    const QString &lastHint() const { return m_lastHint; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Building the window.
    void buildCardArea(QWidget *area);
    void buildPurchasePanel(QWidget *area);
    void buildMenus();
    void buildTabOrder();
    void connectFields();

    // Card.
    bool CheckCard();
    void setCardChanged();
    QString freeCardName() const;
    void refreshPokupkiLst();

    // Purchase panel.
    void putAside();
    void showRecordedPurchase(int s);
    void addToCatalogue(const QString &tovar);
    bool checkPurchaseFields();
    void recordNewPurchase();
    void writeBackShownPurchase();
    void startCardFor();
    TovarCls panelPurchase() const;
    void clearItems();

    // Entry fields.
    bool handleEnter(QWidget *field);
    void showHint(QWidget *field, const QString &text);
    void hintSoldSerial(const QString &serial);
    void popUpListMenu(QListWidget *list, QMenu *menu);

    QString m_bazaPath;
    QString m_goodsPath;
    GoodsCatalogue m_catalogue;

    // The card shown.
    QString m_curFile;
    int m_cardIndex = 0;
    bool m_cardChanged = false;
    bool m_loading = false;
    QList<TovarCls> m_pokupki;

    // The purchase panel.
    bool m_newMode = true;
    int m_pokupkaNum = 0;
    NewTovarCls m_savedNewPokupka;
    QStringList m_izdeliya;
    bool m_tovaryChanged = false;

    // Controls.
    std::array<QLabel *, 2> m_label1{};
    std::array<QLineEdit *, 7> m_bzDTxt{};
    QComboBox *m_bzDMesac = nullptr;
    QListWidget *m_pokupkiLst = nullptr;
    std::array<QLineEdit *, 8> m_pokupkaTxt{};
    QComboBox *m_pokupkaMesac = nullptr;
    QComboBox *m_pokupkaTovar = nullptr;
    QListWidget *m_izdelieLst = nullptr;
    QPushButton *m_kOK = nullptr;
    BackButton *m_back1 = nullptr;
    UsrForma *m_usrForma1 = nullptr;
    QMenu *m_del1 = nullptr;
    QMenu *m_del2 = nullptr;

    // Search.
    CardSearch *m_search = nullptr;
    SearchWindow *m_searchWindow = nullptr;
    QString m_lastHint;
};
