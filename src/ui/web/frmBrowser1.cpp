#include "ui/web/frmBrowser1.h"

#include "core/BookAddresses.h"
#include "formats/Twips.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinLabel.h"
#include "ui/skin/SkinPanel.h"
#include "ui/web/CatalogSwitch.h"
#include "views/MessageBox.h"
#include "views/ScreenFit.h"
#include "views/WebView.h"
#include "views/WidgetBuilding.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

using WidgetBuilding::named;
using WidgetBuilding::place;

namespace {
constexpr double ToolbarLeft = 2040;
constexpr double WebViewLeft = 2040;
constexpr double WebViewTop = 1560;
// The reminder list keeps clear of the window's right edge.
constexpr double ReminderRightMargin = 120;

// A panel with its caption along the top edge.
SkinPanel* captionedPanel(QWidget* parent, const char* name, const QString& caption)
{
    auto* panel = named(new SkinPanel(parent), name);
    panel->setAccessibleName(caption);
    auto* label = new QLabel(caption, panel);
    label->setObjectName(QLatin1String(name) + QLatin1String("Caption"));
    label->setAccessibleName(caption);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(0, 2, 0, Twips::toPixels(255));
    return panel;
}
} // namespace

frmBrowser1::frmBrowser1(const QString& appFolder, const QString& booksFolder)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmBrowser1"));
    m_appFolder = appFolder;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Find a Book"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/books.svg")));
    SkinForm1 = new SkinForm(this);

    // The decorative doorway is optional: the window works without its picture.
    picDoorway = named(new QLabel(this), "picDoorway");
    picDoorway->setAccessibleName(tr("Arched doorway"));
    place(picDoorway, 60, 120, 1815, 1815);
    const QString doorway = QStringLiteral(":/images/doorway.svg");
    if (QFile::exists(doorway)) {
        picDoorway->setPixmap(QIcon(doorway).pixmap(picDoorway->size()));
    }

    buildSearchColumn();
    buildToolbar();
    buildAddressBar();

    brwWebBrowser = named(new WebView(this), "brwWebBrowser");
    brwWebBrowser->setAccessibleName(tr("Web page"));
    brwWebBrowser->setSaveFolder(booksFolder);
    place(brwWebBrowser, WebViewLeft, WebViewTop, 11040, 6780);
    connect(brwWebBrowser, &WebView::NavigateComplete2, this, &frmBrowser1::History);
    connect(brwWebBrowser, &WebView::DownloadComplete, this, &frmBrowser1::DownloadFinished);
    catalogSwitch = new CatalogSwitch(this, booksFolder);
    catalogPane = catalogSwitch->pane();

    Form_Load();
}

frmBrowser1::~frmBrowser1()
{
    // A wait pointer from a site choice must not outlive the window.
    restorePointer();
}

void frmBrowser1::buildSearchColumn()
{
    // Panels first, so the controls that lie on them stay above them.
    panelBackboard = captionedPanel(this, "panelBackboard", tr("Search"));
    place(panelBackboard, 0, 2040, 2055, 5895);
    panelAuthor = captionedPanel(this, "panelAuthor", tr("Author"));
    place(panelAuthor, 0, 2400, 2055, 3375);
    panelSites = captionedPanel(this, "panelSites", tr("Other Sites for Books"));
    place(panelSites, 0, 6720, 2055, 1215);
    for (SkinPanel* panel : {panelBackboard, panelAuthor, panelSites}) {
        // The caption spans the panel's width.
        auto* caption = panel->findChild<QLabel*>();
        caption->resize(panel->width(), caption->height());
    }

    txtAuthor = named(new QLineEdit(this), "txtAuthor");
    txtAuthor->setAccessibleName(tr("Author"));
    place(txtAuthor, 120, 2760, 1455, 375);

    chkAuthorStart = named(new QCheckBox(tr("Exact Start of Name"), this), "chkAuthorStart");
    place(chkAuthorStart, 120, 3240, 1750, 255);

    labelAuthor = named(new SkinLabel(tr("(last name first)"), this), "labelAuthor");
    place(labelAuthor, 360, 3560, 1335, 255);

    labelTitle = named(new SkinLabel(tr("Title"), this), "labelTitle");
    place(labelTitle, 20, 3840, 615, 255);

    txtTitle = named(new QLineEdit(this), "txtTitle");
    txtTitle->setAccessibleName(tr("Title"));
    place(txtTitle, 120, 4200, 1455, 375);

    chkTitleStart = named(new QCheckBox(tr("Exact Start of Title"), this), "chkTitleStart");
    place(chkTitleStart, 120, 4680, 1695, 255);

    btnOK = named(new SkinButton(tr("OK"), this), "btnOK");
    place(btnOK, 360, 5160, 1095, 375);

    btnSave = named(new SkinButton(tr("Save Book"), this), "btnSave");
    place(btnSave, 360, 6000, 1095, 375);

    // Not editable: typing cannot pick a site, only a choice from the list does.
    cboSites = named(new QComboBox(this), "cboSites");
    cboSites->setEditable(false);
    cboSites->setAccessibleName(panelSites->accessibleName());
    cboSites->installEventFilter(this);
    place(cboSites, 120, 7320, 1850, 315);

    for (QCheckBox* box : {chkAuthorStart, chkTitleStart}) {
        box->setAccessibleName(box->text());
    }
    for (SkinLabel* label : {labelAuthor, labelTitle}) {
        label->setAccessibleName(label->text());
    }
    for (SkinButton* button : {btnOK, btnSave}) {
        button->setAccessibleName(button->text());
        button->setAutoDefault(false);
    }
    labelTitle->setBuddy(txtTitle);

    // Every caption of the search column shows whole, within the column.
    const int columnRight = panelBackboard->geometry().right();
    for (QWidget* caption :
         std::initializer_list<QWidget*>{chkAuthorStart, chkTitleStart, labelAuthor, labelTitle}) {
        WidgetBuilding::fitToText(caption, columnRight);
    }
    for (SkinPanel* panel : {panelBackboard, panelAuthor, panelSites}) {
        auto* caption = panel->findChild<QLabel*>();
        WidgetBuilding::fitToText(caption, panel->width());
    }

    connect(btnOK, &SkinButton::clicked, this, &frmBrowser1::Search);
    connect(txtAuthor, &QLineEdit::returnPressed, this, &frmBrowser1::Search);
    connect(txtTitle, &QLineEdit::returnPressed, this, &frmBrowser1::Search);
    connect(btnSave, &SkinButton::clicked, this, &frmBrowser1::SaveBook);
    connect(cboSites, &QComboBox::activated, this, &frmBrowser1::SiteChosen);
}

void frmBrowser1::buildToolbar()
{
    panelToolbar = named(new SkinPanel(this), "panelToolbar");
    panelToolbar->setAccessibleName(tr("Toolbar"));
    place(panelToolbar, ToolbarLeft, 0, 9855, 735);

    WidgetBuilding::pictureButtonRow(this,
                                     {{&btnBack, "btnBack", "back", tr("Back"), 2160},
                                      {&btnForward, "btnForward", "forward", tr("Forward"), 2610},
                                      {&btnStop, "btnStop", "stop", tr("Stop"), 3060},
                                      {&btnRefresh, "btnRefresh", "refresh", tr("Refresh"), 3480},
                                      {&btnHome, "btnHome", "globe", tr("Search"), 3930}},
                                     180, 445, 440);
    // The view's history has an end either way; running into it is not worth a word.
    connect(btnBack, &QToolButton::clicked, this, [this] { brwWebBrowser->GoBack(); });
    connect(btnForward, &QToolButton::clicked, this, [this] { brwWebBrowser->GoForward(); });
    connect(btnStop, &QToolButton::clicked, this, [this] { brwWebBrowser->Stop(); });
    connect(btnRefresh, &QToolButton::clicked, this, [this] { brwWebBrowser->Refresh(); });
    connect(btnHome, &QToolButton::clicked, this, [this] { brwWebBrowser->GoHome(); });

    // Reminders only: choosing a line does nothing.
    lstReminder = named(new QListWidget(this), "lstReminder");
    lstReminder->setAccessibleName(tr("How to save a book"));
    lstReminder->setSelectionMode(QAbstractItemView::NoSelection);
    lstReminder->setFocusPolicy(Qt::NoFocus);
    place(lstReminder, 4920, 40, 6855, 645);
}

void frmBrowser1::buildAddressBar()
{
    picAddress = named(new QFrame(this), "picAddress");
    picAddress->setAccessibleName(tr("Address bar"));
    place(picAddress, -120, 760, 10080, 675);

    cboAddress = named(new QComboBox(picAddress), "cboAddress");
    cboAddress->setEditable(true);
    // The list is ours to keep: Enter never adds to it, and typing is never completed into
    // another address.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setCompleter(nullptr);
    cboAddress->setAccessibleName(tr("Address"));
    place(cboAddress, 2160, 300, 9000, 315);

    lblAddress = named(new QLabel(tr("&Address:"), picAddress), "lblAddress");
    lblAddress->setAccessibleName(tr("Address"));
    lblAddress->setBuddy(cboAddress);
    place(lblAddress, 2160, 75, 1200, 225);

    connect(cboAddress, &QComboBox::activated, this, &frmBrowser1::NavigateToAddressBox);
    connect(cboAddress->lineEdit(), &QLineEdit::returnPressed, this,
            &frmBrowser1::NavigateToAddressBox);
}

void frmBrowser1::Form_Load()
{
    // Maximized, and where no window manager maximizes it, as large as the screen; its title
    // bar stays on the screen when it is restored.
    ScreenFit::showMaximized(this);

    cboSites->clear();
    cboSites->addItems(BookAddresses::siteEntries());

    brwWebBrowser->Navigate(m_appFolder + QStringLiteral("blank.htm"));

    lstReminder->addItem(tr("A: Find a book you like.  Right-click on the link.  From the menu, "
                            "click 'Save Target As'."));
    lstReminder->addItem(tr("Then, save to the Books subdirectory under Quillmere.    OR-->"));
    lstReminder->addItem(tr("B: Find a book you like.  Open it by clicking on the link.  Then, "
                            "click the 'Save Book' button."));
    // All three lines show whole, between the toolbar's buttons and the address box.
    WidgetBuilding::fitToLines(lstReminder, width() - Twips::toPixels(ReminderRightMargin),
                               picAddress->y() + cboAddress->y());

    cboAddress->clear();
}

void frmBrowser1::Search()
{
    const QString address = BookAddresses::search(txtAuthor->text(), chkAuthorStart->isChecked(),
                                                  txtTitle->text(), chkTitleStart->isChecked());
    brwWebBrowser->Navigate(address);
    // The location as the view reports it right after the request, newest first.
    cboAddress->insertItem(0, brwWebBrowser->LocationURL());
}

void frmBrowser1::SiteChosen(int position)
{
    if (cboSites->itemText(position) == QLatin1String("-")) {
        return;
    }
    const QString address = BookAddresses::siteAddress(position);
    if (address.isEmpty()) {
        return;
    }
    showWaitPointer();
    brwWebBrowser->Navigate(address);
    cboAddress->setEditText(address);
    cboAddress->addItem(address);
    brwWebBrowser->setFocus();
}

void frmBrowser1::NavigateToAddressBox()
{
    if (m_addressListUpdating || !m_addressEnter.claim(this)) {
        return;
    }
    brwWebBrowser->Navigate(cboAddress->currentText());
}

void frmBrowser1::History(const QString& address)
{
    restorePointer();
    if (address.right(9) == QLatin1String("blank.htm")) {
        return;
    }
    const QString location = brwWebBrowser->LocationURL();
    const int found = cboAddress->findText(location, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_addressListUpdating = true;
    if (found >= 0) {
        cboAddress->removeItem(found);
    }
    cboAddress->insertItem(0, location);
    cboAddress->setCurrentIndex(0);
    m_addressListUpdating = false;
}

void frmBrowser1::DownloadFinished()
{
    restorePointer();
}

void frmBrowser1::SaveBook()
{
    // An error page (no connection, not found) is no book to save.
    if (!(brwWebBrowser->QueryStatusWB(WebView::CommandSaveAs) & WebView::StatusEnabled)) {
        MessageBox::show(this, tr("This page did not load, so there is no book on it to save.  "
                                  "Open the book's page first, then click 'Save Book'."));
        return;
    }
    // The view's own save dialog starts in the books folder; the user picks the name.
    brwWebBrowser->ExecWB(WebView::CommandSaveAs, WebView::PromptUser);
}

void frmBrowser1::Form_Activate()
{
    panelBackboard->bind(SkinForm1);
    btnSave->bind(SkinForm1);
    panelAuthor->bind(SkinForm1);
    panelSites->bind(SkinForm1);
    labelAuthor->bind(SkinForm1);
    labelTitle->bind(SkinForm1);
    btnOK->bind(SkinForm1);
    // Only the toolbar panel's width follows the window.
    const float width = Twips::fromPixels(frameGeometry().width());
    const float panelLeft = Twips::fromPixels(panelToolbar->x());
    const float panelWidth = width - (panelLeft + 20.0f);
    if (panelWidth >= 0) {
        panelToolbar->resize(Twips::toPixels(panelWidth), panelToolbar->height());
    }
    panelToolbar->bind(SkinForm1);
}

void frmBrowser1::Form_Resize()
{
    if (!brwWebBrowser) {
        return;
    }
    const QRect outer = frameGeometry();
    const float height = Twips::fromPixels(outer.height()) - 1785.0f;
    // Too small a window (or a minimized one) leaves the view as it was.
    if (height < 0) {
        return;
    }
    const float width = Twips::fromPixels(outer.width()) - 2280.0f;
    QSize size(brwWebBrowser->width(), Twips::toPixels(height));
    if (width >= 0) {
        size.setWidth(Twips::toPixels(width));
    }
    brwWebBrowser->resize(size);
}

void frmBrowser1::showWaitPointer()
{
    if (!m_waitPointer) {
        m_waitPointer.emplace();
    }
}

void frmBrowser1::restorePointer()
{
    m_waitPointer.reset();
}

void frmBrowser1::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Form_Activate();
    }
    QWidget::changeEvent(event);
}

void frmBrowser1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmBrowser1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Form_Resize();
}

bool frmBrowser1::eventFilter(QObject* watched, QEvent* event)
{
    // A closed sites box would jump to the site whose name starts with a typed letter and open
    // it; typing there does nothing, only a choice from the list (or the arrow keys) does.
    if (watched == cboSites && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (key->key() != Qt::Key_Space && !text.isEmpty() && text.at(0).isPrint()) {
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmBrowser1::closeEvent(QCloseEvent* event)
{
    // Books saved while the window was open belong in the library now.
    emit closing();
    event->accept();
}
