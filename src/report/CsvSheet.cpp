#include "ExportSheet.h"
#include "OutputFile.h"

#include <limits>

namespace {

// A field that starts like a formula and could call something (letters, '|', '!') is written with
// a leading apostrophe, so that a spreadsheet shows it as text instead of running it; a phone
// "+7 (912) 345-67-89" stays as it is.
bool looksLikeFormula(const QString &field)
{
    if (field.isEmpty())
        return false;
    const QChar first = field.front();
    if (first == QLatin1Char('=') || first == QLatin1Char('@') || first == QLatin1Char('\t') ||
        first == QLatin1Char('\r'))
        return true;
    if (first != QLatin1Char('+') && first != QLatin1Char('-'))
        return false;
    for (const QChar c : field) {
        if (!(c.isDigit() || QStringView(u" ()-+.,").contains(c)))
            return true;
    }
    return false;
}

void appendField(QByteArray &out, const QString &text)
{
    const QString field = looksLikeFormula(text) ? QLatin1Char('\'') + text : text;
    const bool quoted = field.contains(QLatin1Char(';')) || field.contains(QLatin1Char('"')) ||
                        field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')) ||
                        field.startsWith(QLatin1Char(' ')) || field.endsWith(QLatin1Char(' '));
    if (!quoted) {
        out += field.toUtf8();
        return;
    }
    out += '"';
    out += QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")).toUtf8();
    out += '"';
}

QString dateText(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

class CsvSheet final : public ExportSheet {
public:
    FileError begin(OutputFile &file) override
    {
        m_file = &file;
        m_buffer = "\xEF\xBB\xBF";
        addLine(exportrows::captions());
        return flush(false);
    }

    FileError add(const ExportRow &row) override
    {
        addLine({row.customer, row.phones, row.file, row.date.isValid() ? dateText(row.date) : row.dateText,
                 row.goods, row.sumText, row.item, row.serial, dateText(row.warrantyEnd)});
        return flush(false);
    }

    FileError finish() override { return flush(true); }
    qint64 maxRows() const override { return std::numeric_limits<qint64>::max(); }

private:
    void addLine(const QStringList &fields)
    {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                m_buffer += ';';
            appendField(m_buffer, fields[i]);
        }
        m_buffer += "\r\n";
    }

    FileError flush(bool all)
    {
        if (!all && m_buffer.size() < 64 * 1024)
            return FileError::None;
        const FileError error = m_file->write(m_buffer);
        m_buffer.clear();
        return error;
    }

    OutputFile *m_file = nullptr;
    QByteArray m_buffer;
};

} // namespace

std::unique_ptr<ExportSheet> ExportSheet::csv()
{
    return std::make_unique<CsvSheet>();
}
