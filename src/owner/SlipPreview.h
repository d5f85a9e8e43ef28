#pragma once

#include <QPrintPreviewDialog>
#include <QPrinter>

// The warranty slip before printing: Qt's print preview with, beside "Печать", a button that
// writes the slip to a PDF file. `savePdf` asks where and writes it.
class SlipPreview final : public QPrintPreviewDialog {
    Q_OBJECT

public:
    SlipPreview(const QString &html, const QString &title, std::function<void()> savePdf,
                QWidget *parent = nullptr);

    const QString &html() const { return m_html; }

private:
    void paint(QPrinter *printer) const;

    QString m_html;
};
