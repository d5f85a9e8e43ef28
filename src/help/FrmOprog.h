#pragma once

#include <QDialog>

class LinkLabel;
class QLabel;

// The About window: the emblem, the version and dates, a link to the program's web site and the
// coloured bands. Made anew each time it is shown; the link writes its page into the data folder.
class FrmOprog final : public QDialog {
    Q_OBJECT

public:
    explicit FrmOprog(const QString &bazaPath, QWidget *parent = nullptr);

    void Label1_Click();
    void OK_Click();

private:
    QLabel *addLabel(const QString &text, int x, int y);
    void addLine(const char *name, QPalette::ColorRole role, int y);

    QString m_bazaPath;
    LinkLabel *m_label1 = nullptr;
};

// The link's caption and the address it leads to.
inline constexpr auto kSiteSlogan = "Помним, кто что купил";
inline constexpr auto kSiteAddress = "http://tarvesko.example/";
