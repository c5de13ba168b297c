#pragma once

#include "ui/dialogs/UnloadableDialog.h"
#include <optional>

struct ReaderState;
class QCheckBox;
class QComboBox;
class SkinButton;
class SkinForm;
class SkinLabel;

// The options dialog: the font size of books shown as plain text (a new size shows at once in
// the open plain-text book and is saved in the options file for the next start), and whether
// books without a bookmark open where the reader stopped (kept in the settings store).
class frmOptions : public UnloadableDialog
{
    Q_OBJECT
public:
    // Works on state; closing brings mainWindow back to the front.
    frmOptions(ReaderState& state, QWidget* mainWindow);

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
    QCheckBox* chkRememberPlace = nullptr;
    SkinButton* btnOK = nullptr;
    SkinButton* btnCancel = nullptr;
    // Opens the mail account window.
    SkinButton* btnMailAccount = nullptr;
    // Opens the choice of where definitions come from.
    SkinButton* btnDefinitions = nullptr;

signals:
    // The mail account button was pressed.
    void mailAccountRequested();
    // The definitions button was pressed.
    void definitionsRequested();
    // OK took a new size for the open plain-text book (before it is saved for the next start).
    void fontSizeChosen(int points);

public slots:
    void reject() override;

private:
    ReaderState& m_state;
    QWidget* m_mainWindow;
};
