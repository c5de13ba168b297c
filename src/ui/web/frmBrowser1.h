#pragma once

#include "core/BusyPointer.h"

#include "ui/web/OncePerPress.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;
class CatalogPane;
class CatalogSwitch;
class SkinButton;
class SkinForm;
class SkinLabel;
class SkinPanel;
class WebView;

// The find-a-book window: a small browser that searches the online books index by author and
// title, visits other book sites and saves a found book into the library. It is a top-level
// window of its own (its own task-bar entry, never blocking the main window) and is deleted when
// it closes; the main window then refills its library tree.
class frmBrowser1 : public QWidget
{
    Q_OBJECT
public:
    // Downloaded books are saved into booksFolder.
    frmBrowser1(const QString& appFolder, const QString& booksFolder);
    ~frmBrowser1() override;

    // Handlers, named after what starts them.
    void Search();
    void SiteChosen(int position);
    void NavigateToAddressBox();
    void History(const QString& address);
    void DownloadFinished();
    void SaveBook();
    void Form_Activate();
    void Form_Resize();

    // True only while the history step rewrites the address list.
    bool addressListUpdating() const { return m_addressListUpdating; }
    // True while a site choice keeps the wait pointer up.
    bool waitPointerShown() const { return m_waitPointer.has_value(); }

    SkinForm* SkinForm1 = nullptr;
    QLabel* picDoorway = nullptr;
    SkinPanel* panelBackboard = nullptr;
    SkinPanel* panelAuthor = nullptr;
    QLineEdit* txtAuthor = nullptr;
    QCheckBox* chkAuthorStart = nullptr;
    SkinLabel* labelAuthor = nullptr;
    SkinLabel* labelTitle = nullptr;
    QLineEdit* txtTitle = nullptr;
    QCheckBox* chkTitleStart = nullptr;
    SkinButton* btnOK = nullptr;
    SkinButton* btnSave = nullptr;
    SkinPanel* panelSites = nullptr;
    QComboBox* cboSites = nullptr;
    SkinPanel* panelToolbar = nullptr;
    QToolButton* btnBack = nullptr;
    QToolButton* btnForward = nullptr;
    QToolButton* btnStop = nullptr;
    QToolButton* btnRefresh = nullptr;
    QToolButton* btnHome = nullptr;
    QListWidget* lstReminder = nullptr;
    QFrame* picAddress = nullptr;
    QLabel* lblAddress = nullptr;
    QComboBox* cboAddress = nullptr;
    WebView* brwWebBrowser = nullptr;
    // OPDS catalogs, shown in the web view's place by the "Catalogs" button.
    CatalogSwitch* catalogSwitch = nullptr;
    CatalogPane* catalogPane = nullptr;

signals:
    // The window is closing: books saved meanwhile belong in the library now.
    void closing();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSearchColumn();
    void buildToolbar();
    void buildAddressBar();
    void Form_Load();
    void showWaitPointer();
    void restorePointer();

    // The main window owns this one in all but name; it may be gone first when the program ends.
    QString m_appFolder;
    bool m_addressListUpdating = false;
    OncePerPress m_addressEnter;
    std::optional<BusyPointer> m_waitPointer;
};
