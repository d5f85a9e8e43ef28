#include "ExportSheet.h"
#include "OutputFile.h"

#include <xlsxwriter.h>

namespace {

// The longest text a cell holds.
constexpr qsizetype kMaxCellText = 32767;
constexpr int kColumns = 9;

class XlsxSheet final : public ExportSheet {
public:
    ~XlsxSheet() override
    {
        if (m_book)
            (void)workbook_close(m_book); // a failed export: the temporary goes with its OutputFile
    }

    FileError begin(OutputFile &file) override
    {
        // Rows go to the disk as they come instead of being held until the end: 100,000 cards
        // make hundreds of thousands of rows.
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        m_book = workbook_new_opt(file.temporaryPath().constData(), &options);
        m_sheet = m_book ? workbook_add_worksheet(m_book, "Покупки") : nullptr;
        if (!m_sheet)
            return FileError::Other;
        m_caption = workbook_add_format(m_book);
        format_set_bold(m_caption);
        m_date = workbook_add_format(m_book);
        format_set_num_format(m_date, "dd.mm.yyyy");
        m_money = workbook_add_format(m_book);
        format_set_num_format(m_money, "#,##0.00");
        static const double widths[kColumns] = {32, 22, 14, 13, 24, 12, 20, 18, 13};
        for (int c = 0; c < kColumns; ++c)
            worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr);
        worksheet_freeze_panes(m_sheet, 1, 0);
        const QStringList &captions = exportrows::captions();
        for (int c = 0; c < kColumns; ++c)
            text(c, captions[c], m_caption);
        return ok();
    }

    FileError add(const ExportRow &row) override
    {
        ++m_row;
        text(0, row.customer);
        text(1, row.phones);
        text(2, row.file);
        if (!date(3, row.date))
            text(3, row.dateText);
        text(4, row.goods);
        if (row.sum)
            check(worksheet_write_number(m_sheet, m_row, 5, *row.sum, m_money));
        else
            text(5, row.sumText);
        text(6, row.item);
        text(7, row.serial);
        date(8, row.warrantyEnd);
        return ok();
    }

    FileError finish() override
    {
        check(worksheet_autofilter(m_sheet, 0, 0, m_row, kColumns - 1));
        const lxw_error closed = workbook_close(m_book);
        m_book = nullptr;
        if (closed != LXW_NO_ERROR)
            m_failed = true;
        return ok();
    }

    qint64 maxRows() const override { return LXW_ROW_MAX - 1; }

private:
    void check(lxw_error e) { m_failed = m_failed || e != LXW_NO_ERROR; }
    FileError ok() const { return m_failed ? FileError::Other : FileError::None; }

    void text(int column, const QString &value, lxw_format *format = nullptr)
    {
        if (value.isEmpty())
            return;
        check(worksheet_write_string(m_sheet, m_row, lxw_col_t(column),
                                     value.left(kMaxCellText).toUtf8().constData(), format));
    }

    // Excel's dates start with 1900.
    bool date(int column, const QDate &value)
    {
        if (!value.isValid() || value.year() < 1900 || value.year() > 9999)
            return false;
        lxw_datetime dt{value.year(), value.month(), value.day(), 0, 0, 0};
        check(worksheet_write_datetime(m_sheet, m_row, lxw_col_t(column), &dt, m_date));
        return true;
    }

    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_caption = nullptr;
    lxw_format *m_date = nullptr;
    lxw_format *m_money = nullptr;
    lxw_row_t m_row = 0;
    bool m_failed = false;
};

} // namespace

std::unique_ptr<ExportSheet> ExportSheet::xlsx()
{
    return std::make_unique<XlsxSheet>();
}
