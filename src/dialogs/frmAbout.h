#pragma once

#include <QDialog>

class QLabel;
class SkinButton;
class SkinForm;
class SkinLabel;

// The about box: the program's name, version and purpose.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    frmAbout();

    // Activation: places the window, binds the skin and slides OK in from the left.
    void Form_Activate();
    void cmdOK_Click();
    bool isUnloaded() const { return m_unloaded; }

    // "Version 1." with the program's minor version and revision.
    static QString versionText(int minor, int revision);

    SkinForm* SkinForm1 = nullptr;
    QLabel* Picture1 = nullptr;
    SkinLabel* lblTitle = nullptr;
    SkinLabel* lblVersion = nullptr;
    SkinLabel* lblDescription = nullptr;
    SkinButton* cmdOK = nullptr;

public slots:
    void reject() override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void unload();

    bool m_unloaded = false;
};
