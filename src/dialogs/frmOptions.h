#pragma once

#include "dialogs/UnloadableDialog.h"
#include <optional>

class frmMain;
class QComboBox;
class SkinButton;
class SkinForm;
class SkinLabel;

// The options dialog: the font size of books shown as plain text. A new size shows at once in
// the open plain-text book and is saved in the options file for the next start.
class frmOptions : public UnloadableDialog
{
    Q_OBJECT
public:
    explicit frmOptions(frmMain& main);

    // Activation: shows the font size in force, places the window, binds the skin and slides
    // OK and Cancel in.
    void Form_Activate() override;
    void btnOK_Click();
    void btnCancel_Click();

    // The whole points of a typed size ("10.9" gives 10), or nothing when it is not a number
    // or not between 1 and 400 points.
    static std::optional<int> readFontSize(const QString& text);

    SkinForm* SkinForm1 = nullptr;
    SkinLabel* labelFont = nullptr;
    QComboBox* cboFontSizes = nullptr;
    SkinLabel* labelNotice = nullptr;
    SkinButton* btnOK = nullptr;
    SkinButton* btnCancel = nullptr;
    // Opens the mail account window.
    SkinButton* btnMailAccount = nullptr;

public slots:
    void reject() override;

private:
    frmMain& m_main;
};
