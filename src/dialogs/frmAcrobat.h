#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class frmMain;

// The PDF reader notice: shown before a PDF book opens while the user has not confirmed that a
// PDF reader is present. "Installed Acrobat" confirms and lets the book open; OK (or closing the
// notice any other way) abandons the opening.
class frmAcrobat : public QWidget
{
    Q_OBJECT
public:
    explicit frmAcrobat(frmMain& main);

    QLabel* labelTop = nullptr;
    QFrame* panelMain = nullptr;
    QLabel* labelHave = nullptr;
    QPushButton* btnAcrobat = nullptr;
    QPushButton* btnOK = nullptr;

    static QString vendorAddress();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void installedAcrobat();

    frmMain& m_main;
};
