// The main window's ways back into books and through them: File > Open..., Recent Books and
// Continue Reading, books dropped on the window, the open book's name in the window title,
// where the reader is in the status bar, the side panel of contents and marks (View >
// Contents) and File > Export Marks....
#include "core/Library.h"
#include "core/ReadingHistory.h"
#include "formats/AtomicFile.h"
#include "mainwindow/frmMain.h"
#include "ui/BookSidePanel.h"
#include "ui/LibraryTree.h"
#include "ui/commands/BookOpener.h"
#include "ui/commands/ReaderContext.h"
#include "views/DocumentView.h"
#include "views/EpubSession.h"
#include "views/FileDialog.h"
#include "views/MessageBox.h"
#include "views/PdfView.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

namespace {
// The local files among what is dragged; nothing else is taken.
QStringList droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls()) {
        return files;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            files.append(url.toLocalFile());
        }
    }
    return files;
}

int percentOf(double part, double whole)
{
    return whole > 0 ? qBound(0, int(part * 100 / whole), 100) : 0;
}

// Calls back whenever the watched widget changes its size.
class ResizeFollower : public QObject
{
public:
    ResizeFollower(QWidget* watched, std::function<void()> callback)
        : QObject(watched), m_callback(std::move(callback))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize) {
            m_callback();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_callback;
};
} // namespace

void frmMain::buildPlaceMenus()
{
    QAction* first = mnuFile->actions().value(0);
    mnuFileOpen = new QAction(tr("&Open..."), mnuFile);
    mnuFileOpen->setObjectName(QStringLiteral("mnuFileOpen"));
    mnuFileOpen->setShortcut(QKeySequence::Open);
    connect(mnuFileOpen, &QAction::triggered, this, &frmMain::ChooseBookFiles);
    mnuFileRecent = new QMenu(tr("&Recent Books"), mnuFile);
    mnuFileRecent->setObjectName(QStringLiteral("mnuFileRecent"));
    connect(mnuFileRecent, &QMenu::aboutToShow, this, &frmMain::fillRecentBooks);
    mnuFileContinue = new QAction(tr("&Continue Reading"), mnuFile);
    mnuFileContinue->setObjectName(QStringLiteral("mnuFileContinue"));
    mnuFileContinue->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(mnuFileContinue, &QAction::triggered, this, &frmMain::ContinueReading);
    mnuFile->insertAction(first, mnuFileOpen);
    mnuFile->insertMenu(first, mnuFileRecent);
    mnuFile->insertAction(first, mnuFileContinue);
    mnuFileExportMarks = new QAction(tr("&Export Marks..."), mnuFile);
    mnuFileExportMarks->setObjectName(QStringLiteral("mnuFileExportMarks"));
    connect(mnuFileExportMarks, &QAction::triggered, this, &frmMain::ExportMarks);
    mnuFile->insertAction(first, mnuFileExportMarks);
    mnuFile->insertSeparator(first)->setObjectName(QStringLiteral("mnuFilePlaces"));
    // The entries work wherever the focus is in the window.
    addAction(mnuFileOpen);
    addAction(mnuFileContinue);
    setAcceptDrops(true);

    // The side panel, shown and hidden with View > Contents (F9).
    m_sidePanel = new BookSidePanel(*m_pane, this);
    addDockWidget(Qt::RightDockWidgetArea, m_sidePanel);
    m_sidePanel->hide();
    mnuViewContents = m_sidePanel->toggleViewAction();
    mnuViewContents->setText(tr("&Contents"));
    mnuViewContents->setObjectName(QStringLiteral("mnuViewContents"));
    mnuViewContents->setShortcut(QKeySequence(Qt::Key_F9));
    viewMenu()->addAction(mnuViewContents);
    addAction(mnuViewContents);
    // The views are placed in the client area by hand: they follow it when the panel takes
    // its room or gives it back.
    new ResizeFollower(centralWidget(), [this] { applyLayoutRule(); });

    m_whereTimer = new QTimer(this);
    m_whereTimer->setSingleShot(true);
    m_whereTimer->setInterval(BookSidePanel::FollowDelayMs);
    connect(m_whereTimer, &QTimer::timeout, this, &frmMain::showWhereReading);
    connect(txtBook->verticalScrollBar(), &QScrollBar::valueChanged, this, &frmMain::readerMoved);
    connect(pdfBook, &PdfView::placeChanged, this, &frmMain::readerMoved);
    connect(ole1, &DocumentView::placeChanged, this, &frmMain::readerMoved);
    connect(txtBook, &RichTextView::textChanged, m_sidePanel, &BookSidePanel::marksChanged);
    connect(m_pane, &ReadingPane::interfaceChanged, this, [this] {
        showBookInTitle();
        m_sidePanel->bookChanged();
        readerMoved();
    });
}

void frmMain::readerMoved()
{
    m_sidePanel->readerMoved();
    m_whereTimer->start();
}

void frmMain::showWhereReading()
{
    const BookKind kind = m_state.Kind;
    const BookKinds::Row& row = BookKinds::row(kind);
    QString where;
    EpubSession* epub = epubSession();
    if (epub && epub->isOpen() && row.reader == BookKinds::Reader::Chapters) {
        const int chapters = int(epub->book().chapters().size());
        const double within =
            double(txtBook->topOffset()) / qMax(1, txtBook->document()->characterCount());
        const int entry = epub->currentContentsEntry();
        const auto contents = epub->book().contents();
        const QString title =
            entry >= 0 && entry < contents.size() ? contents.at(entry).title : QString();
        const int percent = percentOf(epub->currentChapter() + within, chapters);
        where = title.isEmpty() ? tr("%1%").arg(percent) : tr("%1 — %2%").arg(title).arg(percent);
    } else if (kind == BookKind::Pdf && pdfBook->pageCount() > 0) {
        const int pages = pdfBook->pageCount();
        const int page = pdfBook->currentPage();
        where = tr("Page %1 of %2 — %3%")
                    .arg(page + 1)
                    .arg(pages)
                    .arg(percentOf(pdfBook->topPage() + pdfBook->currentTop(), pages));
    } else if (row.view == BookKinds::View::Text && kind != BookKind::None) {
        const int percent =
            percentOf(txtBook->topOffset(), qMax(1, txtBook->document()->characterCount() - 1));
        const QString title = m_sidePanel->currentEntryTitle();
        where = title.isEmpty() ? tr("%1%").arg(percent) : tr("%1 — %2%").arg(title).arg(percent);
    } else if (kind == BookKind::WordDocument && !ole1->showsExplanation()) {
        const int percent =
            percentOf(ole1->topOffset(), qMax(1, ole1->document()->characterCount() - 1));
        const QString title = m_sidePanel->currentEntryTitle();
        where = title.isEmpty() ? tr("%1%").arg(percent) : tr("%1 — %2%").arg(title).arg(percent);
    }
    statusText->setText(where.isEmpty() ? tr("Status") : where);
}

void frmMain::ExportMarks()
{
    if (m_state.Kind == BookKind::None) {
        MessageBox::show(this, tr("Open a book first: its bookmark and marks are exported."));
        return;
    }
    const QList<BookMarkList::Entry> marks = m_sidePanel->marks();
    if (marks.isEmpty()) {
        MessageBox::show(
            this,
            tr("\"%1\" has no bookmark and no marks to export.").arg(m_state.CurrentBookName));
        return;
    }
    EpubSession* epub = epubSession();
    QString title = epub && epub->isOpen() ? epub->book().title() : QString();
    if (title.trimmed().isEmpty()) {
        title = QFileInfo(m_state.CurrentBookName).completeBaseName();
    }
    const QString proposed =
        QDir(QDir::homePath())
            .filePath(tr("%1 marks.md").arg(QFileInfo(m_state.CurrentBookName).completeBaseName()));
    const QString path = FileDialog::getSaveFileName(this, tr("Export Marks"), proposed,
                                                     tr("Markdown (*.md);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!writeFileAtomically(path, BookMarkList::markdown(title, marks).toUtf8(), &error)) {
        MessageBox::warning(this, tr("The marks could not be exported.\n\n%1").arg(error));
    }
}

void frmMain::ChooseBookFiles()
{
    const QStringList files = FileDialog::getOpenFileNames(this, tr("Open Book"), QDir::homePath());
    if (!files.isEmpty()) {
        OpenFiles(files);
    }
}

void frmMain::fillRecentBooks()
{
    mnuFileRecent->clear();
    const QList<int> books = ReadingHistory::recentBooks(*m_library);
    for (const int book : books) {
        const QString name = m_library->at(book).name;
        QAction* entry = mnuFileRecent->addAction(name);
        // Found again by name when chosen: the library may have changed in between.
        connect(entry, &QAction::triggered, this, [this, name] { OpenLibraryBook(name); });
    }
    if (books.isEmpty()) {
        mnuFileRecent->addAction(tr("(no books read yet)"))->setEnabled(false);
    }
}

void frmMain::ContinueReading()
{
    const int book = ReadingHistory::lastBook(*m_library);
    if (book < 0) {
        MessageBox::show(this, tr("There is no book to continue: the book read last is no "
                                  "longer in the library."));
        return;
    }
    TreeView1->selectBook(book);
    TreeView1->scrollTo(TreeView1->currentIndex());
    BookOpener(context()).OpenTheNode(true);
}

void frmMain::showLastBookNote()
{
    const int book = ReadingHistory::lastBook(*m_library);
    if (book < 0 || m_state.Kind != BookKind::None) {
        return;
    }
    m_pane->showNote(tr("You were last reading \"%1\".\n\nChoose File > Continue Reading "
                        "(Ctrl+Shift+O) to go on where you stopped.")
                         .arg(m_library->at(book).name));
}

void frmMain::showBookInTitle()
{
    const bool open = m_state.Kind != BookKind::None && !m_state.CurrentBookName.isEmpty();
    setWindowTitle(open ? tr("%1 \u2014 Quillmere").arg(m_state.CurrentBookName)
                        : QStringLiteral("Quillmere"));
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void frmMain::dropEvent(QDropEvent* event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    OpenFiles(files);
}
