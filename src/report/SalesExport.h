#pragma once

#include "CardPass.h"
#include "ExportRows.h"
#include "FileError.h"

#include <QString>

class WarrantyTerms;

// The customers' purchases and items as a table for a spreadsheet (see exportrows::captions()):
// one row per item, one for a purchase without items, cards in the order of their file names,
// for all time or a period. The file is written beside the target under a temporary name and takes
// the target's name only when it is whole; a failed or cancelled export leaves the target as it was.
class SalesExport {
public:
    enum class Format { Xlsx, Csv };
    // ".csv" (any letter case) is CSV; anything else .xlsx.
    static Format formatFor(const QString &path);

    struct Result {
        FileError error = FileError::None;
        QString message; // what the owner is told on failure; empty when done or cancelled
        bool cancelled = false;
        qint64 customers = 0;
        qint64 rows = 0;
        qint64 unreadableDates = 0; // purchases left out of a period: their date names no day
        qint64 unreadCards = 0;     // cards listed that could not be read
        bool done() const { return error == FileError::None && !cancelled; }
    };

    // Reads every card of `bazaPath` once, then writes the rows. Runs on any thread (no QObject);
    // `progress` hears the cards read and then written, returning false cancels.
    static Result write(const QString &bazaPath, const WarrantyTerms &terms, const ExportScope &scope,
                        const QString &target, Format format, const ReportProgress &progress = {});
};
