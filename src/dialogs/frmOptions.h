#pragma once

#include <QDialog>
#include <optional>

class frmMain;
class QComboBox;
class SkinButton;
class SkinForm;
class SkinLabel;

// The options dialog: the font size of books shown as plain text. A new size shows at once in
// the open plain-text book and is saved in the options file for the next start.
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    explicit frmOptions(frmMain& main);

    // Activation: shows the font size in force, places the window, binds the skin and slides
    // OK and Cancel in.
    void Form_Activate();
    void btnOK_Click();
    void btnCancel_Click();
    bool isUnloaded() const { return m_unloaded; }

    // The whole points of a typed size ("10.9" gives 10), or nothing when it is not a number
    // or not between 1 and 400 points.
    static std::optional<int> readFontSize(const QString& text);

    SkinForm* SkinForm1 = nullptr;
    SkinLabel* labelFont = nullptr;
    QComboBox* cboFontSizes = nullptr;
    SkinLabel* labelNotice = nullptr;
    SkinButton* btnOK = nullptr;
    SkinButton* btnCancel = nullptr;

public slots:
    void reject() override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void unload();

    frmMain& m_main;
    bool m_unloaded = false;
};
