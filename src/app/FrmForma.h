#pragma once

#include "CardFields.h"
#include "Shop.h"

#include <QMainWindow>

#include <array>
#include <memory>

class BackButton;
class SearchWindow;
class QComboBox;
class ReportWindow;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressDialog;
class QPushButton;
class UsrForma;

// The main window: the customer card on the left, the purchase panel on the right, the customer
// list panel over them when called up. It shows the shop's open card and panel, passes the
// operator's commands to the shop and tells what came of them.
class FrmForma final : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmForma(Shop &shop, QWidget *parent = nullptr);
    ~FrmForma() override;

    // Start-up, once the window is shown: the birth month "Января", the rest of the shop read, the
    // goods catalogue in the goods list.
    void finishStartUp();

    // Menu commands.
    void FileNewKlient_Click();
    void FileSave_Click();
    void FileList_Click();
    void FileExit_Click();
    void EditNewPokupka_Click();
    // A new purchase for the customer of the open card: surname and phones filled from it.
    void EditSellToCustomer_Click();
    void EditFind_Click();
    void FileVersions_Click();
    void FileBackup_Click();
    void FileRestore_Click();
    void EditUndo_Click();
    // The owner's commands.
    void FileReport_Click();
    void FileExport_Click();
    void FilePrint_Click();
    void FileWarranty_Click();
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

    // State, read by the tests.
    Shop &shop() const { return m_shop; }
    const CardSession &session() const { return m_shop.session(); }
    const QString &CurFile() const { return session().CurFile(); }
    int CardIndex() const { return session().CardIndex(); }
    bool CardChanged() const { return session().CardChanged(); }
    bool NewMode() const { return session().NewMode(); }
    int PokupkaNum() const { return session().PokupkaNum(); }
    const QList<TovarCls> &Pokupki() const { return session().Pokupki(); }
    const QStringList &Izdeliya() const { return session().Izdeliya(); }
    UsrForma *usrForma() const { return m_usrForma1; }
    SearchWindow *searchWindow() const { return m_searchWindow; }
    // The last hint shown at a field (a tool tip that fades by itself).
    const QString &lastHint() const { return m_lastHint; }
    // What the receipt line above the card and the panel says.
    QString receiptText() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Building the window.
    void buildCardArea(QWidget *area);
    void buildPurchasePanel(QWidget *area);
    void buildMenus();
    void buildReceiptLine(QWidget *area);
    void buildTabOrder();
    void connectFields();

    QLineEdit *bz(BzD field) const { return m_bzDTxt[int(field)]; }
    QLineEdit *pk(PokupkaField field) const { return m_pokupkaTxt[int(field)]; }

    // The card's boxes and the panel's boxes, to and from the session's values.
    CardHeader headerFromBoxes() const;
    void showHeader(const CardHeader &header);
    NewTovarCls panelFromBoxes() const;
    void showPanel(const NewTovarCls &purchase);

    // Card.
    bool CheckCard();
    // Ctrl+S: true when the card was written.
    bool saveCard();
    // Tells what came of a save; true when the card was written.
    bool reportSave(const CardSession::SaveResult &saved);
    static QString conflictMessage(const QString &fileName, CardSession::Conflict conflict, bool atSave);
    void setCardChanged();

    // Purchase panel.
    void showRecordedPurchase(int s);
    void addToCatalogue(const QString &tovar);
    void insertIntoGoodsList(int position, const QString &tovar);
    bool checkPurchaseFields();
    void recordNewPurchase();
    // The sale names nobody, but a customer with the same phones and the surname with «ё» for
    // «е» or so: asked, the sale goes to that customer. True when it was recorded.
    bool offerNearCustomer(const NewTovarCls &sale);
    void writeBackShownPurchase();
    void startCardFor();

    // Another till changed or removed the open card.
    void openCardChangedOnDisk();
    // After this program rewrote a card outside a save (undo, a version restored).
    void followOwnRewrite(bool openCardChanged);
    // The operator's backup or restore: its progress bar, and what came of it.
    void connectBackups();
    void showProgress(const QString &label);
    void backupDone(const QString &path, const backup::Result &result);
    void restoredFrom(const QString &path, const backup::RestoreResult &restored);
    void showDailyBackupFailure(const QString &message);
    // The export of the purchases of `scope` to a file the owner chooses, with its progress bar.
    void startExport(const ExportScope &scope);
    void exportDone(QWidget *parent, const QString &target, const SalesExport::Result &result);

    // The receipt line: what the last write did, or what the panel is about to do. A failure
    // stays red until the operator's next action.
    void tell(const QString &text, bool failure = false);
    void tellOfShownPurchaseEnd();

    // Entry fields.
    bool isPanelControl(const QObject *watched) const;
    bool handleEnter(QWidget *field);
    bool addItemFromPanel();
    void showHint(QWidget *field, const QString &text);
    void hintSoldSerial(const QString &serial);
    void hintBirthYear();
    void popUpListMenu(QListView *list, QMenu *menu);

    Shop &m_shop;
    CardSession &m_session; // the shop's open card and panel, shown here
    bool m_loading = false; // the boxes are being filled from the session: no edit of the operator's

    // Controls.
    std::array<QLabel *, 2> m_label1{};
    std::array<QLineEdit *, kBzDCount> m_bzDTxt{};
    QComboBox *m_bzDMesac = nullptr;
    QListView *m_pokupkiLst = nullptr;
    std::array<QLineEdit *, kPokupkaFieldCount> m_pokupkaTxt{};
    QComboBox *m_pokupkaMesac = nullptr;
    QComboBox *m_pokupkaTovar = nullptr;
    QListView *m_izdelieLst = nullptr;
    QPushButton *m_kOK = nullptr;
    BackButton *m_back1 = nullptr;
    UsrForma *m_usrForma1 = nullptr;
    QMenu *m_del1 = nullptr;
    QMenu *m_del2 = nullptr;

    // The operator's backup or restore under way.
    std::unique_ptr<QProgressDialog> m_progress;

    SearchWindow *m_searchWindow = nullptr;
    ReportWindow *m_reportWindow = nullptr;
    QString m_lastHint;

    QLabel *m_receipt = nullptr;
    bool m_receiptFailure = false;
    bool m_receiptShowsPurchase = false;
    // A card is being made for the sale in the panel, which is not recorded yet.
    bool m_saleAwaitsCard = false;
};
