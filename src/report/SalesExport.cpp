#include "SalesExport.h"

#include "ExportSheet.h"
#include "OutputFile.h"
#include "WarrantyTerms.h"

#include <QFileInfo>

#include <vector>

namespace {

struct KeptCard {
    QString fileName;
    QByteArray bytes;
};

SalesExport::Result failed(SalesExport::Result result, const QString &target, FileError error)
{
    result.error = error;
    result.message = writeFailureMessage(QFileInfo(target).fileName(), error);
    return result;
}

} // namespace

SalesExport::Format SalesExport::formatFor(const QString &path)
{
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? Format::Csv : Format::Xlsx;
}

SalesExport::Result SalesExport::write(const QString &bazaPath, const WarrantyTerms &terms,
                                       const ExportScope &scope, const QString &target, Format format,
                                       const ReportProgress &progress)
{
    Result result;
    // The cards with a purchase to export, kept as read: a few hundred bytes each, less than the
    // rows they make.
    std::vector<std::vector<KeptCard>> kept(CardPass::kMaxParts);
    std::vector<qint64> unreadableDates(CardPass::kMaxParts);
    qint64 listed = 0;
    // Reading is the first half of the steps, writing the second.
    const ReportProgress reading = [&](qint64 done, qint64 total) {
        listed = total;
        return !progress || progress(done, 2 * total);
    };
    const CardPass pass = CardPass::run(
        bazaPath,
        [&](int part, const QString &name, QByteArrayView bytes) {
            if (exportrows::wanted(bytes, scope, &unreadableDates[size_t(part)]))
                kept[size_t(part)].push_back({name, bytes.toByteArray()});
        },
        reading);
    result.cancelled = pass.cancelled;
    result.unreadCards = pass.unread;
    for (const qint64 n : unreadableDates)
        result.unreadableDates += n;
    if (pass.error != FileError::None) {
        result.error = pass.error;
        result.message = QStringLiteral("Папку базы \"%1\" открыть не возможно.").arg(bazaPath);
        return result;
    }
    if (pass.cancelled)
        return result;

    OutputFile file;
    if (const FileError error = file.open(target); error != FileError::None)
        return failed(result, target, error);
    const std::unique_ptr<ExportSheet> sheet =
        format == Format::Csv ? ExportSheet::csv() : ExportSheet::xlsx();
    if (const FileError error = sheet->begin(file); error != FileError::None)
        return failed(result, target, error);
    qint64 cards = 0;
    for (const auto &part : kept)
        cards += qint64(part.size());
    const qint64 stride = std::max<qint64>(1, cards / 400);
    qint64 written = 0;
    for (const auto &part : kept) {
        for (const KeptCard &card : part) {
            const QList<ExportRow> rows = exportrows::rows(card.fileName, card.bytes, scope, terms);
            if (result.rows + rows.size() > sheet->maxRows()) {
                result.error = FileError::Other;
                result.message = QStringLiteral("Строк больше, чем вмещает лист Excel (%1). Выберите период "
                                                "покороче или сохраните в формате .csv.")
                                     .arg(sheet->maxRows());
                return result;
            }
            for (const ExportRow &row : rows) {
                if (const FileError error = sheet->add(row); error != FileError::None)
                    return failed(result, target, error);
            }
            result.rows += rows.size();
            ++result.customers;
            if (progress && ++written % stride == 0 &&
                !progress(listed + written * listed / std::max<qint64>(cards, 1), 2 * listed)) {
                result.cancelled = true;
                return result;
            }
        }
    }
    if (FileError error = sheet->finish();
        error != FileError::None || (error = file.commit()) != FileError::None)
        return failed(result, target, error);
    if (progress)
        progress(2 * listed, 2 * listed);
    return result;
}
