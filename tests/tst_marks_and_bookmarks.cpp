// Red pen, eraser, bookmarks and saving a marked book back into the library.
#include "formats/BookmarkFile.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/commands/ChangeSaver.h"
#include "ui/commands/RedPen.h"
#include "views/EpubSession.h"
#include "views/RichTextView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTreeWidget>

namespace {
const QByteArray SmallRtfBook =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 The quick brown fox jumps.\\par}";

QStringList books(const TestAppFolder& app)
{
    return QDir(app.booksPath()).entryList(QDir::Files, QDir::Name);
}

void select(frmMain& window, int start, int length)
{
    window.txtBook->setSelStart(start);
    window.txtBook->setSelLength(length);
}

QTextCharFormat formatAt(RichTextView* view, int offset)
{
    QTextCursor cursor(view->document());
    cursor.setPosition(offset + 1);
    return cursor.charFormat();
}

int pictureCount(RichTextView* view)
{
    int count = 0;
    for (int i = 0; i < view->characterCount(); ++i) {
        count += view->isPictureAt(i) ? 1 : 0;
    }
    return count;
}
// Shows the EPUB book's chapter that holds text, with the caret at it; its offset there.
int showInEpub(frmMain& window, const QString& text)
{
    EpubSession* session = window.epubSession();
    for (int chapter = 0; chapter < session->book().chapters().size(); ++chapter) {
        session->showChapter(chapter);
        const int at = int(window.txtBook->text().indexOf(text));
        if (at >= 0) {
            session->showChapter(chapter, at);
            return at;
        }
    }
    return -1;
}

// The text at the caret.
QString textAtCaret(frmMain& window, qsizetype length)
{
    return window.txtBook->text().mid(window.txtBook->SelStart(), length);
}

} // namespace

class TestMarksAndBookmarks : public QObject
{
    Q_OBJECT
private slots:
    void init() { MessageBox::setTestMode(true); }

    void highlightAndEraseInAnRtfBook()
    {
        TestAppFolder app;
        const QString path = app.addBook(QStringLiteral("Fox.rtf"), SmallRtfBook);
        app.addBook(QStringLiteral("Other.txt"), "x");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        select(window, 4, 5);
        window.HighlightIt();
        QCOMPARE(formatAt(window.txtBook, 4).foreground().color(), MarkColor);
        QVERIFY(formatAt(window.txtBook, 4).fontUnderline());
        QVERIFY(!formatAt(window.txtBook, 10).fontUnderline());
        QVERIFY(window.state().ChangesPending);
        QCOMPARE(app.readFile(path), SmallRtfBook); // saved only when the book is left
        QVERIFY(MessageBox::shown().isEmpty());

        // Leaving the book writes the mark; reopening shows it.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        QVERIFY(app.readFile(path) != SmallRtfBook);
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        QCOMPARE(formatAt(window.txtBook, 5).foreground().color(), MarkColor);

        // Erasing turns the selection black without the effect and marks the book changed.
        select(window, 0, 12);
        window.EraseIt();
        QCOMPARE(formatAt(window.txtBook, 5).foreground().color(), QColor(Qt::black));
        QVERIFY(!formatAt(window.txtBook, 5).fontUnderline());
        QVERIFY(window.state().ChangesPending);
    }

    // A book whose RTF the reader cannot follow to every character would lose its header and
    // information if it were written whole: the red pen, the eraser and the bookmark say why
    // they leave it alone, nothing is pending, and leaving the book writes nothing.
    void anRtfBookThatCannotBeFollowedTakesNoChange()
    {
        TestAppFolder app;
        const QByteArray deep = "{\\rtf1{\\info{\\title Deep}}{\\header Head}Top " +
                                QByteArray(600, '{') + "deep" + QByteArray(600, '}') + " end\\par}";
        const QString path = app.addBook(QStringLiteral("Deep.rtf"), deep);
        app.addBook(QStringLiteral("Other.txt"), "x");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Deep.rtf")));
        const auto refused = [&](auto command) {
            MessageBox::clearShown();
            (window.*command)();
            return MessageBox::shown().size() == 1 &&
                   MessageBox::shown()[0].text.contains(QStringLiteral("\"Deep.rtf\" cannot keep "
                                                                       "marks or bookmarks"));
        };
        select(window, 1, 5);
        QVERIFY(refused(&frmMain::HighlightIt));
        QVERIFY(refused(&frmMain::EraseIt));
        QVERIFY(refused(&frmMain::SetBookmark));
        QVERIFY(!formatAt(window.txtBook, 2).fontUnderline());
        QCOMPARE(pictureCount(window.txtBook), 0);
        QVERIFY(!window.state().ChangesPending);
        QVERIFY(!QFile::exists(app.bookmarkPath()));
        QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        QCOMPARE(app.readFile(path), deep);
    }

    // A passage marked, erased and marked again over many sessions keeps the book as it was
    // apart from the mark: its note, header and information stay, and it does not grow.
    void markingOnePassageOverAndOverKeepsTheBook()
    {
        TestAppFolder app;
        const QByteArray book =
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}{\\info{\\title Fox}}{\\header Head}"
            "\\f0 The quick{\\footnote A note.} brown fox jumps.\\par}";
        const QString path = app.addBook(QStringLiteral("Fox.rtf"), book);
        app.addBook(QStringLiteral("Other.txt"), "x");
        frmMain window(app.path());
        QByteArray marked;
        QByteArray erased;
        for (int session = 0; session < 31; ++session) {
            QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
            select(window, 4, 11);
            if (session % 3 == 2) {
                window.EraseIt();
            } else {
                window.HighlightIt();
            }
            QVERIFY(MessageBox::shown().isEmpty());
            QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
            const QByteArray saved = app.readFile(path);
            for (const char* kept :
                 {"{\\info{\\title Fox}}", "{\\header Head}", "{\\footnote A note.}"}) {
                QVERIFY2(saved.contains(kept), kept);
            }
            // Every marked save is the same file, and so is every erased one.
            QByteArray& same = session % 3 == 2 ? erased : marked;
            if (same.isEmpty()) {
                same = saved;
            }
            QCOMPARE(saved, same);
        }
        QVERIFY(erased.size() < marked.size());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        QCOMPARE(formatAt(window.txtBook, 5).foreground().color(), MarkColor);
        QVERIFY(formatAt(window.txtBook, 5).fontUnderline());
    }

    void highlightInAPlainTextBookConverts()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.txt"), "Emma Woodhouse, handsome, clever, and rich.");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));

        // Cancel: nothing changes on disk and the question comes again.
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        select(window, 0, 4);
        window.HighlightIt();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].title, QStringLiteral("Save"));
        QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("File format will be changed to RTF"));
        QCOMPARE(MessageBox::shown()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(books(app), QStringList{"Emma.txt"});
        QVERIFY(window.state().ChangesPending);
        // Erasing never saves a plain-text book.
        window.EraseIt();
        QCOMPARE(MessageBox::shown().size(), 1);

        // OK: Emma.rtf holds the mark, the text file is gone, the tree follows.
        MessageBox::clearShown();
        select(window, 0, 4);
        window.HighlightIt();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(books(app), QStringList{"Emma.rtf"});
        QCOMPARE(Driver::treeBooks(window), QStringList{"Emma.rtf"});
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("Emma.rtf"));
        QCOMPARE(window.state().Kind, BookKind::Rtf);
        QVERIFY(!window.state().ChangesPending);
        QVERIFY(app.readFile(app.booksPath() + "Emma.rtf").contains("Woodhouse, handsome"));

        // A later highlight is silent.
        MessageBox::clearShown();
        select(window, 6, 4);
        window.HighlightIt();
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void convertedNames_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QStringList>("others");
        QTest::addColumn<QString>("expected");
        // Only the extension is replaced: the title keeps its dots.
        QTest::newRow("dots in the title")
            << "Dr. Jekyll and Mr. Hyde.txt" << QStringList() << "Dr. Jekyll and Mr. Hyde.rtf";
        QTest::newRow("several dots")
            << "Pride.and.Prejudice.txt" << QStringList() << "Pride.and.Prejudice.rtf";
        QTest::newRow("no extension") << "Walden" << QStringList() << "Walden.rtf";
        QTest::newRow("dots, no extension") << "St. Ives" << QStringList() << "St. Ives.rtf";
        QTest::newRow("other extension") << "Notes.md" << QStringList() << "Notes.rtf";
        QTest::newRow("taken by another book")
            << "Emma.txt" << QStringList{"Emma.rtf"} << "Emma (2).rtf";
        QTest::newRow("taken twice")
            << "Emma.txt" << QStringList{"Emma.rtf", "Emma (2).rtf"} << "Emma (3).rtf";
    }

    void convertedNames()
    {
        QFETCH(QString, book);
        QFETCH(QStringList, others);
        QFETCH(QString, expected);
        TestAppFolder app;
        app.addBook(book, "text");
        for (const QString& other : others) {
            app.addBook(other, "{\\rtf1 another book}");
        }
        QCOMPARE(ChangeSaver::convertedName(app.booksPath(), book), expected);
    }

    void conversionNeverReplacesAnotherBook()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.txt"), "Plain Emma.");
        const QString other = app.addBook(QStringLiteral("Emma.rtf"), SmallRtfBook);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        select(window, 0, 5);
        window.HighlightIt();
        QCOMPARE(app.readFile(other), SmallRtfBook);
        QCOMPARE(books(app), QStringList({"Emma (2).rtf", "Emma.rtf"}));
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("Emma (2).rtf"));
    }

    void failedSaveKeepsTheBookAndSaysSo()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Fox.rtf"), SmallRtfBook);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        select(window, 0, 3);
        window.HighlightIt();
        // The books folder disappears under the program (a removed disk, say).
        const QString moved = app.path() + QStringLiteral("elsewhere");
        QVERIFY(QDir().rename(app.booksPath(), moved));
        window.Exit();
        QVERIFY(!window.hasEnded());
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(window.state().ChangesPending);
        // The bookmark command records nothing for a book that was not saved.
        MessageBox::clearShown();
        window.SetBookmark();
        QVERIFY(!QFile::exists(app.bookmarkPath()));
        QVERIFY(!MessageBox::shown().isEmpty());
        QVERIFY(!MessageBox::shown().last().text.startsWith(QStringLiteral("Bookmark set.")));
        QVERIFY(QDir().rename(moved, app.booksPath()));
        QCOMPARE(app.readFile(app.booksPath() + "Fox.rtf"), SmallRtfBook);
        window.Exit();
        QVERIFY(window.hasEnded());
        QVERIFY(app.readFile(app.booksPath() + "Fox.rtf") != SmallRtfBook);
    }

    void bookmarksAreRecordedAndReturnedTo()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Fox.rtf"), SmallRtfBook);
        app.addBook(QStringLiteral("Other.txt"), "x");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        window.txtBook->setSelStart(10);
        window.SetBookmark();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text,
                 QStringLiteral("Bookmark set.  When you reopen this book, you will be taken to "
                                "this bookmark"));
        QCOMPARE(app.readFile(app.bookmarkPath()), QByteArray("\"Fox.rtf\",10\r\n"));
        QVERIFY(window.txtBook->isPictureAt(10));
        QVERIFY(!window.state().ChangesPending);

        // A second bookmark after the first: the first picture goes, so the new picture
        // lands one character further on, where the record says.
        window.txtBook->setSelStart(20);
        window.SetBookmark();
        QCOMPARE(app.readFile(app.bookmarkPath()),
                 QByteArray("\"Fox.rtf\",10\r\n\"Fox.rtf\",20\r\n"));
        QCOMPARE(pictureCount(window.txtBook), 1);
        QVERIFY(window.txtBook->isPictureAt(20));

        QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        QCOMPARE(window.txtBook->SelStart(), 20);
        QCOMPARE(pictureCount(window.txtBook), 1);
        QVERIFY(window.txtBook->isPictureAt(20));
    }

    void aBookmarkAtTheStartIsReplacedLikeAnyOther()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Fox.rtf"), SmallRtfBook);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        window.txtBook->setSelStart(0);
        window.SetBookmark();
        QVERIFY(window.txtBook->isPictureAt(0));
        window.txtBook->setSelStart(10);
        window.SetBookmark();
        QCOMPARE(pictureCount(window.txtBook), 1);
        QVERIFY(window.txtBook->isPictureAt(10));
        QVERIFY(window.txtBook->text().startsWith(QStringLiteral("The quick")));
        QCOMPARE(app.readFile(app.bookmarkPath()),
                 QByteArray("\"Fox.rtf\",0\r\n\"Fox.rtf\",10\r\n"));
    }

    void onlyOurPictureIsRemoved()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Fox.rtf"), SmallRtfBook);
        QFile marks(app.bookmarkPath());
        QVERIFY(marks.open(QIODevice::WriteOnly));
        marks.write("\"Fox.rtf\",4\r\n"); // the book was changed elsewhere: "q" stands there
        marks.close();
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        const QString before = window.txtBook->text();
        window.txtBook->setSelStart(0);
        window.SetBookmark();
        QCOMPARE(window.txtBook->text().mid(1), before);
        QVERIFY(window.txtBook->text().contains(QStringLiteral("quick")));
    }

    void declinedConversionRecordsNothing()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.txt"), "Plain Emma.");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        window.txtBook->setSelStart(3);
        window.SetBookmark();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(!QFile::exists(app.bookmarkPath()));
        QVERIFY(window.state().ChangesPending);
        QVERIFY(window.txtBook->isPictureAt(3));
        // Accepted: the record names the new RTF book.
        window.txtBook->setSelStart(6);
        window.SetBookmark();
        QCOMPARE(app.readFile(app.bookmarkPath()), QByteArray("\"Emma.rtf\",6\r\n"));
    }

    // An EPUB book reopens at its bookmark, as every other book does, not where it was left.
    void anEpubBookReopensAtItsBookmark()
    {
        TestAppFolder app;
        app.addBookFromData(QStringLiteral("epub/long-shore.epub"), QStringLiteral("shore.epub"));
        const QString marked = QStringLiteral("Paragraph 40 of shore 2");
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("shore.epub")));
            QVERIFY(showInEpub(window, marked) > 0);
            window.SetBookmark();
            QVERIFY(Driver::anyMessageContains(QStringLiteral("Bookmark set.")));
            // Read on, then leave the book there.
            QVERIFY(showInEpub(window, QStringLiteral("Paragraph 120 of shore 2")) > 0);
            window.close();
        }
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("shore.epub")));
        QCOMPARE(textAtCaret(window, marked.size()), marked);
    }

    // Without the reading record the EPUB bookmark and marks would be gone after a restart:
    // every command says so rather than seeming to succeed.
    void epubMarksThatCannotBeRecordedAreReported()
    {
        TestAppFolder app;
        app.addBookFromData(QStringLiteral("epub/long-shore.epub"), QStringLiteral("shore.epub"));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("shore.epub")));
        const int at = showInEpub(window, QStringLiteral("Paragraph 40 of shore 2"));
        QVERIFY(at > 0);
        // The records folder is replaced by a file, so no record can be written.
        const QString records = app.path() + QStringLiteral("epub-records");
        QVERIFY(QDir().rename(records, records + QStringLiteral(".away")));
        QFile blocker(records);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        MessageBox::clearShown();
        window.SetBookmark();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.startsWith(QStringLiteral("The bookmark was not set")));
        QVERIFY(MessageBox::shown()[0].text.contains(QStringLiteral("cannot be made")));
        window.txtBook->setSelStart(at);
        window.txtBook->setSelLength(9);
        window.HighlightIt();
        // The view shows no mark that a restart would not show.
        QVERIFY(!formatAt(window.txtBook, at + 2).fontUnderline());
        window.EraseIt();
        QCOMPARE(MessageBox::shown().size(), 3);
        QVERIFY(!Driver::anyMessageContains(QStringLiteral("Bookmark set")));
        QVERIFY(
            MessageBox::shown()[1].text.startsWith(QStringLiteral("The passage was not marked")));
        QVERIFY(
            MessageBox::shown()[2].text.startsWith(QStringLiteral("The marks were not erased")));

        // With the folder back the same commands go through silently, the bookmark with its
        // message.
        QVERIFY(QFile::remove(records));
        QVERIFY(QDir().rename(records + QStringLiteral(".away"), records));
        MessageBox::clearShown();
        window.HighlightIt();
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(formatAt(window.txtBook, at + 2).fontUnderline());
        window.SetBookmark();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.startsWith(QStringLiteral("Bookmark set.")));
    }

    void namesWithQuotesAndCommasReadBack()
    {
        TestAppFolder app;
        const QString name = QStringLiteral("He said, \"Read me\".rtf");
        app.addBook(name, SmallRtfBook);
        app.addBook(QStringLiteral("Other.txt"), "x");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, name));
        window.txtBook->setSelStart(7);
        window.SetBookmark();
        QCOMPARE(BookmarkFile::lastOffset(app.bookmarkPath(), name), std::optional<qint64>(7));
        QVERIFY(Driver::clickNode(window, QStringLiteral("Other.txt")));
        QVERIFY(Driver::clickNode(window, name));
        QCOMPARE(window.txtBook->SelStart(), 7);
    }

    void damagedBookmarkFile()
    {
        TestAppFolder app;
        QFile marks(app.bookmarkPath());
        QVERIFY(marks.open(QIODevice::WriteOnly));
        marks.write("\"A.txt\",5\r\n\"A.txt\",oops\r\n\"A.txt\",9\r\n");
        marks.close();
        // The damaged record is passed over; the later one counts.
        QCOMPARE(BookmarkFile::lastOffset(app.bookmarkPath(), "A.txt"), std::optional<qint64>(9));
        QVERIFY(BookmarkFile::append(app.bookmarkPath(), "B.txt", 3));
        QVERIFY(app.readFile(app.bookmarkPath()).endsWith("\"B.txt\",3\r\n"));
        QCOMPARE(BookmarkFile::lastOffset(app.path() + "none.txt", "A.txt"), std::nullopt);
    }
};

QUILLMERE_TEST_MAIN(TestMarksAndBookmarks)
#include "tst_marks_and_bookmarks.moc"
