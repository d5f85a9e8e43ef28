#include "SlipPreview.h"

#include <QAction>
#include <QPageLayout>
#include <QPageSize>
#include <QTextDocument>
#include <QToolBar>

SlipPreview::SlipPreview(const QString &html, const QString &title, std::function<void()> savePdf, QWidget *parent)
    : QPrintPreviewDialog(&m_printer, parent), m_html(html)
{
    setObjectName(QStringLiteral("Talon"));
    setWindowTitle(title);
    m_printer.setDocName(title);
    m_printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    connect(this, &QPrintPreviewDialog::paintRequested, this, &SlipPreview::paint);
    if (QToolBar *tools = findChild<QToolBar *>()) {
        tools->addSeparator();
        QAction *pdf = tools->addAction(QStringLiteral("Сохранить в PDF…"));
        pdf->setObjectName(QStringLiteral("TalonPdf"));
        connect(pdf, &QAction::triggered, this, std::move(savePdf));
    }
    resize(760, 900);
}

void SlipPreview::paint(QPrinter *printer) const
{
    QTextDocument document;
    document.setHtml(m_html);
    document.print(printer);
}
