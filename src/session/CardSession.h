#pragma once

#include "CardConflict.h"
#include "CardFields.h"
#include "CardFile.h"
#include "CardHistory.h"
#include "CardWriter.h"
#include "FileError.h"
#include "GoodsCatalogue.h"
#include "PurchaseListModel.h"
#include "PurchasePanelState.h"
#include "TovarCls.h"
#include "VersionList.h"

#include <QString>

#include <functional>
#include <optional>

class CardSearch;
class KlientIndex;

// A required box left empty: the message to show and the box to put the focus in.
struct CardFault {
    const char *message;
    BzD box;
};
struct SaleFault {
    const char *message;
    std::optional<PokupkaField> box; // none: the goods field
};

// The card being worked on and the purchase panel, with every operation on them: opening and
// saving the card, recording a sale, showing, correcting and deleting a purchase, undo and earlier
// versions. What another hand did to the open card is its CardConflict's; every write goes through
// its CardWriter; the panel's state is a PurchasePanelState. It shows nothing and moves no focus:
// each operation says what happened.
class CardSession {
public:
    CardSession(QString bazaPath, KlientIndex &index, CardSearch &search);

    // The required boxes of a card and of a sale, tested in this order.
    static std::optional<CardFault> checkCard(const CardHeader &header);
    static std::optional<SaleFault> checkSale(const NewTovarCls &sale, bool newMode);

    const QString &bazaPath() const { return m_bazaPath; }

    // The card.
    const QString &CurFile() const { return m_curFile; }
    int CardIndex() const { return m_cardIndex; }
    bool CardChanged() const { return m_cardChanged; }
    void setCardChanged() { m_cardChanged = true; }
    const CardHeader &header() const { return m_header; }
    const QList<TovarCls> &Pokupki() const { return m_purchases.purchases(); }
    PurchaseListModel &pokupkiModel() { return m_purchases; }

    // An empty card with no file and no purchases.
    void newCard();

    struct OpenResult {
        FileError error = FileError::None;
        QString fileName;
    };
    // Reads the card of index entry `position`; on failure the card stays as it was.
    OpenResult open(int position);

    // What another hand did to the open card since this program last read or wrote it.
    enum class Conflict { None, Changed, Gone };
    struct SaveResult {
        FileError error = FileError::None;
        Conflict conflict = Conflict::None; // nothing was written
        QString fileName;
        int twin = -1;             // a new card's customer already in the index at this position
        bool indexChanged = false; // the index entry was added or rewritten
        int appended = 0;          // purchases another till added meanwhile, kept after ours
    };
    // Writes the card with this header and the purchases to its file, a new card to a free name.
    // The card on disk must still be as this program last read or wrote it, or only have purchases
    // added at its end (they are kept and shown); anything else is a conflict and nothing is
    // written, except by the next save, which is the operator's choice to write over it.
    SaveResult save(const CardHeader &header);
    // What the open card's file holds now against what this program last read or wrote.
    enum class DiskChange { None, Appended, Changed, Gone };
    // Looks at the open card on disk after another hand changed it: purchases only added at its end
    // are taken in at once (Appended); other changes are left to the caller, who may reload().
    DiskChange checkDisk();
    // Shows the open card as checkDisk() last found it changed, header and purchases.
    void takeSeen();
    // The operator has been told of the change checkDisk() found; saving still asks once more.
    void toldOfChange();

    // Called after every write of a card with its file name, so that the folder watch does not
    // report this program's own writes as another till's.
    void setOwnWriteNote(std::function<void(const QString &)> note)
    {
        m_writer.setOwnWriteNote(std::move(note));
    }
    // Called when a sale names a customer the index does not have: it looks for cards another till
    // added since the last look, so that one saved there a moment ago is found.
    void setRecheck(std::function<void()> recheck) { m_recheck = std::move(recheck); }

    // Drops purchase `row` and saves the card; a failed save puts the purchase back.
    SaveResult deletePurchase(int row, const CardHeader &header, bool *shownDeleted);

    // The purchase panel.
    bool NewMode() const { return m_panel.NewMode(); }
    int PokupkaNum() const { return m_panel.PokupkaNum(); }
    const NewTovarCls &SavedNewPokupka() const { return m_panel.SavedNewPokupka(); }
    const QStringList &Izdeliya() const { return m_panel.Izdeliya(); }
    ItemListModel &izdeliyaModel() { return m_panel.izdeliyaModel(); }

    // An empty new purchase: new mode, no items, the position after the last purchase.
    void startNewPurchase();
    // Shows recorded purchase `row`, putting aside first the new one typed (`typed`, items apart).
    const TovarCls &showPurchase(int row, const NewTovarCls &typed);
    // Back to the purchase put aside: its items again, new mode.
    const NewTovarCls &restore();
    // The panel's purchase: `typed` with the panel's items.
    TovarCls withItems(TovarCls typed) const { return m_panel.withItems(std::move(typed)); }

    struct RecordResult {
        enum Outcome { Recorded, NoCustomer, Failed } outcome = Recorded;
        FileError error = FileError::None;
        QString fileName;
        int cataloguePosition = -1; // where the goods name joined the catalogue, or -1
    };
    // Appends the sale to the card of the customer it names.
    RecordResult recordSale(const NewTovarCls &sale);

    // Puts the corrected fields of the shown purchase into the card (the caller saves it).
    // A month of -1 keeps the card's month. False when no recorded purchase is shown.
    bool correctShownPurchase(const TovarCls &edited);

    // Earlier versions of the cards, kept by every write that replaces a card's bytes.
    const CardHistory &history() const { return m_history; }
    // The versions of the card `fileName` to list, newest first, set against the card as it is
    // now (a card gone has versions still); the error when the card cannot be read.
    [[nodiscard]] FileError listVersions(const QString &fileName, QList<ListedVersion> &listed) const;

    // Undo of the deletions and corrections of purchases this run wrote, the last first. Each step
    // is applied under the lock to the card as it is now, so that sales recorded meanwhile stay.
    bool canUndo() const { return !m_undo.isEmpty(); }
    struct UndoResult {
        FileError error = FileError::None;
        bool changedElsewhere = false; // the corrected purchase is no longer in the card
        QString fileName;
        bool openCardChanged = false; // the open card's purchases were taken in again
    };
    UndoResult undo();

    // Makes `version` of the card `fileName` the card again; the current content becomes a version
    // itself, and the purchases appended since that version (by any till) stay after its own.
    struct RestoreResult {
        FileError error = FileError::None;
        int kept = 0; // purchases appended since, kept
        bool openCardChanged = false;
    };
    RestoreResult restoreVersion(const QString &fileName, const CardVersion &version);

    // The goods catalogue: read at start-up, written at the end when a name was added.
    const GoodsCatalogue &catalogue() const { return m_catalogue; }
    // Also removes what a killed write of it left in its folder.
    void loadCatalogue(const QString &path);
    [[nodiscard]] FileError saveCatalogueIfChanged(const QString &path) const;
    // Adds a goods name to the catalogue unless it is there already; its position, or -1.
    int addToCatalogue(const QString &tovar);
    bool TovaryChanged() const { return m_tovaryChanged; }

private:
    // Shows `bytes` as the open card, nothing of it edited.
    void take(const QByteArray &bytes);
    void appendShown(const QList<TovarCls> &purchases);
    QString cardName(int k) const;
    SaveResult saveExisting(const CardHeader &header);
    SaveResult saveNew(const CardHeader &header);
    // After this program rewrote the card `fileName` from `before` to `after` outside a save: the
    // index entry and, for the open card, its purchases follow.
    bool tookOwnRewrite(const QString &fileName, const QByteArray &before, const QByteArray &after);

    QString m_bazaPath;
    CardHistory m_history;
    KlientIndex &m_index;
    CardWriter m_writer;
    GoodsCatalogue m_catalogue;

    QString m_curFile;
    int m_cardIndex = 0;
    bool m_cardChanged = false;
    CardHeader m_header;
    PurchaseListModel m_purchases;
    CardConflict m_conflict;
    std::function<void()> m_recheck;

    // A deleted purchase (`after` empty) or a corrected one, as written to the card `fileName`.
    struct UndoStep {
        QString fileName;
        int row = 0;
        TovarCls before;
        std::optional<TovarCls> after;
    };
    QList<UndoStep> m_undo;
    std::optional<UndoStep> m_correcting; // the shown purchase corrected, for the next save

    PurchasePanelState m_panel;
    bool m_tovaryChanged = false;
};
