#include "VersionsDialog.h"

#include "ChangeWords.h"
#include "Dialogs.h"
#include "FileName.h"
#include "LineForms.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

VersionsDialog::VersionsDialog(Shop &shop, QString fileName,
                               std::function<void(const CardSession::RestoreResult &)> restored,
                               QWidget *parent)
    : QDialog(parent), m_shop(shop), m_fileName(std::move(fileName)), m_restored(std::move(restored)),
      m_list(new QListView(this)), m_purchases(new QListWidget(this)), m_note(new QLabel(this)),
      m_restore(new QPushButton(QStringLiteral("Восстановить"), this))
{
    setWindowTitle(QStringLiteral("Прежние версии — ") + filename::display(m_fileName));
    m_list->setObjectName(QStringLiteral("VersionsLst"));
    m_purchases->setObjectName(QStringLiteral("VersionPurchasesLst"));
    m_note->setObjectName(QStringLiteral("VersionsNote"));
    m_note->setWordWrap(true);
    m_restore->setObjectName(QStringLiteral("VersionsRestore"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_restore, QDialogButtonBox::ActionRole);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, &VersionsDialog::restore);
    m_list->setModel(&m_versions);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showVersion(current.row()); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Версии карточки, последняя сверху:"), this));
    layout->addWidget(m_list, 3);
    layout->addWidget(new QLabel(QStringLiteral("Карточка в этой версии:"), this));
    layout->addWidget(m_purchases, 2);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
    resize(640, 480);
    fill();
}

void VersionsDialog::fill()
{
    QList<ListedVersion> listed;
    const FileError error = m_shop.session().listVersions(m_fileName, listed);
    const bool none = listed.isEmpty();
    m_versions.setVersions(std::move(listed));
    if (error != FileError::None)
        m_note->setText(readFailureMessage(m_fileName, error));
    else if (none)
        m_note->setText(QStringLiteral("У этой карточки ещё нет прежних версий."));
    m_restore->setEnabled(!none);
    m_list->setCurrentIndex(m_versions.index(0));
    showVersion(none ? -1 : 0);
}

void VersionsDialog::showVersion(int row)
{
    m_purchases->clear();
    if (row < 0 || row >= m_versions.rowCount())
        return;
    const Card card = cardfile::parse(m_versions.version(row).bytes);
    const CardHeader &h = card.header;
    m_purchases->addItem(QStringList{h.familiya, h.imya, h.otchestvo}.join(QLatin1Char(' ')).simplified() +
                         QStringLiteral(", тел. ") + h.telDom + QStringLiteral(" / ") + h.telRab);
    for (int i = 0; i < card.pokupki.size(); ++i)
        m_purchases->addItem(lineforms::pokupkaLine(i + 1, card.pokupki[i].Tovar) + QStringLiteral(" — ") +
                             card.pokupki[i].Summa);
}

void VersionsDialog::restore()
{
    const int row = m_list->currentIndex().row();
    if (row < 0 || row >= m_versions.rowCount())
        return;
    const CardVersion version = m_versions.version(row);
    const QString when = versionTime(version);
    if (!Dialogs::current().confirm(
            this, QStringLiteral("Сделать карточку такой, какой она была до ") + when +
                      QStringLiteral("?\r\nНынешняя карточка останется в прежних версиях.")))
        return;
    const CardSession::RestoreResult result = m_shop.restoreVersion(m_fileName, version);
    if (result.error != FileError::None) {
        Dialogs::current().critical(this, writeFailureMessage(m_fileName, result.error));
        return;
    }
    fill();
    m_note->setText(QStringLiteral("Карточка восстановлена такой, какой была до ") + when + QLatin1Char('.') +
                    (result.kept
                         ? QStringLiteral(" Покупки, добавленные после этой версии (%1), оставлены после "
                                          "восстановленных.")
                               .arg(result.kept)
                         : QString()));
    if (m_restored)
        m_restored(result);
}
