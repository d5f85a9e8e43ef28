#pragma once

#include <QLabel>

// A caption that stands for a web address it does not show: underlined, dark blue, with the
// pointing hand over it, and a click on it is reported.
class LinkLabel final : public QLabel {
    Q_OBJECT

public:
    explicit LinkLabel(const QString &caption, const QString &address, QWidget *parent = nullptr);

    const QString &address() const { return m_address; }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_address;
};
