#include "mainwindow/frmMain.h"

#include "mainwindow/ViewCommands.h"

#include "core/AppSettings.h"
#include "core/Library.h"
#include "core/ReaderOptions.h"
#include "formats/OptionsFile.h"
#include "formats/Twips.h"
#include "formats/record/RecordsFolder.h"
#include "mainwindow/CopyShortcut.h"
#include "mainwindow/ParchmentBackground.h"
#include "mainwindow/ViewCommands.h"
#include "ui/BookSidePanel.h"
#include "ui/LibraryTree.h"
#include "ui/commands/ReaderContext.h"
#include "ui/skin/SkinForm.h"
#include "ui/skin/SkinLabel.h"
#include "ui/web/RefusedLink.h"
#include "views/DocumentView.h"
#include "views/EpubSession.h"
#include "views/MessageBox.h"
#include "views/PdfView.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/ShowOrRaise.h"
#include "views/WebView.h"
#include "views/WidgetBuilding.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

static void initQuillmereResources()
{
    Q_INIT_RESOURCE(quillmere);
}

using WidgetBuilding::named;
using WidgetBuilding::place;

namespace {
// Designed client area of the window, in twips.
constexpr double DesignedWidth = 11880;
constexpr double DesignedHeight = 6600;
// The tree ends a little above the client area's bottom edge.
constexpr double TreeBottomMargin = 15;

const QString PdfReaderAddress = QStringLiteral("https://get.adobe.com/reader/");

} // namespace

frmMain::frmMain(const QString& programFolder, QWidget* parent) : QMainWindow(parent)
{
    initQuillmereResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillmere"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillmere.svg")));
    SkinForm1 = new SkinForm(this);
    m_state.setProgramFolder(programFolder);
    m_library = new Library(m_state.BooksFolder, this);

    auto* client = named(new ParchmentBackground(this), "clientArea");
    setCentralWidget(client);
    buildToolbar(client);
    buildPane(client);
    buildMenus();
    buildStatusBar();
    m_viewCommands = new ViewCommands(*this);
    buildPlaceMenus();
    new CopyShortcut(*this);
    resize(Twips::toPixels(DesignedWidth), Twips::toPixels(DesignedHeight));
    buildLibrarySplitter();

    // Start-up sequence.
    m_state.FirstActivation = true;
    m_state.ChangesPending = false;
    m_state.ShowManualAtStart = false;
    // Links saved from a web book's page go into the library too.
    wbBook->setSaveFolder(m_state.BooksFolder);
    // What the reader keeps about its books lives next to the options, never in the books.
    const QString records = Reading::recordsFolder(m_state.AppFolder);
    m_pane->attachEpubSession(records, mnuContents);
    m_pane->keepPlaces(records);
    // A chapter turn is a move even where the scroll bar keeps its value.
    connect(m_pane->epub(), &EpubSession::chapterShown, this, &frmMain::readerMoved);
    // Books of other formats are read whole on their first opening; what they were read into
    // is kept in the user's cache folder (never beside the books), so later openings are quick.
    if (const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        !cache.isEmpty()) {
        m_pane->epub()->setPackageFolder(cache + QStringLiteral("/book-packages"));
    }
    IsItFirstTime();
    ReaderOptions::ReadOptions(m_state);
    SetNodesList();
    // Books copied, saved or removed by any program show in the tree without a refill.
    m_library->setWatching(true);
    if (m_state.ShowManualAtStart) {
        OpenManual();
    }
    showLastBookNote();
}

frmMain::~frmMain()
{
    // Where the book was left is written down while its view still exists.
    m_pane->closeBook();
}

void frmMain::buildToolbar(QWidget* client)
{
    WidgetBuilding::pictureButtonRow(
        client,
        {{&btnFind, "btnFind", "find", tr("Find a Book"), 120},
         {&btnDelete, "btnDelete", "delete", tr("Delete E-book"), 480},
         {&btnPrint, "btnPrint", "print", tr("Print"), 840},
         {&btnSend, "btnSend", "send", tr("Send E-book"), 1200},
         {&btnDef, "btnDef", "definition", tr("Get Definition"), 1680},
         {&btnPicture, "btnPicture", "picture", tr("Get Picture"), 2040},
         {&btnBookmark, "btnBookmark", "bookmark", tr("Bookmark"), 2400},
         {&btnRedPen, "btnRedPen", "redpen", tr("Red Pen"), 2760},
         {&btnErase, "btnErase", "erase", tr("Erase"), 3120},
         {&btnSearch, "btnSearch", "search", tr("Search Text"), 3480},
         {&btnCopy, "btnCopy", "copy", tr("Copy"), 3840}},
        20, 360, 360);
    connect(btnFind, &QToolButton::clicked, this, &frmMain::ShowFindABook);
    connect(btnDelete, &QToolButton::clicked, this, &frmMain::DeleteBook);
    connect(btnPrint, &QToolButton::clicked, this, &frmMain::PrintBook);
    connect(btnSend, &QToolButton::clicked, this, &frmMain::ShowShare);
    connect(btnDef, &QToolButton::clicked, this, &frmMain::GetDefinition);
    connect(btnPicture, &QToolButton::clicked, this, &frmMain::GetPicture);
    connect(btnBookmark, &QToolButton::clicked, this, &frmMain::SetBookmark);
    connect(btnRedPen, &QToolButton::clicked, this, &frmMain::HighlightIt);
    connect(btnErase, &QToolButton::clicked, this, &frmMain::EraseIt);
    connect(btnSearch, &QToolButton::clicked, this, &frmMain::ShowSearch);
    connect(btnCopy, &QToolButton::clicked, this, &frmMain::CopySelection);

    picLine = named(new QFrame(client), "picLine");
    picLine->setFrameShape(QFrame::HLine);
    picLine->setFrameShadow(QFrame::Sunken);
    picLine->setAccessibleName(tr("Separator"));
    place(picLine, 0, 400, 8935, 60);

    labelMyLib = named(new SkinLabel(tr("My Library"), client), "labelMyLib");
    labelMyLib->setAccessibleName(labelMyLib->text());
    place(labelMyLib, 0, 480, 1095, 210);

    TreeView1 = named(new LibraryTree(*m_library, client), "TreeView1");
    TreeView1->setAccessibleName(tr("Library"));
    place(TreeView1, 0, 705, 2050, 5880);
    connect(TreeView1, &LibraryTree::nodeChosen, this, &frmMain::OpenTheNode);
}

void frmMain::buildPane(QWidget* client)
{
    btnBack =
        WidgetBuilding::pictureButton(client, "btnBack", "back", tr("Back"), 2040, 480, 445, 440);
    btnBack->hide();
    connect(btnBack, &QToolButton::clicked, this, &frmMain::WebBack);

    btnForward = WidgetBuilding::pictureButton(client, "btnForward", "forward", tr("Forward"), 2505,
                                               480, 445, 440);
    btnForward->hide();
    connect(btnForward, &QToolButton::clicked, this, &frmMain::WebForward);

    m_pane = new ReadingPane(m_state, client);
    txtBook = m_pane->text();
    pdfBook = m_pane->pdf();
    ole1 = m_pane->document();
    wbBook = m_pane->web();
    bookMessage = m_pane->message();
    connect(m_pane, &ReadingPane::interfaceChanged, this, &frmMain::applyInterface);
    connect(wbBook, &WebView::linkRefused, this,
            [this](const QString& address) { RefusedLink::handle(this, address); });
    connect(txtBook, &RichTextView::mouseDown, this,
            [this](Qt::MouseButton button, const QPoint& position) {
                if (button == Qt::RightButton && mnuGet) {
                    mnuGet->popup(txtBook->viewport()->mapToGlobal(position));
                }
            });
}

void frmMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    auto action = [this](QMenu* menu, const QString& caption, const char* name,
                         void (frmMain::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    mnuFile = named(bar->addMenu(tr("&File")), "mnuFile");
    mnuFindaBook = action(mnuFile, tr("&Find a Book"), "mnuFindaBook", &frmMain::ShowFindABook);
    mnuFileDelete = action(mnuFile, tr("&Delete"), "mnuFileDelete", &frmMain::DeleteBook);
    mnuFileShare = action(mnuFile, tr("&Share"), "mnuFileShare", &frmMain::ShowShare);
    mnuFileMailAccount =
        action(mnuFile, tr("&Mail Account..."), "mnuFileMailAccount", &frmMain::ShowMailAccount);
    mnuFilePrint = action(mnuFile, tr("&Print"), "mnuFilePrint", &frmMain::PrintBook);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFile0"));
    mnuFileExit = action(mnuFile, tr("E&xit"), "mnuFileExit", &frmMain::Exit);

    mnuEdit = named(bar->addMenu(tr("&Edit")), "mnuEdit");
    mnuEditSearch = action(mnuEdit, tr("&Search"), "mnuEditSearch", &frmMain::ShowSearch);
    mnuEditHighlight = action(mnuEdit, tr("&Highlight"), "mnuEditHighlight", &frmMain::HighlightIt);
    mnuEditErase = action(mnuEdit, tr("&Erase"), "mnuEditErase", &frmMain::EraseIt);
    mnuEditCopy = action(mnuEdit, tr("&Copy"), "mnuEditCopy", &frmMain::CopySelection);
    mnuEditCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuViewOptions = action(mnuEdit, tr("&Options..."), "mnuViewOptions", &frmMain::ShowOptions);

    mnuGet = named(bar->addMenu(tr("&Get")), "mnuGet");
    mnuGetDefinition =
        action(mnuGet, tr("&Definition"), "mnuGetDefinition", &frmMain::GetDefinition);
    mnuGetPicture = action(mnuGet, tr("&Picture"), "mnuGetPicture", &frmMain::GetPicture);

    // The open EPUB book's table of contents; shown only while one is open.
    mnuContents = named(bar->addMenu(tr("C&ontents")), "mnuContents");
    mnuContents->menuAction()->setVisible(false);

    mnuHelp = named(bar->addMenu(tr("&Help")), "mnuHelp");
    mnuHelpContents = action(mnuHelp, tr("&Contents"), "mnuHelpContents", &frmMain::OpenManual);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuHelpBar0"));
    mnuHelpAbout = action(mnuHelp, tr("&About "), "mnuHelpAbout", &frmMain::ShowAbout);
}

void frmMain::buildStatusBar()
{
    sbStatusBar = named(new QStatusBar(this), "sbStatusBar");
    setStatusBar(sbStatusBar);
    statusText = named(new QLabel(tr("Status"), sbStatusBar), "statusText");
    statusDate = named(new QLabel(sbStatusBar), "statusDate");
    statusTime = named(new QLabel(sbStatusBar), "statusTime");
    sbStatusBar->addWidget(statusText, 1);
    sbStatusBar->addPermanentWidget(statusDate);
    sbStatusBar->addPermanentWidget(statusTime);
    statusText->setAccessibleName(tr("Status"));
    statusDate->setAccessibleName(tr("Date"));
    statusTime->setAccessibleName(tr("Time"));
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &frmMain::updateClock);
    m_clock->start();
    updateClock();
}

void frmMain::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    statusDate->setText(locale.toString(now.date(), QLocale::ShortFormat));
    statusTime->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void frmMain::IsItFirstTime()
{
    if (!QFile::exists(m_state.OptionsFilePath)) {
        return;
    }
    const OptionsFile::Record record = OptionsFile::read(m_state.OptionsFilePath);
    ReaderOptions::apply(record, m_state);
    if (!record.firstRunFlag || !record.firstRunFlag->isYes()) {
        return;
    }
    m_state.ShowManualAtStart = true;
    QString error;
    if (!OptionsFile::write(m_state.OptionsFilePath, m_state.FontSize, m_state.PdfReaderFlag,
                            &error)) {
        // A read-only installation still starts; it just greets the user again next time.
        MessageBox::warning(this, error);
    }
    if (m_state.PdfReaderFlag.isNo()) {
        MessageBox::show(this, tr("If you would like to view e-books in PDF format, be sure to "
                                  "download Acrobat Reader.  You can download Reader for free "
                                  "at %1.")
                                   .arg(PdfReaderAddress));
    }
}

void frmMain::Form_Activate()
{
    // The skin binds "My Library" on every activation; the first one records the size.
    labelMyLib->bind(SkinForm1);
    if (!m_state.FirstActivation) {
        return;
    }
    const QRect outer = frameGeometry();
    m_state.RecordedMainHeight = Twips::fromPixels(outer.height());
    m_state.RecordedMainWidth = Twips::fromPixels(outer.width());
    picLine->resize(outer.width(), picLine->height());
    m_state.FirstActivation = false;
}

void frmMain::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Form_Activate();
    }
    QMainWindow::changeEvent(event);
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyLayoutRule();
}

void frmMain::applyLayoutRule()
{
    if (!txtBook) {
        return;
    }
    // The views fill the client area (between the menu bar and the status bar) to its right
    // and bottom edges; the window manager's frame and title bar are no part of it.
    fitLibraryWidth();
    m_pane->fitToClient();
    const QWidget* client = centralWidget();
    const int treeHeight = client->height() - TreeView1->y() - Twips::toPixels(TreeBottomMargin);
    if (treeHeight >= 0) {
        TreeView1->resize(TreeView1->width(), treeHeight);
    }
    placeLibrarySplitter();
}

void frmMain::DisableInterface(InterfaceMode mode)
{
    const bool textBook = mode == InterfaceMode::Text;
    const bool printable = textBook || mode == InterfaceMode::Web;
    btnPrint->setEnabled(printable);
    mnuFilePrint->setEnabled(printable);
    for (QToolButton* b :
         {btnDef, btnPicture, btnBookmark, btnRedPen, btnErase, btnSearch, btnCopy}) {
        b->setEnabled(textBook);
    }
    // With no book in the pane the Edit menu still offers Options; only its book commands go.
    mnuEdit->menuAction()->setEnabled(textBook || mode == InterfaceMode::NoBook);
    for (QAction* a : {mnuEditCopy, mnuEditErase, mnuEditHighlight, mnuEditSearch, mnuGetPicture,
                       mnuGetDefinition}) {
        a->setEnabled(textBook);
    }
    if (textBook) {
        mnuGet->menuAction()->setEnabled(true);
    }
    btnBack->setVisible(mode == InterfaceMode::Web);
    btnForward->setVisible(mode == InterfaceMode::Web);
}

void frmMain::applyInterface(InterfaceMode mode, bool marksAllowed)
{
    DisableInterface(mode);
    if (!marksAllowed) {
        for (QToolButton* b : {btnBookmark, btnRedPen, btnErase}) {
            b->setEnabled(false);
        }
        for (QAction* a : {mnuEditHighlight, mnuEditErase}) {
            a->setEnabled(false);
        }
    }
}

EpubSession* frmMain::epubSession() const
{
    return m_pane->epub();
}

ReaderContext frmMain::context()
{
    return {this, m_state, *m_library, TreeView1, *m_pane, m_windows};
}

void frmMain::SetNodesList()
{
    TreeView1->SetNodesList();
}

void frmMain::Exit()
{
    // A book that could not be written is not given up by ending the program.
    if (m_state.ChangesPending && !SaveChanges()) {
        return;
    }
    m_pane->closeBook();
    // Ends at once: no other window's closing, no placement written.
    m_ended = true;
    QCoreApplication::exit(0);
}

void frmMain::registerWindow(QWidget* window)
{
    m_windows.add(window);
}

void frmMain::bringToFront()
{
    showOrRaise(this);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_ended) {
        event->accept();
        return;
    }
    // The open book's marks are saved as Exit saves them (a plain-text book after the format
    // question, whose Cancel closes without converting). A book that could not be written
    // keeps the window open, with the reason already shown, rather than losing its marks.
    if (m_state.ChangesPending && !SaveChanges()) {
        event->ignore();
        return;
    }
    m_pane->closeBook();
    // Close the other windows, from the most recently opened back to the first.
    m_windows.closeAll();
    if (!isMinimized()) {
        writePlacement();
    }
    event->accept();
}

void frmMain::writePlacement()
{
    const QRect outer = frameGeometry();
    auto settings = AppSettings::open();
    settings->beginGroup(QStringLiteral("Settings"));
    settings->setValue(QStringLiteral("MainLeft"), QString::number(Twips::fromPixels(outer.x())));
    settings->setValue(QStringLiteral("MainTop"), QString::number(Twips::fromPixels(outer.y())));
    settings->setValue(QStringLiteral("MainWidth"),
                       QString::number(Twips::fromPixels(outer.width())));
    settings->setValue(QStringLiteral("MainHeight"),
                       QString::number(Twips::fromPixels(outer.height())));
    settings->endGroup();
    settings->sync();
}
