#include "SlipPreview.h"

#include "SlipTemplate.h"

#include <QAction>
#include <QPageLayout>
#include <QPageSize>
#include <QToolBar>

SlipPreview::SlipPreview(const QString &html, const QString &title, std::function<void()> savePdf,
                         QWidget *parent)
    : QPrintPreviewDialog(parent), m_html(html)
{
    setObjectName(QStringLiteral("Talon"));
    setWindowTitle(title);
    printer()->setDocName(title);
    printer()->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    connect(this, &QPrintPreviewDialog::paintRequested, this, &SlipPreview::paint);
    if (QToolBar *tools = findChild<QToolBar *>()) {
        // First on the bar, where a narrow window does not hide it.
        auto *pdf = new QAction(QStringLiteral("Сохранить в PDF…"), this);
        pdf->setObjectName(QStringLiteral("TalonPdf"));
        QAction *first = tools->actions().value(0);
        tools->insertAction(first, pdf);
        tools->insertSeparator(first);
        connect(pdf, &QAction::triggered, this, std::move(savePdf));
    }
    // Wide enough for the whole bar: "Печать" is its last button.
    const QToolBar *tools = findChild<QToolBar *>();
    resize(std::max(760, tools ? tools->sizeHint().width() + 24 : 0), 900);
}

void SlipPreview::paint(QPrinter *printer) const
{
    printSlip(m_html, printer);
}
