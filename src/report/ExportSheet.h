#pragma once

#include "ExportRows.h"
#include "FileError.h"

#include <memory>

class OutputFile;

// A file format of the export, written row by row into the OutputFile's temporary.
class ExportSheet {
public:
    virtual ~ExportSheet() = default;
    // The caption row.
    [[nodiscard]] virtual FileError begin(OutputFile &file) = 0;
    [[nodiscard]] virtual FileError add(const ExportRow &row) = 0;
    // Everything written; the file is then ready to be committed.
    [[nodiscard]] virtual FileError finish() = 0;
    // The most rows the format holds below the captions.
    virtual qint64 maxRows() const = 0;

    // UTF-8 with a byte-order mark (so that Excel reads it as such), ";" between fields (as
    // Excel expects where the decimal mark is a comma), CR LF, quoted where a field needs it.
    static std::unique_ptr<ExportSheet> csv();
    // One sheet with the captions frozen and filtered, dates as dates and sums as numbers.
    static std::unique_ptr<ExportSheet> xlsx();
};
