#include "ui/web/frmBrowser.h"

#include "core/DefinitionSource.h"
#include "core/Hosts.h"
#include "core/QueryAddress.h"
#include "formats/Twips.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinPanel.h"
#include "ui/web/DefinitionView.h"
#include "ui/web/StandIn.h"
#include "views/WebView.h"
#include "views/WidgetBuilding.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

using WidgetBuilding::named;
using WidgetBuilding::place;

namespace {
// When the main window's size was never recorded, the window is sized as if the main window
// had filled a small screen; it never gets smaller than a usable browser.
constexpr float FallbackMainWidth = 12000;
constexpr float FallbackMainHeight = 9000;
constexpr float MinimumWidth = 6000;
constexpr float MinimumHeight = 4500;

float twips(int pixels)
{
    return Twips::fromPixels(pixels);
}
} // namespace

QString frmBrowser::LookupAddress(LookupKind lookupKind, const QString& lookupWord)
{
    if (lookupKind == LookupKind::Definition) {
        return QueryAddress::build(QStringLiteral("http://") + Hosts::host(Hosts::Dictionary) +
                                       QStringLiteral("/cgi-bin/dict.pl"),
                                   {{QStringLiteral("term"), lookupWord}});
    }
    return QueryAddress::build(QStringLiteral("http://") + Hosts::host(Hosts::PictureSearch) +
                                   QStringLiteral("/Searching/Search_Results.asp"),
                               {{QStringLiteral("id"), QString()},
                                {QStringLiteral("st"), QStringLiteral("basic")},
                                {QStringLiteral("ap"), QStringLiteral("1")},
                                {QStringLiteral("ss"), lookupWord},
                                {QStringLiteral("SearchType"), QStringLiteral("picture")}});
}

frmBrowser::frmBrowser(const ReaderState& state, const LookupRequest& request, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_request(request)
{
    setObjectName(QStringLiteral("frmBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Get"));
    setAccessibleName(tr("Lookup"));
    SkinForm1 = new SkinForm(this);
    imgWord = QIcon(QStringLiteral(":/icons/book.svg"));
    imgPicture = QIcon(QStringLiteral(":/icons/camera.svg"));

    buildToolbar();
    buildAddressBar();
    brwWebBrowser = new WebView(this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    brwWebBrowser->setAccessibleName(tr("Lookup result"));
    place(brwWebBrowser, 45, 1320, 11880, 7560);
    connect(brwWebBrowser, &WebView::DownloadComplete, this, &frmBrowser::showLocationName);
    connect(brwWebBrowser, &WebView::NavigateComplete2, this,
            &frmBrowser::brwWebBrowser_NavigateComplete2);
    buildDefinitionView();

    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);
    connect(timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);

    // Creation: place and size the window from the main window's recorded size, show it, then
    // look the word up.
    const float height =
        qMax(MinimumHeight, state.RecordedMainHeight.value_or(FallbackMainHeight) - 1000);
    const float width =
        qMax(MinimumWidth, state.RecordedMainWidth.value_or(FallbackMainWidth) - 1000);
    move(Twips::toPixels(100), Twips::toPixels(50));
    resize(Twips::toPixels(width), Twips::toPixels(height));
    show();
    // Only now is the frame known: the recorded sizes are outer sizes.
    resize(QSize(Twips::toPixels(width), Twips::toPixels(height)) -
           (frameGeometry().size() - size()));
    Form_Resize();
    cboAddress->clear();
    cboAddress->move(Twips::toPixels(50),
                     lblAddress->y() + lblAddress->height() + Twips::toPixels(15));
    LookUp();
}

void frmBrowser::buildToolbar()
{
    panelToolbar = named(new SkinPanel(this), "panelToolbar");
    panelToolbar->setAccessibleName(tr("Toolbar"));
    place(panelToolbar, 0, 0, 9615, 615);

    WidgetBuilding::pictureButtonRow(panelToolbar,
                                     {{&btnBack, "btnBack", "back", tr("Back"), 120},
                                      {&btnForward, "btnForward", "forward", tr("Forward"), 570},
                                      {&btnStop, "btnStop", "stop", tr("Stop"), 1020},
                                      {&btnRefresh, "btnRefresh", "refresh", tr("Refresh"), 1470},
                                      {&btnSearch, "btnSearch", "globe", tr("Search"), 1920}},
                                     60, 445, 440);
    // A move past either end of the history simply does nothing.
    connect(btnBack, &QToolButton::clicked, this, [this] { brwWebBrowser->GoBack(); });
    connect(btnForward, &QToolButton::clicked, this, [this] { brwWebBrowser->GoForward(); });
    connect(btnStop, &QToolButton::clicked, this, [this] {
        timTimer->stop();
        brwWebBrowser->Stop();
        showLocationName();
    });
    connect(btnRefresh, &QToolButton::clicked, this, [this] { brwWebBrowser->Refresh(); });
    connect(btnSearch, &QToolButton::clicked, this, [this] { brwWebBrowser->GoHome(); });
}

void frmBrowser::buildAddressBar()
{
    picAddress = named(new QFrame(this), "picAddress");
    picAddress->setAccessibleName(tr("Address bar"));
    place(picAddress, 0, 620, 10065, 675);

    lblAddress = named(new QLabel(tr("&Address:"), picAddress), "lblAddress");
    lblAddress->setAccessibleName(tr("Address"));
    place(lblAddress, 45, 60, 3075, 255);

    cboAddress = named(new QComboBox(picAddress), "cboAddress");
    cboAddress->setAccessibleName(tr("Address"));
    cboAddress->setEditable(true);
    // The list holds only the pages that arrived, newest first, each once.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setDuplicatesEnabled(false);
    lblAddress->setBuddy(cboAddress);
    place(cboAddress, 45, 360, 12435, 315);
    connect(cboAddress, &QComboBox::activated, this, &frmBrowser::navigateFromAddressBox);
    connect(cboAddress->lineEdit(), &QLineEdit::returnPressed, this,
            &frmBrowser::navigateFromAddressBox);
}

void frmBrowser::buildDefinitionView()
{
    definitionView = new DefinitionView(this);
    m_definitionStandIn = new StandIn(definitionView, brwWebBrowser);
    connect(definitionView, &DefinitionView::pageShown, this, &QWidget::setWindowTitle);
    connect(definitionView, &DefinitionView::webSiteRequested, this, [this](const QString& word) {
        showDefinitionView(false);
        brwWebBrowser->Navigate(LookupAddress(LookupKind::Definition, word));
    });
    // Whatever the reader does with the web view's toolbar brings the web view back.
    for (QToolButton* button : {btnBack, btnForward, btnRefresh, btnSearch}) {
        connect(button, &QToolButton::clicked, this, [this] { showDefinitionView(false); });
    }
}

void frmBrowser::showDefinitionView(bool shown)
{
    m_definitionStandIn->show(shown);
}

void frmBrowser::LookUp()
{
    m_lookupAddress = LookupAddress(m_request.lookupKind, m_request.lookupWord);
    setWindowIcon(m_request.lookupKind == LookupKind::Definition ? imgWord : imgPicture);
    const DefinitionSource source = DefinitionSource::load();
    if (m_request.lookupKind == LookupKind::Definition && source.usesServer()) {
        showDefinitionView(true);
        definitionView->lookUp(source, m_request.lookupWord);
        return;
    }
    showDefinitionView(false);
    brwWebBrowser->Navigate(m_lookupAddress);
}

void frmBrowser::navigateFromAddressBox()
{
    if (addressListUpdating || !m_addressEnter.claim(this)) {
        return;
    }
    showDefinitionView(false);
    timTimer->start();
    brwWebBrowser->Navigate(cboAddress->currentText());
}

void frmBrowser::timTimer_Timer()
{
    if (brwWebBrowser->Busy()) {
        setWindowTitle(tr("Working..."));
        return;
    }
    timTimer->stop();
    showLocationName();
}

void frmBrowser::showLocationName()
{
    const QString title = brwWebBrowser->LocationName();
    if (!title.isEmpty()) {
        setWindowTitle(title);
    }
}

void frmBrowser::brwWebBrowser_NavigateComplete2()
{
    showLocationName();
    const QString location = brwWebBrowser->LocationURL();
    addressListUpdating = true;
    const int found = cboAddress->findText(location, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0) {
        cboAddress->removeItem(found);
    }
    cboAddress->insertItem(0, location);
    cboAddress->setCurrentIndex(0);
    addressListUpdating = false;
}

void frmBrowser::Form_Activate()
{
    // The toolbar follows the window's width only when the window is activated.
    panelToolbar->resize(Twips::toPixels(twips(frameGeometry().width()) - 10),
                         panelToolbar->height());
    panelToolbar->bind(SkinForm1);
}

void frmBrowser::Form_Resize()
{
    if (!cboAddress || !brwWebBrowser) {
        return;
    }
    const float innerWidth = twips(width());
    const float innerHeight = twips(height());
    // A size that would be negative is skipped and the control keeps its last one.
    if (innerWidth - 100 >= 0) {
        picAddress->resize(width(), picAddress->height());
        cboAddress->resize(Twips::toPixels(innerWidth - 100), cboAddress->height());
        brwWebBrowser->resize(Twips::toPixels(innerWidth - 100), brwWebBrowser->height());
    }
    const float viewHeight =
        innerHeight - (twips(picAddress->y()) + twips(picAddress->height())) - 100;
    if (viewHeight >= 0) {
        brwWebBrowser->resize(brwWebBrowser->width(), Twips::toPixels(viewHeight));
    }
}

bool frmBrowser::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return handled;
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}
