// Opening books from the library tree: the kind of each book, its view, the interface mode,
// the bookmark jump and the PDF reader notice.
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/dialogs/frmAcrobat.h"
#include "ui/skin/SkinButton.h"
#include "views/DocumentView.h"
#include "views/PdfView.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeWidget>

namespace {
const QByteArray SmallRtfBook =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 An RTF book.\\par Second line.}";

QByteArray twoPagePdf()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    painter.drawText(100, 100, QStringLiteral("Page one"));
    writer.newPage();
    painter.drawText(100, 100, QStringLiteral("Page two"));
    painter.end();
    return bytes;
}

QByteArray dataFile(const QString& name)
{
    QFile file(testDataPath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString shownView(frmMain& w)
{
    QStringList shown;
    if (w.txtBook->isVisibleTo(&w)) {
        shown << QStringLiteral("txtBook");
    }
    if (w.wbBook->isVisibleTo(&w)) {
        shown << QStringLiteral("wbBook");
    }
    if (w.pdfBook->isVisibleTo(&w)) {
        shown << QStringLiteral("pdfBook");
    }
    if (w.ole1->isVisibleTo(&w)) {
        shown << QStringLiteral("ole1");
    }
    return shown.join(QLatin1Char('+'));
}
} // namespace

class TestOpening : public QObject
{
    Q_OBJECT
private slots:
    void init() { MessageBox::setTestMode(true); }

    void kindFollowsTheEndOfTheName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("view");
        QTest::addColumn<bool>("webButtons");
        QTest::newRow("upper-case RTF")
            << "Emma.RTF" << SmallRtfBook << int(BookKind::Rtf) << "txtBook" << false;
        QTest::newRow("rtf without a dot")
            << "storyrtf" << SmallRtfBook << int(BookKind::Rtf) << "txtBook" << false;
        QTest::newRow(".htm") << "page.htm" << QByteArray("<title>t</title>x")
                              << int(BookKind::Html) << "wbBook" << true;
        QTest::newRow(".html") << "page.html" << QByteArray("<p>x</p>") << int(BookKind::Html)
                               << "wbBook" << true;
        QTest::newRow(".shtml") << "page.shtml" << QByteArray("<p>x</p>") << int(BookKind::Html)
                                << "wbBook" << true;
        QTest::newRow(".docx") << "Tide.DOCX" << dataFile("books/libreoffice.docx")
                               << int(BookKind::Docx) << "txtBook" << false;
        QTest::newRow(".fb2.zip") << "harbour.fb2.zip" << dataFile("books/pandoc.fb2.zip")
                                  << int(BookKind::Fb2) << "txtBook" << false;
        QTest::newRow(".azw3") << "harbour.azw3" << dataFile("books/calibre.azw3")
                               << int(BookKind::Mobi) << "txtBook" << false;
        QTest::newRow(".odt") << "harbour.odt" << dataFile("books/libreoffice.odt")
                              << int(BookKind::Odt) << "txtBook" << false;
        QTest::newRow(".md") << "notes.md" << QByteArray("# Notes\n\nWords.\n")
                             << int(BookKind::Markdown) << "txtBook" << false;
        QTest::newRow(".zip is text, refused") << "harbour.zip" << dataFile("books/pandoc.fb2.zip")
                                               << int(BookKind::Refused) << "" << false;
        QTest::newRow("no extension") << "README" << QByteArray("Plain words.\n")
                                      << int(BookKind::PlainText) << "txtBook" << false;
        QTest::newRow(".txt") << "Emma.txt" << QByteArray("Emma Woodhouse, handsome.\r\n")
                              << int(BookKind::PlainText) << "txtBook" << false;
        QTest::newRow(".epub") << "Keeper.EPUB" << dataFile("epub/pandoc-epub3.epub")
                               << int(BookKind::Epub) << "txtBook" << false;
        QTest::newRow("epub without a dot is text")
            << "novelepub" << QByteArray("Words.") << int(BookKind::PlainText) << "txtBook"
            << false;
        QTest::newRow(".pdf") << "paper.pdf" << twoPagePdf() << int(BookKind::Pdf) << "pdfBook"
                              << false;
        QTest::newRow(".doc") << "letter.doc" << dataFile("lighthouse.doc")
                              << int(BookKind::WordDocument) << "ole1" << false;
        // A file that is not what its name says stands refused in the pane, in no view.
        QTest::newRow("not RTF") << "notes.rtf" << QByteArray("plain words, no RTF")
                                 << int(BookKind::Refused) << "" << false;
        QTest::newRow("text named docx") << "letter.docx" << QByteArray("A letter kept as text")
                                         << int(BookKind::Refused) << "" << false;
    }

    void kindFollowsTheEndOfTheName()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, kind);
        QFETCH(QString, view);
        QFETCH(bool, webButtons);
        TestAppFolder app;
        app.addBook(name, content);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, name));
        QCOMPARE(int(window.state().Kind), kind);
        QCOMPARE(window.state().CurrentBookName, name);
        QCOMPARE(shownView(window), view);
        QCOMPARE(window.btnBack->isVisibleTo(&window), webButtons);
        QCOMPARE(window.btnForward->isVisibleTo(&window), webButtons);
        QCOMPARE(window.btnRedPen->isEnabled(), view == QStringLiteral("txtBook"));
        QVERIFY(!window.state().ChangesPending);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        if (view == QStringLiteral("txtBook")) {
            QVERIFY(!window.txtBook->text().isEmpty());
        }
        if (kind == int(BookKind::WordDocument)) {
            QVERIFY(window.ole1->text().startsWith(QStringLiteral("The Tale of the Quiet")));
        }
        if (kind == int(BookKind::Pdf)) {
            QCOMPARE(window.pdfBook->pageCount(), 2);
        }
        const auto* message = window.findChild<QLabel*>(QStringLiteral("bookMessage"));
        QCOMPARE(message->isVisibleTo(&window), kind == int(BookKind::Refused));
    }

    void textBooksShowAtTheFontSize()
    {
        TestAppFolder app("\"no\",16,\"yes\"\r\n");
        app.addBook(QStringLiteral("a.txt"), "words");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("a.txt")));
        QCOMPARE(window.txtBook->fontSize(), 16);
        QCOMPARE(window.txtBook->text(), QStringLiteral("words"));
    }

    void rootWithPendingChangesSavesButOpensNothing()
    {
        TestAppFolder app;
        const QString path = app.addBook(QStringLiteral("Emma.rtf"), SmallRtfBook);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.rtf")));
        const QByteArray before = app.readFile(path);
        window.txtBook->setSelStart(3);
        window.txtBook->setSelLength(3);
        window.HighlightIt();
        QVERIFY(window.state().ChangesPending);
        QVERIFY(Driver::clickNode(window, QStringLiteral("Books")));
        QVERIFY(!window.state().ChangesPending);
        QVERIFY(app.readFile(path) != before);
        // The open book keeps its name: its marks can only go into its own file.
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("Emma.rtf"));
        QCOMPARE(shownView(window), QStringLiteral("txtBook"));
        QCOMPARE(window.state().Kind, BookKind::Rtf);
    }

    void aFileNamedBooksOpensFromTheRoot()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Books"), "The book called Books.");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Books")));
        QCOMPARE(window.state().Kind, BookKind::PlainText);
        QCOMPARE(window.txtBook->text(), QStringLiteral("The book called Books."));
    }

    void aRemovedFileOpensNothing()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("first.txt"), "First book.");
        const QString gone = app.addBook(QStringLiteral("gone.txt"), "Soon gone.");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("first.txt")));
        QFile::remove(gone);
        QVERIFY(Driver::clickNode(window, QStringLiteral("gone.txt")));
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("first.txt"));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(window.txtBook->text(), QStringLiteral("First book."));
        QCOMPARE(window.state().Kind, BookKind::PlainText);
    }

    void bookmarkJump()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.txt"), "0123456789abcdefghij");
        app.addBook(QStringLiteral("Other.txt"), "Other book.");
        QFile marks(app.bookmarkPath());
        QVERIFY(marks.open(QIODevice::WriteOnly));
        marks.write("\"Emma.txt\",4\r\n\"emma.txt\",9\r\n\"Other.txt\",2\r\n\"Emma.txt\",12\r\n");
        marks.close();
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        QCOMPARE(window.txtBook->SelStart(), 12); // the later record wins; names are exact
        QCOMPARE(window.txtBook->SelLength(), 0);
        // Without a bookmark file the caret is at the start, and nothing is said.
        QFile::remove(app.bookmarkPath());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        QCOMPARE(window.txtBook->SelStart(), 0);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void wordDocumentThenRtf()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.txt"), "Text first.");
        app.addBook(QStringLiteral("letter.doc"), "not really a word document");
        app.addBook(QStringLiteral("story.rtf"), SmallRtfBook);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        QVERIFY(Driver::clickNode(window, QStringLiteral("letter.doc")));
        QCOMPARE(shownView(window), QStringLiteral("ole1"));
        QCOMPARE(window.state().Kind, BookKind::WordDocument);
        QVERIFY(!window.btnPrint->isEnabled());
        QVERIFY(!window.mnuFilePrint->isEnabled());
        QVERIFY(Driver::clickNode(window, QStringLiteral("story.rtf")));
        QCOMPARE(shownView(window), QStringLiteral("txtBook"));
        QVERIFY(window.btnPrint->isEnabled());
        QVERIFY(window.btnRedPen->isEnabled());
        QVERIFY(!window.btnBack->isVisibleTo(&window));
    }

    void pdfNoticeDeclinedThenConfirmed()
    {
        TestAppFolder app("\"no\",14,\"no\"\r\n");
        app.addBook(QStringLiteral("Emma.txt"), "Text first.");
        app.addBook(QStringLiteral("paper.pdf"), twoPagePdf());
        {
            frmMain window(app.path());
            QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
            bool answered = false;
            Driver::whenShown<frmAcrobat>([](frmAcrobat* n) { n->btnOK->click(); }, &answered);
            QVERIFY(Driver::clickNode(window, QStringLiteral("paper.pdf")));
            QTRY_VERIFY(answered);
            QCOMPARE(shownView(window), QStringLiteral("txtBook"));
            // The pane is empty and holds no book: nothing can be written from it.
            QCOMPARE(window.state().Kind, BookKind::None);
            QVERIFY(window.txtBook->text().isEmpty());
            QVERIFY(!window.btnRedPen->isEnabled());
            QCOMPARE(window.state().PdfReaderFlag.text(), QStringLiteral("no"));
            // The empty pane turns off the book commands, not the Edit menu with Options.
            QVERIFY(window.mnuEdit->menuAction()->isEnabled());
            QVERIFY(window.mnuViewOptions->isEnabled());
            for (QAction* bookCommand : {window.mnuEditCopy, window.mnuEditSearch,
                                         window.mnuEditHighlight, window.mnuEditErase}) {
                QVERIFY(!bookCommand->isEnabled());
            }
            QVERIFY(!window.btnPrint->isEnabled());

            // Closing the notice any other way is the same as OK.
            Driver::whenShown<frmAcrobat>([](frmAcrobat* n) { n->close(); }, &answered);
            QVERIFY(Driver::clickNode(window, QStringLiteral("paper.pdf")));
            QTRY_VERIFY(answered);
            QCOMPARE(shownView(window), QStringLiteral("txtBook"));

            Driver::whenShown<frmAcrobat>([](frmAcrobat* n) { n->btnAcrobat->click(); }, &answered);
            QVERIFY(Driver::clickNode(window, QStringLiteral("paper.pdf")));
            QTRY_VERIFY(answered);
            QCOMPARE(shownView(window), QStringLiteral("pdfBook"));
            QCOMPARE(window.state().Kind, BookKind::Pdf);
            // A PDF book prints its own pages; its text commands stay off.
            QVERIFY(window.btnPrint->isEnabled());
            QVERIFY(!window.mnuEdit->menuAction()->isEnabled());
            QCOMPARE(app.readFile(app.optionsPath()), QByteArray("\"no\",14,\"yes\"\r\n"));
        }
        // The next start opens PDF books without the notice.
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("paper.pdf")));
        QCOMPARE(shownView(window), QStringLiteral("pdfBook"));
        QVERIFY(!Driver::topLevel<frmAcrobat>());
    }

    // The notice waits with the main window still answering, after the text view was emptied
    // for the PDF: a bookmark or a mark then must write nothing, neither over the PDF (whose name
    // is the open book's by now) nor over the book read before it.
    void commandsWhileThePdfNoticeWaitsWriteNothing()
    {
        TestAppFolder app("\"no\",14,\"no\"\r\n");
        const QByteArray rtf =
            "{\\rtf1\\ansi {\\fonttbl{\\f0 Times;}}\\f0 Marked words here.\\par}";
        app.addBook(QStringLiteral("Emma.rtf"), rtf);
        const QByteArray pdf = twoPagePdf();
        app.addBook(QStringLiteral("paper.pdf"), pdf);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.rtf")));
        window.txtBook->setSelStart(0);
        window.txtBook->setSelLength(6);
        bool answered = false;
        bool commandsOff = false;
        Driver::whenShown<frmAcrobat>(
            [&](frmAcrobat* notice) {
                commandsOff = !window.btnBookmark->isEnabled() && !window.btnRedPen->isEnabled() &&
                              !window.mnuEditHighlight->isEnabled();
                window.SetBookmark();
                window.HighlightIt();
                window.EraseIt();
                notice->btnOK->click();
            },
            &answered);
        QVERIFY(Driver::clickNode(window, QStringLiteral("paper.pdf")));
        QTRY_VERIFY(answered);
        QVERIFY(commandsOff);
        QCOMPARE(app.readFile(app.booksPath() + QStringLiteral("paper.pdf")), pdf);
        QCOMPARE(app.readFile(app.booksPath() + QStringLiteral("Emma.rtf")), rtf);
        QVERIFY(!QFile::exists(app.booksPath() + QStringLiteral("paper.rtf")));
    }

    // The notice holds nothing in a loop of its own: while it is up, another book, the same
    // book again or the manual opens nothing, and its answer opens the PDF book once.
    void whileThePdfNoticeIsUpNothingElseOpens()
    {
        TestAppFolder app("\"no\",14,\"no\"\r\n");
        app.addBook(QStringLiteral("Emma.txt"), "Text first.");
        app.addBook(QStringLiteral("manual.rtf"), SmallRtfBook);
        app.addBook(QStringLiteral("paper.pdf"), twoPagePdf());
        frmMain window(app.path());
        auto* pane = window.findChild<ReadingPane*>();
        QVERIFY(pane);
        QVERIFY(Driver::clickNode(window, QStringLiteral("paper.pdf")));
        QTRY_VERIFY(Driver::topLevel<frmAcrobat>());
        frmAcrobat* notice = Driver::topLevel<frmAcrobat>();

        QSignalSpy interfaces(pane, &ReadingPane::interfaceChanged);
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        window.OpenManual();
        QVERIFY(Driver::clickNode(window, QStringLiteral("paper.pdf")));
        QCOMPARE(interfaces.count(), 0);
        QCOMPARE(window.state().Kind, BookKind::None);
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("paper.pdf"));
        QVERIFY(window.txtBook->text().isEmpty());
        int notices = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            notices += qobject_cast<frmAcrobat*>(w) && w->isVisible() ? 1 : 0;
        }
        QCOMPARE(notices, 1);

        notice->btnAcrobat->click();
        QCOMPARE(interfaces.count(), 1);
        QCOMPARE(shownView(window), QStringLiteral("pdfBook"));
        QCOMPARE(window.state().Kind, BookKind::Pdf);
        QCOMPARE(window.pdfBook->pageCount(), 2);
        // Once answered, books open again at the first click.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        QCOMPARE(window.txtBook->text(), QStringLiteral("Text first."));
    }
};

QUILLMERE_TEST_MAIN(TestOpening)
#include "tst_opening.moc"
