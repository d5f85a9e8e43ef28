#pragma once

#include "Backup.h"
#include "CardFields.h"
#include "CardSession.h"
#include "FileLock.h"

#include "DailyBackup.h"

#include <QFutureWatcher>
#include <QMainWindow>
#include <QThreadPool>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class BackButton;
class BazaWatcher;
class CardSearch;
class SearchWindow;
class KlientIndex;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressDialog;
class QPushButton;
class QTimer;
class UsrForma;
namespace backup {
struct RestoreResult;
}

// The main window: the customer card on the left, the purchase panel on the right, the customer
// list panel over them when called up. It shows the card session's card and panel, passes the
// operator's commands to it and tells what came of them.
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
    void FileVersions_Click();
    void FileBackup_Click();
    void FileRestore_Click();
    // The automatic backup of the day, made in the background; main() starts it once.
    void startDailyBackup();
    void EditUndo_Click();
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
    const CardSession &session() const { return *m_session; }
    const QString &CurFile() const { return m_session->CurFile(); }
    int CardIndex() const { return m_session->CardIndex(); }
    bool CardChanged() const { return m_session->CardChanged(); }
    bool NewMode() const { return m_session->NewMode(); }
    int PokupkaNum() const { return m_session->PokupkaNum(); }
    bool TovaryChanged() const { return m_session->TovaryChanged(); }
    const QList<TovarCls> &Pokupki() const { return m_session->Pokupki(); }
    const QStringList &Izdeliya() const { return m_session->Izdeliya(); }
    const NewTovarCls &SavedNewPokupka() const { return m_session->SavedNewPokupka(); }
    const GoodsCatalogue &catalogue() const { return m_session->catalogue(); }
    const QString &bazaPath() const { return m_bazaPath; }
    KlientIndex &klientIndex();
    UsrForma *usrForma() const { return m_usrForma1; }
    BazaWatcher *watcher() const { return m_watcher; }
    CardSearch &search() { return *m_search; }
    SearchWindow *searchWindow() const { return m_searchWindow; }
    // The last hint shown at a field (a tool tip that fades by itself).
    const QString &lastHint() const { return m_lastHint; }

signals:
    // The automatic backup of the day ended (not stopped) and what came of it was told.
    void dailyBackupEnded();

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

    QLineEdit *bz(BzD field) const { return m_bzDTxt[int(field)]; }
    QLineEdit *pk(PokupkaField field) const { return m_pokupkaTxt[int(field)]; }

    // The card's boxes and the panel's boxes, to and from the session's values.
    CardHeader headerFromBoxes() const;
    void showHeader(const CardHeader &header);
    NewTovarCls panelFromBoxes() const;
    void showPanel(const NewTovarCls &purchase);

    // Card.
    bool CheckCard();
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
    void writeBackShownPurchase();
    void startCardFor();

    // Another till's work: cards added, changed or removed in the folder.
    void folderChanged(const QStringList &added, const QStringList &changed, const QStringList &removed);
    void applyFolderChanges();
    void recheckFolder();
    void openCardChangedOnDisk();
    // After this program rewrote a card outside a save (undo, a version restored).
    void followOwnRewrite(bool openCardChanged);
    backup::Sources backupSources() const;
    void restoredFrom(const QString &path, const backup::RestoreResult &restored);
    void dailyBackupDone();
    void showDailyBackupFailure(const QString &message);
    // Ends the automatic backup under way (it is made again at the next start).
    void stopDailyBackup();
    template <typename Result>
    void runWithProgress(const QString &label, std::function<Result(const backup::Progress &)> work,
                         std::function<void(const Result &)> then);
    void operatorWorkDone();
    // Ends the operator's backup or restore under way, its result untold (closing the window).
    void stopOperatorWork();

    // Entry fields.
    bool handleEnter(QWidget *field);
    bool addItemFromPanel();
    void showHint(QWidget *field, const QString &text);
    void hintSoldSerial(const QString &serial);
    void popUpListMenu(QListView *list, QMenu *menu);

    QString m_bazaPath;
    QString m_goodsPath;
    std::optional<FileLock> m_presence; // this program's mark on the data folder, for its whole run
    std::unique_ptr<CardSession> m_session;
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

    // The folder watch, and what it reported while a dialog was open.
    BazaWatcher *m_watcher = nullptr;
    QStringList m_pendingAdded, m_pendingChanged, m_pendingRemoved;
    QTimer *m_pendingTimer = nullptr;

    // The automatic backup of the day, on a low-priority thread of its own; the operator's backup
    // or restore under its progress bar, and the rest of that command.
    QThreadPool m_dailyPool;
    QFutureWatcher<backup::DailyResult> m_dailyBackup;
    QFutureWatcher<void> m_operatorWork;
    std::unique_ptr<QProgressDialog> m_progress;
    std::function<void()> m_afterOperatorWork;

    // Search.
    CardSearch *m_search = nullptr;
    SearchWindow *m_searchWindow = nullptr;
    QString m_lastHint;
};
