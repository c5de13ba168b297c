// Coming back to one's place: books of every kind reopened where they were left (with the
// option on, after a rename), Continue Reading after a restart, File > Open... of a file
// outside the library, files dropped on the window, and the open book in the window title.
#include "core/ReadingHistory.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/PdfBooks.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/LibraryTree.h"
#include "ui/dialogs/frmOptions.h"
#include "views/DocumentView.h"
#include "views/FileDialog.h"
#include "views/PdfView.h"
#include "views/PlaceKeeper.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace {
constexpr int Paragraphs = 1500;

QString paragraph(int n)
{
    return QStringLiteral("Paragraph %1 of the long road, walked slowly in the rain.").arg(n);
}

QByteArray plainBook()
{
    QByteArray text;
    for (int n = 1; n <= Paragraphs; ++n) {
        text += paragraph(n).toLatin1() + "\n\n";
    }
    return text;
}

QByteArray rtfBook()
{
    QByteArray text = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 ";
    for (int n = 1; n <= Paragraphs; ++n) {
        text += paragraph(n).toLatin1() + "\\par\n";
    }
    return text + "}";
}

// The text at the view's top edge.
QString topText(const frmMain& window, int length)
{
    const int top = window.txtBook->topOffset();
    QTextCursor cursor(window.txtBook->document());
    cursor.setPosition(top);
    cursor.setPosition(qMin(top + length, window.txtBook->document()->characterCount() - 1),
                       QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

// Scrolls as the scroll bar would until the paragraph's first line is at the top.
bool readTo(frmMain& window, const QString& text)
{
    const int at = int(window.txtBook->document()->toRawText().indexOf(text));
    if (at < 0) {
        return false;
    }
    QScrollBar* bar = window.txtBook->verticalScrollBar();
    QTextCursor cursor(window.txtBook->document());
    cursor.setPosition(at);
    for (int step = 0; step < 50 && window.txtBook->cursorRect(cursor).top() != 0; ++step) {
        bar->setValue(bar->value() + window.txtBook->cursorRect(cursor).top());
        QCoreApplication::processEvents();
    }
    // The scroll bar moves by whole pixels over lines of estimated height: the paragraph is
    // reached when it begins on the first lines shown.
    return topText(window, 150).contains(text);
}

void setRememberPlace(bool on)
{
    ReadingHistory::setRememberPlace(on);
}
} // namespace

class PlacesTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        setRememberPlace(false);
        MessageBox::clearShown();
    }

    void textBooksReopenWhereTheyWereLeft_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("rename");
        QTest::newRow("plain text") << QStringLiteral("Road.txt") << plainBook() << false;
        QTest::newRow("plain text renamed") << QStringLiteral("Road.txt") << plainBook() << true;
        QTest::newRow("RTF") << QStringLiteral("Road.rtf") << rtfBook() << false;
        QTest::newRow("RTF renamed") << QStringLiteral("Road.rtf") << rtfBook() << true;
    }
    void textBooksReopenWhereTheyWereLeft()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, rename);
        TestAppFolder app;
        const QString path = app.addBook(name, content);
        app.addBook(QStringLiteral("Other.txt"), "Another book.\n");
        const QString place = paragraph(700);
        QString reopened = name;
        QString shown;
        setRememberPlace(true);
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, name));
            QVERIFY(readTo(window, place));
            shown = topText(window, 60);
            // Leaving for another book writes the place down.
            QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        }
        if (rename) {
            reopened = QStringLiteral("Renamed ") + name;
            QVERIFY(QFile::rename(path, app.booksPath() + reopened));
        }
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, reopened));
            QCOMPARE(topText(window, 60), shown);
            // A smaller window and a larger font re-lay the text; the place stays found by its
            // text when the book is opened again.
            window.resize(500, 500);
            window.txtBook->setFontSize(20);
            QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
            QVERIFY(Driver::clickNode(window, reopened));
            QVERIFY2(topText(window, 200).contains(shown.left(30)),
                     qPrintable(topText(window, 200)));
        }
        // With the option off, a book without a bookmark opens at its top, as it always did.
        setRememberPlace(false);
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, reopened));
        QCOMPARE(window.txtBook->topOffset(), 0);
        // The book's own file was never written for its place.
        QCOMPARE(app.readFile(app.booksPath() + reopened), content);
    }

    void aBookmarkStillWinsOverThePlace()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Road.rtf"), rtfBook());
        setRememberPlace(true);
        int bookmark = -1;
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("Road.rtf")));
            bookmark = int(window.txtBook->document()->toRawText().indexOf(paragraph(40)));
            window.txtBook->setSelStart(bookmark);
            window.SetBookmark();
            QVERIFY(readTo(window, paragraph(900)));
            QVERIFY(window.close());
        }
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("Road.rtf")));
        QCOMPARE(window.txtBook->SelStart(), bookmark);
        QVERIFY(window.txtBook->isPictureAt(bookmark));
    }

    void pdfBooksReopenAtTheirPage()
    {
        TestAppFolder app;
        QVERIFY(writePdf(app.booksPath() + QStringLiteral("Tides.pdf"), 12));
        app.addBook(QStringLiteral("Other.txt"), "Another book.\n");
        setRememberPlace(true);
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("Tides.pdf")));
            QTRY_COMPARE(window.pdfBook->pageCount(), 12);
            window.pdfBook->showPlace(7, 0.25);
            QTRY_COMPARE(window.pdfBook->currentPage(), 7);
        }
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("Tides.pdf")));
        QTRY_COMPARE(window.pdfBook->currentPage(), 7);
        QVERIFY(qAbs(window.pdfBook->currentTop() - 0.25) < 0.05);
    }

    void wordDocumentsReopenWhereTheyWereLeft()
    {
        TestAppFolder app;
        app.addBookFromData(QStringLiteral("places/long-shore.doc"), QStringLiteral("Shore.doc"));
        app.addBook(QStringLiteral("Other.txt"), "Another book.\n");
        setRememberPlace(true);
        int top = -1;
        {
            frmMain window(app.path());
            window.resize(900, 600);
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("Shore.doc")));
            QTRY_VERIFY(!window.ole1->text().isEmpty());
            const int at = int(window.ole1->text().indexOf(QStringLiteral("Line 250 ")));
            QVERIFY(at > 0);
            window.ole1->showOffset(at);
            top = window.ole1->topOffset();
            QVERIFY(top > 0);
            QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        }
        frmMain window(app.path());
        window.resize(900, 600);
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("Shore.doc")));
        QTRY_COMPARE(window.ole1->topOffset(), top);
    }

    void continueReadingAfterARestart()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Road.txt"), plainBook());
        app.addBook(QStringLiteral("Other.txt"), "Another book.\n");
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("Road.txt")));
            QVERIFY(readTo(window, paragraph(300)));
            QCOMPARE(window.windowTitle(), QStringLiteral("Road.txt \u2014 Quillmere"));
        }
        // The option is off: only Continue Reading goes back to the place.
        frmMain window(app.path());
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Quillmere"));
        auto* note = window.findChild<QLabel*>(QStringLiteral("bookMessage"));
        QVERIFY(note && note->isVisible());
        QVERIFY(note->text().contains(QStringLiteral("Road.txt")));
        QVERIFY(note->text().contains(QStringLiteral("Continue Reading")));
        QCOMPARE(window.mnuFileContinue->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
        window.mnuFileContinue->trigger();
        QCOMPARE(Driver::currentNode(window), QStringLiteral("Road.txt"));
        QVERIFY(topText(window, 150).contains(paragraph(300)));
        QVERIFY(!note->isVisible());

        // Recent Books lists what was read, newest first.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        emit window.mnuFileRecent->aboutToShow();
        const QList<QAction*> recent = window.mnuFileRecent->actions();
        QCOMPARE(recent.size(), 2);
        QCOMPARE(recent.at(0)->text(), QStringLiteral("Other.txt"));
        QCOMPARE(recent.at(1)->text(), QStringLiteral("Road.txt"));
        recent.at(1)->trigger();
        QCOMPARE(Driver::currentNode(window), QStringLiteral("Road.txt"));
    }

    void theOptionIsAskedInOptions()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.show();
        window.ShowOptions();
        auto* options = Driver::topLevel<frmOptions>();
        QVERIFY(options);
        auto* box = options->findChild<QCheckBox*>(QStringLiteral("chkRememberPlace"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Open books where I stopped reading"));
        QVERIFY(!box->isChecked());
        box->setChecked(true);
        options->btnOK_Click();
        QVERIFY(ReadingHistory::rememberPlace());
        // options.txt keeps its three fields.
        QCOMPARE(app.readFile(app.optionsPath()), QByteArray("\"no\",12,\"yes\"\r\n"));
    }

    void openAndDropCopyIntoTheLibrary_data()
    {
        QTest::addColumn<bool>("drop");
        QTest::newRow("File > Open...") << false;
        QTest::newRow("dropped on the window") << true;
    }
    void openAndDropCopyIntoTheLibrary()
    {
        QFETCH(bool, drop);
        TestAppFolder app;
        app.addBook(QStringLiteral("Road.txt"), "The book already in the library.\n");
        QTemporaryDir outside;
        const QString file = outside.filePath(QStringLiteral("Road.txt"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("A new book of the same name.\n");
        }
        frmMain window(app.path());
        window.show();
        auto open = [&] {
            if (!drop) {
                FileDialog::setNextFileName(file);
                window.mnuFileOpen->trigger();
                return;
            }
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(file)});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(&window, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                               Qt::NoModifier);
            QCoreApplication::sendEvent(&window, &dropped);
        };
        open();
        // Copied under a free name, never over the book of the same name, and opened.
        QCOMPARE(app.readFile(app.booksPath() + QStringLiteral("Road.txt")),
                 QByteArray("The book already in the library.\n"));
        QCOMPARE(Driver::currentNode(window), QStringLiteral("Road (2).txt"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Road (2).txt \u2014 Quillmere"));
        QVERIFY(window.txtBook->document()->toPlainText().contains(QStringLiteral("new book")));
        // The same file again is the book already copied.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Road.txt")));
        open();
        QCOMPARE(Driver::currentNode(window), QStringLiteral("Road (2).txt"));
        QCOMPARE(QDir(app.booksPath()).entryList(QDir::Files).size(), 2);
    }

    void theLibraryIsWidenedAndKeepsItsWidth()
    {
        TestAppFolder app;
        // Drags the handle by dx pixels, as the mouse does.
        auto drag = [](QWidget* handle, int dx) {
            const QPoint grip = handle->rect().center();
            const QPoint target = handle->mapToParent(grip) + QPoint(dx, 0);
            QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, grip);
            const QPointF local = handle->mapFromParent(target);
            QMouseEvent move(QEvent::MouseMove, local, handle->mapToGlobal(local), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(handle, &move);
            QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier,
                                handle->mapFromParent(target));
        };
        int wider = 0;
        {
            frmMain window(app.path());
            window.resize(1000, 700);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            auto* handle = window.findChild<QWidget*>(QStringLiteral("librarySplitter"));
            QVERIFY(handle && handle->isVisible());
            const int before = window.TreeView1->width();
            const int gap = window.txtBook->x() - before;
            drag(handle, 150);
            wider = window.TreeView1->width();
            QCOMPARE(wider, before + 150);
            // The pane moved along and still reaches the window's right edge.
            QCOMPARE(window.txtBook->x(), wider + gap);
            QCOMPARE(window.txtBook->geometry().right(), window.centralWidget()->rect().right());
            // It never takes the whole window.
            drag(handle, 5000);
            QVERIFY(window.txtBook->width() >= 200);
            drag(handle, wider - window.TreeView1->width());
            QCOMPARE(window.TreeView1->width(), wider);
        }
        frmMain window(app.path());
        window.resize(1000, 700);
        window.show();
        QCOMPARE(window.TreeView1->width(), wider);
    }

    void booksCopiedIntoTheFolderShowWithoutARestart()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Road.txt"), plainBook());
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("Road.txt")));
        QVERIFY(readTo(window, paragraph(200)));
        const int top = window.txtBook->topOffset();
        // Another program copies a book in, and another one out.
        app.addBook(QStringLiteral("Arrival.txt"), "Just arrived.\n");
        QTRY_VERIFY(Driver::treeBooks(window).contains(QStringLiteral("Arrival.txt")));
        QCOMPARE(Driver::currentNode(window), QStringLiteral("Road.txt"));
        QCOMPARE(window.txtBook->topOffset(), top);
        QVERIFY(QFile::remove(app.booksPath() + QStringLiteral("Arrival.txt")));
        QTRY_VERIFY(!Driver::treeBooks(window).contains(QStringLiteral("Arrival.txt")));
        QCOMPARE(Driver::currentNode(window), QStringLiteral("Road.txt"));
        QCOMPARE(window.state().Kind, BookKind::PlainText);
    }

    void fileOpenCancelledOpensNothing()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.show();
        window.mnuFileOpen->trigger(); // nothing queued: the dialog is cancelled
        QCOMPARE(window.state().Kind, BookKind::None);
        QVERIFY(MessageBox::shown().isEmpty());
    }
};

QUILLMERE_TEST_MAIN(PlacesTest)
#include "tst_places.moc"
