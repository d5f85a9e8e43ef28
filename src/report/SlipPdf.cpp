#include "OutputFile.h"
#include "SlipTemplate.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QTextDocument>

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
        QTextDocument document;
        document.setHtml(html);
        document.print(&writer);
    }
    if (pdf.data().isEmpty())
        return FileError::Other;
    return OutputFile::writeWhole(target, pdf.data());
}
