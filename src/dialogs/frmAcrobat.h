#pragma once

#include <QWidget>

class SkinButton;
class SkinForm;
class SkinLabel;
class SkinPanel;
class frmMain;

// The PDF reader notice: shown before a PDF book opens while the user has not confirmed that a
// PDF reader is present. "Installed Acrobat" confirms and lets the book open; OK (or closing the
// notice any other way) abandons the opening.
class frmAcrobat : public QWidget
{
    Q_OBJECT
public:
    explicit frmAcrobat(frmMain& main);

    SkinForm* SkinForm1 = nullptr;
    SkinLabel* labelTop = nullptr;
    SkinPanel* panelMain = nullptr;
    SkinLabel* labelHave = nullptr;
    SkinButton* btnAcrobat = nullptr;
    SkinButton* btnOK = nullptr;

    static QString vendorAddress();

    // Binds the skinned controls and slides OK in, on every activation.
    void Form_Activate();

signals:
    void closed();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void installedAcrobat();

    frmMain& m_main;
};
