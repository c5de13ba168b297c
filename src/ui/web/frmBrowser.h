#pragma once

#include "core/ReaderState.h"
#include "ui/web/OncePerPress.h"

#include <QIcon>
#include <QWidget>

class QComboBox;
class QFrame;
class SkinForm;
class SkinPanel;
class QLabel;
class QTimer;
class QToolButton;
class DefinitionView;
class StandIn;
class WebView;

// The lookup window: the definition of a word from an online dictionary or pictures of it
// from an online picture search, in a small browser with a toolbar and an address list. It
// belongs to the main window (no task-bar entry of its own) without blocking it. Creating it
// shows it and looks up the main window's current request at once.
class frmBrowser : public QWidget
{
    Q_OBJECT
public:
    // request is the main window's, read again by every LookUp; state gives the main window's
    // recorded size, which the window is sized from.
    frmBrowser(const ReaderState& state, const LookupRequest& request, QWidget* mainWindow);

    // Sends the open window to the main window's current request: new address, new icon.
    void LookUp();
    // The address of the last lookup, as it was handed to the web view.
    QString lookupAddress() const { return m_lookupAddress; }

    // The lookup address of a word: a definition or pictures of it.
    static QString LookupAddress(LookupKind lookupKind, const QString& lookupWord);

    SkinForm* SkinForm1 = nullptr;
    SkinPanel* panelToolbar = nullptr;
    QToolButton* btnBack = nullptr;
    QToolButton* btnForward = nullptr;
    QToolButton* btnStop = nullptr;
    QToolButton* btnRefresh = nullptr;
    QToolButton* btnSearch = nullptr;
    QFrame* picAddress = nullptr;
    QLabel* lblAddress = nullptr;
    QComboBox* cboAddress = nullptr;
    WebView* brwWebBrowser = nullptr;
    // Definitions from a dictionary server show here, in the web view's place.
    DefinitionView* definitionView = nullptr;
    QTimer* timTimer = nullptr;
    QIcon imgWord;
    QIcon imgPicture;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildToolbar();
    void buildAddressBar();
    void Form_Activate();
    void Form_Resize();
    void navigateFromAddressBox();
    void timTimer_Timer();
    void brwWebBrowser_NavigateComplete2();
    // The page's title becomes the caption; a page without a title keeps the caption it has.
    void showLocationName();

    void buildDefinitionView();
    // Shows the definition view in the web view's place, or the web view again.
    void showDefinitionView(bool shown);

    const LookupRequest& m_request;
    StandIn* m_definitionStandIn = nullptr;
    QString m_lookupAddress;
    // Set only while the address list is rewritten after a navigation.
    bool addressListUpdating = false;
    OncePerPress m_addressEnter;
};
