#include "OutputFile.h"
#include "SlipTemplate.h"

#include <QBuffer>
#include <QFont>
#include <QPdfWriter>
#include <QTextDocument>

void printSlip(const QString &html, QPagedPaintDevice *device)
{
    QTextDocument document;
    // The template's own styles on a plain font: the window's bold font set in pixels would
    // leave the headings without a size to scale from.
    QFont plain(QStringLiteral("DejaVu Sans"));
    plain.setPointSizeF(11);
    document.setDefaultFont(plain);
    document.setHtml(html);
    document.print(device);
}

FileError writeSlipPdf(const QString &html, const QString &target)
{
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setCreator(QStringLiteral("Тарвеско"));
        writer.setTitle(QStringLiteral("Гарантийный талон"));
        printSlip(html, &writer);
    }
    if (pdf.data().isEmpty())
        return FileError::Other;
    return OutputFile::writeWhole(target, pdf.data());
}
