// Building the main window: controls at their places, menus, tab order and field rules.
#include "FrmForma.h"

#include "Dialogs.h"
#include "EntryRules.h"
#include "ImageButton.h"
#include "LabelAt.h"
#include "ListBoxKeys.h"
#include "ProgramIcon.h"
#include "PurchaseDate.h"
#include "ReceiptText.h"
#include "UsrForma.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>

namespace {

constexpr int kClientWidth = 583;
constexpr int kClientHeight = 499;

// `typingLimit` caps what typing may bring the field to; text the program shows is never cut.
EntryLineEdit *editAt(QWidget *parent, const QRect &geometry, FieldKind kind, const QString &name,
                      int typingLimit = -1)
{
    auto *edit = new EntryLineEdit(kind, parent);
    edit->setTypingLimit(typingLimit);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    return edit;
}

// One entry box of a group: its element, place, kind and typing limit.
template <typename Field> struct BoxPlace {
    Field field;
    QRect geometry;
    FieldKind kind;
    int typingLimit = -1;
};

// Makes a group's boxes, each named after the group and its element ("BzDTxt_5").
template <typename Field, std::size_t Places, std::size_t Boxes>
void placeBoxes(QWidget *area, const QString &group, const BoxPlace<Field> (&places)[Places],
                std::array<QLineEdit *, Boxes> &boxes)
{
    for (const BoxPlace<Field> &place : places)
        boxes[std::size_t(place.field)] =
            editAt(area, place.geometry, place.kind, QStringLiteral("%1_%2").arg(group).arg(int(place.field)),
                   place.typingLimit);
}

QComboBox *monthComboAt(QWidget *parent, const QRect &geometry, const QString &name)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->addItems(monthNames());
    combo->setMaxVisibleItems(12);
    combo->setGeometry(geometry);
    return combo;
}

QFrame *verticalLine(QWidget *parent, int x, QPalette::ColorRole role)
{
    auto *line = new QFrame(parent);
    line->setGeometry(x, 72, 1, 500 - 72);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, pal.color(role));
    line->setPalette(pal);
    return line;
}

QListView *listAt(QWidget *parent, const QRect &geometry, const QString &name, QAbstractItemModel *model)
{
    auto *list = new QListView(parent);
    list->setModel(model);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    ListBoxKeys::install(list);
    return list;
}

} // namespace

FrmForma::FrmForma(Shop &shop, QWidget *parent) : QMainWindow(parent), m_shop(shop), m_session(shop.session())
{
    setObjectName(QStringLiteral("frmForma"));
    setWindowTitle(QString::fromUtf8(kProgramTitle));
    setWindowIcon(programIcon());

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    // The customer list panel lies over the card area.
    m_usrForma1 = new UsrForma(m_shop.customers(), client);
    m_usrForma1->setGeometry(136, 144, 321, 281);
    m_usrForma1->hide();
    connect(m_usrForma1, &UsrForma::hideRequested, this, &FrmForma::UsrFormaV);
    connect(m_usrForma1, &UsrForma::openRequested, this, &FrmForma::OpenFile);
    // Nothing changes under an open dialog: other tills' changes wait until it closes.
    m_shop.setHoldChanges(
        [] { return QApplication::activeModalWidget() || QApplication::activePopupWidget(); });
    connect(&m_shop, &Shop::openCardChangedOnDisk, this, &FrmForma::openCardChangedOnDisk);
    connect(&m_shop, &Shop::otherTillChanged, this, [this](int added, int changed, int removed) {
        if (!m_receiptFailure && !m_receiptShowsPurchase)
            tell(receipt::otherTill(added, changed, removed));
    });
    connectBackups();

    buildReceiptLine(client);
    buildCardArea(client);
    buildPurchasePanel(client);
    verticalLine(client, 280, QPalette::WindowText);
    verticalLine(client, 281, QPalette::Base);
    m_usrForma1->raise();

    buildMenus();
    buildTabOrder();
    connectFields();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // Form_Load: the panel starts empty and dated today. Its focus request is not for start-up:
    // the operator starts in the card's surname, the window's first control.
    EditNewPokupka_Click();
    bz(BzD::Familiya)->setFocus();
}

FrmForma::~FrmForma()
{
    // The boxes lose the focus while the window is taken apart: nothing of this window may run then.
    disconnect(bz(BzD::GodRozhd), nullptr, this, nullptr);
    m_shop.backups().stop();
    m_shop.setHoldChanges({});
}

void FrmForma::buildReceiptLine(QWidget *area)
{
    // The empty band above the two titles; it never takes the focus.
    m_receipt = new QLabel(area);
    m_receipt->setObjectName(QStringLiteral("ReceiptLine"));
    m_receipt->setGeometry(8, 6, kClientWidth - 16, 60);
    m_receipt->setWordWrap(true);
    m_receipt->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_receipt->setFocusPolicy(Qt::NoFocus);
    m_receipt->setTextFormat(Qt::PlainText);
}

void FrmForma::buildCardArea(QWidget *area)
{
    m_label1[0] = labelAt(area, QStringLiteral("Учётная карточка"), 32, 72, QStringLiteral("Label1_0"));
    m_label1[0]->setFixedSize(176, 24);

    const QStringList captions{QStringLiteral("Фамилия:"),   QStringLiteral("Имя:"),
                               QStringLiteral("Отчество:"),  QStringLiteral("Дата рожд:"),
                               QStringLiteral("Тел. дом.:"), QStringLiteral("Тел. раб.:")};
    for (int i = 0; i < captions.size(); ++i)
        labelAt(area, captions[i], 8, 104 + 27 * i, QStringLiteral("BzDLbl_%1").arg(i));
    labelAt(area, QStringLiteral("Список покупок:"), 8, 264, QStringLiteral("BzDLbl_6"));

    const BoxPlace<BzD> boxes[] = {
        {BzD::Familiya, {92, 101, 178, 24}, FieldKind::Text},
        {BzD::Imya, {92, 128, 178, 24}, FieldKind::Text},
        {BzD::Otchestvo, {92, 155, 178, 24}, FieldKind::Text},
        {BzD::DenRozhd, {92, 182, 32, 24}, FieldKind::Digits, 2},
        {BzD::GodRozhd, {222, 182, 48, 24}, FieldKind::Digits, 4},
        {BzD::TelDom, {92, 209, 178, 24}, FieldKind::Digits},
        {BzD::TelRab, {92, 236, 178, 24}, FieldKind::Digits},
    };
    placeBoxes(area, QStringLiteral("BzDTxt"), boxes, m_bzDTxt);
    m_bzDMesac = monthComboAt(area, {128, 182, 91, 24}, QStringLiteral("BzDMesac"));
    bz(BzD::GodRozhd)->setText(QStringLiteral("19"));

    m_pokupkiLst = listAt(area, {8, 280, 262, 212}, QStringLiteral("PokupkiLst"), &m_session.pokupkiModel());
}

void FrmForma::buildPurchasePanel(QWidget *area)
{
    m_label1[1] = labelAt(area, QStringLiteral("Новая покупка"), 320, 72, QStringLiteral("Label1_1"));
    m_label1[1]->setFixedSize(200, 24);

    const QStringList captions{QStringLiteral("Фамилия:"),      QStringLiteral("Тел. дом.:"),
                               QStringLiteral("Тел. рабочий:"), QStringLiteral("Дата покупки:"),
                               QStringLiteral("Наим. товара:"), QStringLiteral("Сумма:"),
                               QStringLiteral("Изделие:"),      QStringLiteral("Сер. номер:")};
    for (int i = 0; i < captions.size(); ++i)
        labelAt(area, captions[i], 288, 104 + 27 * i, QStringLiteral("PokupkaLbl_%1").arg(i));
    labelAt(area, QStringLiteral("Список изделий:"), 288, 320, QStringLiteral("PokupkaLbl_8"));

    const BoxPlace<PokupkaField> boxes[] = {
        {PokupkaField::Familiya, {396, 101, 178, 24}, FieldKind::Text},
        {PokupkaField::Telephon1, {396, 128, 178, 24}, FieldKind::Digits},
        {PokupkaField::Telephon2, {396, 155, 178, 24}, FieldKind::Digits},
        {PokupkaField::Day, {396, 182, 32, 24}, FieldKind::Digits, 2},
        {PokupkaField::God, {526, 182, 48, 24}, FieldKind::Digits, 4},
        {PokupkaField::Summa, {396, 236, 178, 24}, FieldKind::Sum},
        {PokupkaField::Izdelie, {396, 263, 178, 24}, FieldKind::Text},
        {PokupkaField::SerNomer, {396, 290, 178, 24}, FieldKind::Text},
    };
    placeBoxes(area, QStringLiteral("PokupkaTxt"), boxes, m_pokupkaTxt);
    m_pokupkaMesac = monthComboAt(area, {432, 182, 91, 24}, QStringLiteral("PokupkaMesac"));

    m_pokupkaTovar = new QComboBox(area);
    m_pokupkaTovar->setObjectName(QStringLiteral("PokupkaTovar"));
    m_pokupkaTovar->setEditable(true);
    m_pokupkaTovar->setLineEdit(new EntryLineEdit(FieldKind::Text, m_pokupkaTovar));
    m_pokupkaTovar->setInsertPolicy(QComboBox::NoInsert);
    m_pokupkaTovar->setCompleter(nullptr);
    m_pokupkaTovar->setGeometry(396, 209, 179, 24);

    m_izdelieLst =
        listAt(area, {288, 336, 289, 116}, QStringLiteral("IzdelieLst"), &m_session.izdeliyaModel());

    m_kOK = new QPushButton(QStringLiteral("OK"), area);
    m_kOK->setObjectName(QStringLiteral("kOK"));
    m_kOK->setGeometry(496, 460, 81, 33);
    m_kOK->setAutoDefault(true); // Enter on the focused button records the sale, as Space does

    m_back1 = new BackButton(area);
    m_back1->setObjectName(QStringLiteral("Back1"));
    m_back1->move(288, 72);
    m_back1->setToolTip(QStringLiteral("Вернуть данные о новой покупке"));
    m_back1->hide();
}

void FrmForma::buildMenus()
{
    const auto item = [this](QMenu *menu, const QString &caption, const QString &name,
                             const QKeySequence &keys, void (FrmForma::*handler)()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    QMenu *file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("File"));
    item(file, QStringLiteral("&Новый покупатель"), QStringLiteral("FileNewKlient"),
         QKeySequence(Qt::CTRL | Qt::Key_N), &FrmForma::FileNewKlient_Click);
    item(file, QStringLiteral("&Сохранить"), QStringLiteral("FileSave"), QKeySequence(Qt::CTRL | Qt::Key_S),
         &FrmForma::FileSave_Click);
    item(file, QLatin1Char('&') + QString::fromUtf8(kProgramTitle), QStringLiteral("FileList"),
         QKeySequence(Qt::Key_F4), &FrmForma::FileList_Click);
    file->addSeparator();
    item(file, QStringLiteral("Вы&ход"), QStringLiteral("FileExit"), {}, &FrmForma::FileExit_Click);
    // The program's own commands come after those of the menu as it always was.
    file->addSeparator();
    item(file, QStringLiteral("&Прежние версии…"), QStringLiteral("FileVersions"), {},
         &FrmForma::FileVersions_Click);
    item(file, QStringLiteral("&Резервная копия…"), QStringLiteral("FileBackup"), {},
         &FrmForma::FileBackup_Click);
    item(file, QStringLiteral("&Восстановить из копии…"), QStringLiteral("FileRestore"), {},
         &FrmForma::FileRestore_Click);
    file->addSeparator();
    item(file, QStringLiteral("&Отчёт о продажах…"), QStringLiteral("FileReport"), {},
         &FrmForma::FileReport_Click);
    item(file, QStringLiteral("&Экспорт…"), QStringLiteral("FileExport"), {}, &FrmForma::FileExport_Click);
    item(file, QStringLiteral("Пе&чать…"), QStringLiteral("FilePrint"), QKeySequence(Qt::CTRL | Qt::Key_P),
         &FrmForma::FilePrint_Click);
    item(file, QStringLiteral("Сроки &гарантии…"), QStringLiteral("FileWarranty"), {},
         &FrmForma::FileWarranty_Click);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Правка"));
    edit->setObjectName(QStringLiteral("Edit"));
    item(edit, QStringLiteral("&Новая покупка"), QStringLiteral("EditNewPokupka"), {},
         &FrmForma::EditNewPokupka_Click);
    item(edit, QStringLiteral("На&йти…"), QStringLiteral("EditFind"), QKeySequence(Qt::CTRL | Qt::Key_F),
         &FrmForma::EditFind_Click);
    // A text box keeps Ctrl+Z for its own undo while it has the focus.
    QAction *undo = item(edit, QStringLiteral("&Отменить"), QStringLiteral("EditUndo"),
                         QKeySequence(Qt::CTRL | Qt::Key_Z), &FrmForma::EditUndo_Click);
    // Greyed out in the open menu only: the key must work once there is something to undo.
    connect(edit, &QMenu::aboutToShow, this, [this, undo] { undo->setEnabled(m_session.canUndo()); });
    connect(edit, &QMenu::aboutToHide, undo, [undo] { undo->setEnabled(true); });
    item(edit, QStringLiteral("&Продать этому покупателю"), QStringLiteral("EditSellToCustomer"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), &FrmForma::EditSellToCustomer_Click);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->setObjectName(QStringLiteral("Help"));
    item(help, QStringLiteral("&Вызов справки"), QStringLiteral("HelpCallHelp"), QKeySequence(Qt::Key_F1),
         &FrmForma::HelpCallHelp_Click);
    item(help, QStringLiteral("&О программе"), QStringLiteral("HelpAbout"), {}, &FrmForma::HelpAbout_Click);

    // The lists' pop-up menus live on the menu bar, never shown there.
    m_del1 = menuBar()->addMenu(QStringLiteral("DEL1"));
    m_del1->setObjectName(QStringLiteral("DelIzdelie0"));
    m_del1->menuAction()->setVisible(false);
    item(m_del1, QStringLiteral("Удалить изделие"), QStringLiteral("DelIzdelie1"), {},
         &FrmForma::DelIzdelie1_Click);
    m_del2 = menuBar()->addMenu(QStringLiteral("DEL2"));
    m_del2->setObjectName(QStringLiteral("DelPokupku0"));
    m_del2->menuAction()->setVisible(false);
    item(m_del2, QStringLiteral("Удалить покупку"), QStringLiteral("DelPokupku1"), {},
         &FrmForma::DelPokupku1_Click);
}

void FrmForma::buildTabOrder()
{
    using P = PokupkaField;
    const QList<QWidget *> order{bz(BzD::Familiya), bz(BzD::Imya),    bz(BzD::Otchestvo),
                                 bz(BzD::DenRozhd), m_bzDMesac,       bz(BzD::GodRozhd),
                                 bz(BzD::TelDom),   bz(BzD::TelRab),  m_pokupkiLst,
                                 pk(P::Familiya),   pk(P::Telephon1), pk(P::Telephon2),
                                 pk(P::Day),        m_pokupkaMesac,   pk(P::God),
                                 m_pokupkaTovar,    pk(P::Summa),     pk(P::Izdelie),
                                 pk(P::SerNomer),   m_izdelieLst,     m_kOK,
                                 m_usrForma1,       m_back1};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void FrmForma::connectFields()
{
    for (QLineEdit *edit : m_bzDTxt) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, &FrmForma::setCardChanged);
    }
    connect(m_bzDMesac, &QComboBox::currentIndexChanged, this, &FrmForma::setCardChanged);
    for (QLineEdit *edit : m_pokupkaTxt)
        edit->installEventFilter(this);
    for (QWidget *w : {static_cast<QWidget *>(m_bzDMesac), static_cast<QWidget *>(m_pokupkaMesac),
                       static_cast<QWidget *>(m_pokupkaTovar), static_cast<QWidget *>(m_kOK)})
        w->installEventFilter(this);

    // The first letter of a name is raised to a capital, typed or set by the program.
    for (QLineEdit *edit : {bz(BzD::Familiya), bz(BzD::Imya), bz(BzD::Otchestvo), pk(PokupkaField::Familiya),
                            m_pokupkaTovar->lineEdit()}) {
        connect(edit, &QLineEdit::textChanged, edit, [edit](const QString &text) {
            const QString raised = withCapitalFirstLetter(text);
            if (raised != text) {
                edit->setText(raised);
                edit->setCursorPosition(int(raised.size()));
            }
        });
    }

    for (QListView *list : {m_pokupkiLst, m_izdelieLst}) {
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }
    connect(m_pokupkiLst, &QListView::doubleClicked, this, &FrmForma::PokupkiLst_DblClick);
    connect(m_izdelieLst, &QListView::doubleClicked, this, &FrmForma::IzdelieLst_DblClick);
    connect(m_kOK, &QPushButton::clicked, this, &FrmForma::kOK_Click);
    connect(bz(BzD::GodRozhd), &QLineEdit::editingFinished, this, &FrmForma::hintBirthYear);
    connect(m_back1, &ImageButton::Click, this, &FrmForma::Back1_Click);
}

void FrmForma::closeEvent(QCloseEvent *event)
{
    // Form_Unload: the goods catalogue is written if needed; the window always closes.
    SaveTovary();
    m_shop.backups().stop();
    event->accept();
}

void FrmForma::FileExit_Click()
{
    close();
}

void FrmForma::FileList_Click()
{
    m_usrForma1->show();
    m_usrForma1->raise();
    m_usrForma1->fioList()->setFocus();
}

void FrmForma::UsrFormaV()
{
    m_usrForma1->hide();
}
