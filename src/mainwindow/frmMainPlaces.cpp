// The main window's ways back into books: File > Open..., Recent Books and Continue Reading,
// books dropped on the window, and the open book's name in the window title.
#include "core/Library.h"
#include "core/ReadingHistory.h"
#include "mainwindow/frmMain.h"
#include "ui/LibraryTree.h"
#include "ui/MessageBox.h"
#include "ui/commands/BookOpener.h"
#include "ui/commands/ReaderContext.h"
#include "views/FileDialog.h"
#include "views/ReadingPane.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
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
    mnuFile->insertSeparator(first)->setObjectName(QStringLiteral("mnuFilePlaces"));
    // The entries work wherever the focus is in the window.
    addAction(mnuFileOpen);
    addAction(mnuFileContinue);
    setAcceptDrops(true);
    connect(m_pane, &ReadingPane::interfaceChanged, this, &frmMain::showBookInTitle);
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
