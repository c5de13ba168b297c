#pragma once

#include "ui/dialogs/UnloadableDialog.h"

class QLabel;
class SkinButton;
class SkinForm;
class SkinLabel;

// The about box: the program's name, version and purpose.
class frmAbout : public UnloadableDialog
{
    Q_OBJECT
public:
    frmAbout();

    // Activation: places the window, binds the skin and slides OK in from the left.
    void Form_Activate() override;
    void cmdOK_Click();

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
};
