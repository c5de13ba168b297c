// Books the program must never overwrite or lose marks of: files the text view refuses, clicks
// on the root and on removed books, damaged bookmark records, and the commands that go with the
// view actually showing.
#include "formats/BookmarkFile.h"
#include "mainwindow/frmMain.h"
#include "support/FolderSnapshot.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/DocumentView.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QTextCursor>
#include <QToolButton>
#include <fstream>
#include <unistd.h>

namespace {
const QByteArray SmallRtfBook =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 The quick brown fox jumps.\\par}";

void select(frmMain& window, int start, int length)
{
    window.txtBook->setSelStart(start);
    window.txtBook->setSelLength(length);
}
} // namespace

class TestBookSafety : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        // Every question is answered yes: a conversion, had one been offered, would go ahead.
        for (int i = 0; i < 10; ++i) {
            MessageBox::setNextAnswer(QMessageBox::Ok);
        }
    }

    void refusedBooksAreShownWithTheReasonAndNeverWritten_data()
    {
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("reason");
        // A plain-text book over the size limit, after a plain-text book (whose kind would
        // convert) and after an RTF book (whose kind would write over it).
        QTest::newRow("too large after text")
            << "previous.txt"
            << "huge.txt" << QByteArray() << qint64(300) * 1024 * 1024 << "too large";
        QTest::newRow("too large after rtf")
            << "previous.rtf"
            << "huge.txt" << QByteArray() << qint64(300) * 1024 * 1024 << "too large";
        QTest::newRow("zip named rtf after rtf")
            << "previous.rtf"
            << "damaged.rtf" << QByteArray("PK\x03\x04\x14\0\0\0binary", 14) << qint64(0)
            << "not an RTF file";
        QTest::newRow("text named rtf after text")
            << "previous.txt"
            << "letter.rtf" << QByteArray("Dear reader, this is plain text.") << qint64(0)
            << "not an RTF file";
    }

    void refusedBooksAreShownWithTheReasonAndNeverWritten()
    {
        QFETCH(QString, previous);
        QFETCH(QString, refused);
        QFETCH(QByteArray, content);
        QFETCH(qint64, size);
        QFETCH(QString, reason);
        TestAppFolder app;
        app.addBook(previous,
                    previous.endsWith(".rtf") ? SmallRtfBook : QByteArray("Some plain text."));
        const QString path = app.addBook(refused, content);
        if (size > 0) {
            // A sparse file: large on the books folder's listing, cheap on the disk.
            QFile big(path);
            QVERIFY(big.open(QIODevice::ReadWrite));
            QVERIFY(big.resize(size));
        }
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, previous));
        QCOMPARE(window.state().Kind,
                 previous.endsWith(".rtf") ? BookKind::Rtf : BookKind::PlainText);
        const auto before = folderSnapshot(app.booksPath());

        QVERIFY(Driver::clickNode(window, refused));
        // The pane says why, in place of the empty text view.
        QVERIFY(window.bookMessage->isVisibleTo(&window));
        QVERIFY(!window.txtBook->isVisibleTo(&window));
        QVERIFY2(window.bookMessage->text().contains(reason),
                 qPrintable(window.bookMessage->text()));
        QCOMPARE(window.state().Kind, BookKind::Refused);
        // Nothing offers to write into it.
        for (QToolButton* b : {window.btnBookmark, window.btnRedPen, window.btnErase,
                               window.btnPrint, window.btnSearch, window.btnCopy}) {
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        }
        for (QAction* a : {window.mnuEditHighlight, window.mnuEditErase, window.mnuFilePrint}) {
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        }

        // Automation reaches the commands all the same: they must still write nothing.
        MessageBox::clearShown();
        window.SetBookmark();
        select(window, 0, 3);
        window.HighlightIt();
        window.EraseIt();
        window.SaveChanges();
        QVERIFY(Driver::clickNode(window, previous));
        QVERIFY(!Driver::anyMessageContains(QStringLiteral("Bookmark set")));
        QCOMPARE(folderSnapshot(app.booksPath()), before);
        QCOMPARE(BookmarkFile::lastOffset(app.bookmarkPath(), refused), std::nullopt);
        // The book opened next is shown and marked as usual.
        QVERIFY(window.txtBook->isVisibleTo(&window));
        QVERIFY(!window.bookMessage->isVisibleTo(&window));
        QVERIFY(window.btnBookmark->isEnabled());
    }

    void marksAfterTheRootClickGoIntoTheOpenBook()
    {
        TestAppFolder app;
        const QString emma = app.addBook(QStringLiteral("Emma.rtf"), SmallRtfBook);
        app.addBook(QStringLiteral("Other.rtf"), SmallRtfBook);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.rtf")));
        const auto before = folderSnapshot(app.booksPath());

        // The root opens nothing: Emma stays in the pane, under her own name.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Books")));
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("Emma.rtf"));
        QVERIFY(window.txtBook->text().startsWith(QStringLiteral("The quick")));
        select(window, 4, 5);
        window.HighlightIt();
        QVERIFY(Driver::clickNode(window, QStringLiteral("Other.rtf")));

        auto after = folderSnapshot(app.booksPath());
        QCOMPARE(after.keys(), before.keys());
        QVERIFY(after.value(QStringLiteral("Emma.rtf")) !=
                before.value(QStringLiteral("Emma.rtf")));
        after.remove(QStringLiteral("Emma.rtf"));
        auto unchanged = before;
        unchanged.remove(QStringLiteral("Emma.rtf"));
        QCOMPARE(after, unchanged);
        // The mark came back with the book.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.rtf")));
        QTextCursor cursor(window.txtBook->document());
        cursor.setPosition(6);
        QVERIFY(cursor.charFormat().fontUnderline());
        QVERIFY(app.readFile(emma).contains("\\ul"));
    }

    void aBookmarkAfterClickingARemovedBookGoesIntoTheOpenBook()
    {
        TestAppFolder app;
        const QString first = app.addBook(QStringLiteral("first.rtf"), SmallRtfBook);
        const QString gone = app.addBook(QStringLiteral("gone.rtf"), SmallRtfBook);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("first.rtf")));
        QVERIFY(QFile::remove(gone));
        const auto before = folderSnapshot(app.booksPath());

        MessageBox::clearShown();
        QVERIFY(Driver::clickNode(window, QStringLiteral("gone.rtf")));
        QVERIFY(Driver::anyMessageContains(QStringLiteral("no longer in the books folder")));
        // The tree now shows what the folder holds.
        QCOMPARE(Driver::treeBooks(window), QStringList{QStringLiteral("first.rtf")});
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("first.rtf"));

        window.txtBook->setSelStart(4);
        window.SetBookmark();
        QVERIFY(Driver::anyMessageContains(QStringLiteral("Bookmark set")));
        const auto after = folderSnapshot(app.booksPath());
        QCOMPARE(after.keys(), before.keys());
        QVERIFY(after.value(QStringLiteral("first.rtf")) !=
                before.value(QStringLiteral("first.rtf")));
        QVERIFY(!QFile::exists(gone));
        QCOMPARE(BookmarkFile::lastOffset(app.bookmarkPath(), QStringLiteral("first.rtf")),
                 std::optional<qint64>(4));
        QCOMPARE(BookmarkFile::lastOffset(app.bookmarkPath(), QStringLiteral("gone.rtf")),
                 std::nullopt);
        Q_UNUSED(first);
    }

    void aBookmarkSetAfterADamagedRecordComesBackAfterARestart()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.rtf"), SmallRtfBook);
        app.addBook(QStringLiteral("Other.rtf"), SmallRtfBook);
        {
            QFile marks(app.bookmarkPath());
            QVERIFY(marks.open(QIODevice::WriteOnly));
            marks.write("\"Old.txt\",oops\r\nLone field\r\n\"Emma.rtf\",2,extra\r\n");
        }
        {
            frmMain window(app.path());
            QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.rtf")));
            QCOMPARE(window.txtBook->SelStart(), 2);
            window.txtBook->setSelStart(10);
            window.SetBookmark();
            QVERIFY(Driver::anyMessageContains(QStringLiteral("Bookmark set")));
        }
        frmMain restarted(app.path());
        QVERIFY(Driver::clickNode(restarted, QStringLiteral("Emma.rtf")));
        QCOMPARE(restarted.txtBook->SelStart(), 10);
    }

    // A file name in another encoding (Latin-1 here): listed with a replacement character,
    // opened and deleted by its real bytes; the book is never written into by another name.
    void aNameThatIsNotUtf8IsListedOpenedAndDeleted()
    {
        TestAppFolder app;
        const QByteArray raw = QFile::encodeName(app.booksPath()) + "Caf\xe9 au lait.txt";
        {
            std::ofstream file(raw.constData(), std::ios::binary);
            file << "A book with an odd name.";
        }
        app.addBook(QStringLiteral("Other.txt"), "x");
        const QString shown = QStringLiteral("Caf\uFFFD au lait.txt");
        frmMain window(app.path());
        QCOMPARE(Driver::treeBooks(window), (QStringList{shown, QStringLiteral("Other.txt")}));
        const auto before = folderSnapshot(app.booksPath());

        QVERIFY(Driver::clickNode(window, shown));
        QCOMPARE(window.state().Kind, BookKind::PlainText);
        QCOMPARE(window.txtBook->text(), QStringLiteral("A book with an odd name."));
        // Saving under the shown name would make a second book: no mark, no bookmark.
        QVERIFY(!window.btnRedPen->isEnabled());
        QVERIFY(!window.btnBookmark->isEnabled());
        QVERIFY(window.btnSearch->isEnabled());
        select(window, 2, 4);
        window.HighlightIt();
        window.SetBookmark();
        QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        QCOMPARE(folderSnapshot(app.booksPath()), before);

        QVERIFY(Driver::clickNode(window, shown));
        MessageBox::setTestMode(true);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        window.DeleteBook();
        QVERIFY(MessageBox::shown().at(0).text.contains(QStringLiteral("Caf\uFFFD au lait.txt")));
        QVERIFY(::access(raw.constData(), F_OK) != 0);
        QCOMPARE(Driver::treeBooks(window), QStringList{QStringLiteral("Other.txt")});
    }

    void printFollowsTheViewShowing()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.rtf"), SmallRtfBook);
        app.addBookFromData(QStringLiteral("lighthouse.doc"));
        app.addBook(QStringLiteral("manual.rtf"), SmallRtfBook);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.rtf")));
        QVERIFY(window.mnuFilePrint->isEnabled());
        QVERIFY(Driver::clickNode(window, QStringLiteral("lighthouse.doc")));
        QCOMPARE(window.state().Kind, BookKind::WordDocument);
        QVERIFY(!window.txtBook->isVisibleTo(&window));
        // The menu entry goes off with the button; File > Print prints nothing of Emma.
        QVERIFY(!window.btnPrint->isEnabled());
        QVERIFY(!window.mnuFilePrint->isEnabled());
        const int dialogs = PrintDialog::shownCount();
        const QString pdf = app.path() + QStringLiteral("printed.pdf");
        PrintDialog::setNextAnswer(pdf);
        window.PrintBook();
        QCOMPARE(PrintDialog::shownCount(), dialogs);
        QVERIFY(!QFile::exists(pdf));

        // The manual is a text book: its view and commands come back with it.
        window.OpenManual();
        QCOMPARE(window.state().Kind, BookKind::Rtf);
        QVERIFY(window.txtBook->isVisibleTo(&window));
        QVERIFY(!window.ole1->isVisibleTo(&window));
        QVERIFY(window.mnuFilePrint->isEnabled());
        QVERIFY(window.btnRedPen->isEnabled());
        window.PrintBook();
        QCOMPARE(PrintDialog::shownCount(), dialogs + 1);
        QVERIFY(QFile::exists(pdf));
    }
};

QUILLMERE_TEST_MAIN(TestBookSafety)
#include "tst_book_safety.moc"
