// The side panel (View > Contents): the contents of an EPUB book, a LibreOffice RTF book, a PDF
// book with an outline and the Bible as plain text, each entry going to its place; the marks
// made in an earlier session listed and exported as Markdown; what reads as a heading of a
// plain-text book and what does not; where the reader is in the status bar.
#include "formats/TextHeadings.h"
#include "mainwindow/frmMain.h"
#include "support/FileBytes.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/BookSidePanel.h"
#include "views/EpubSession.h"
#include "views/FileDialog.h"
#include "views/PdfView.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>

namespace {
// The Bible as the King James text lays it out: each book's name in capitals, then its
// chapters as "Book N" lines and numbered verses.
QByteArray bible()
{
    QByteArray text = "THE HOLY BIBLE\nKing James Version\n\n\n";
    for (const char* book : {"Genesis", "Exodus", "Song of Solomon", "1 Samuel"}) {
        text += QByteArray(book).toUpper() + "\n\n";
        for (int chapter = 1; chapter <= 3; ++chapter) {
            text += QByteArray(book) + ' ' + QByteArray::number(chapter) + "\n\n";
            for (int verse = 1; verse <= 30; ++verse) {
                text += QByteArray::number(verse) + " And it came to pass in " + book +
                        " that the verse was read aloud.\n";
            }
            text += '\n';
        }
    }
    return text;
}

QStringList treeTitles(const QTreeWidget* tree)
{
    QStringList titles;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it) {
        titles << (*it)->text(0);
    }
    return titles;
}

QTreeWidgetItem* treeItem(QTreeWidget* tree, const QString& title)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->text(0) == title) {
            return *it;
        }
    }
    return nullptr;
}

QString topText(const frmMain& window, int length)
{
    const int top = window.txtBook->topOffset();
    QTextCursor cursor(window.txtBook->document());
    cursor.setPosition(top);
    cursor.setPosition(qMin(top + length, window.txtBook->document()->characterCount() - 1),
                       QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

void selectText(frmMain& window, const QString& text)
{
    const int at = int(window.txtBook->document()->toRawText().indexOf(text));
    QVERIFY(at >= 0);
    window.txtBook->setSelStart(at);
    window.txtBook->setSelLength(int(text.size()));
}
} // namespace

class SidePanelTest : public QObject
{
    Q_OBJECT

private slots:
    void headingsOfPlainText_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("rank");
        QTest::newRow("CHAPTER I") << QStringLiteral("CHAPTER I") << 1;
        QTest::newRow("Chapter 12") << QStringLiteral("Chapter 12") << 1;
        QTest::newRow("chapter with a title") << QStringLiteral("CHAPTER IV. The Return") << 1;
        QTest::newRow("BOOK II") << QStringLiteral("BOOK II") << 0;
        QTest::newRow("PART ONE") << QStringLiteral("PART ONE") << 0;
        QTest::newRow("Roman number alone") << QStringLiteral("XIV") << 1;
        QTest::newRow("Roman number and title") << QStringLiteral("IV. THE RED-HEADED LEAGUE") << 1;
        QTest::newRow("a book of the Bible") << QStringLiteral("SONG OF SOLOMON") << 0;
        QTest::newRow("a chapter of the Bible") << QStringLiteral("1 Samuel 3") << 1;
        QTest::newRow("a sentence") << QStringLiteral("I think so, said the keeper.") << -1;
        QTest::newRow("chapter in a sentence")
            << QStringLiteral("Chapter and verse were quoted at him.") << -1;
        QTest::newRow("letters of Roman numbers") << QStringLiteral("LID") << -1;
        QTest::newRow("a part of the way") << QStringLiteral("Part of the way home") << -1;
        QTest::newRow("a verse") << QStringLiteral("1 In the beginning God created") << -1;
        QTest::newRow("a name alone") << QStringLiteral("Genesis") << -1;
    }
    void headingsOfPlainText()
    {
        QFETCH(QString, line);
        QFETCH(int, rank);
        QCOMPARE(TextHeadings::rankOf(line), rank);
    }

    void contentsGoToTheirPlaces_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QByteArray>("content"); // empty: the data file of that name
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("textThere"); // for PDF books, the page number (from 1)
        QTest::newRow("Bible as plain text")
            << QStringLiteral("kjv.txt") << bible()
            << QStringList{QStringLiteral("GENESIS"), QStringLiteral("Genesis 1")}
            << QStringLiteral("Song of Solomon 2") << QStringLiteral("Song of Solomon 2");
        QTest::newRow("LibreOffice RTF")
            << QStringLiteral("places/harbour-libreoffice.rtf") << QByteArray()
            << QStringList{QStringLiteral("The Harbour"), QStringLiteral("The Tides"),
                           QStringLiteral("The Lighthouse")}
            << QStringLiteral("The Lighthouse") << QStringLiteral("The Lighthouse");
        QTest::newRow("PDF outline")
            << QStringLiteral("places/harbour-outline.pdf") << QByteArray()
            << QStringList{QStringLiteral("The Harbour"), QStringLiteral("The Tides"),
                           QStringLiteral("The Lighthouse")}
            << QStringLiteral("The Lighthouse") << QStringLiteral("3");
        QTest::newRow("pandoc EPUB")
            << QStringLiteral("epub/pandoc-epub3.epub") << QByteArray()
            << QStringList{QStringLiteral("The Keeper"), QStringLiteral("The Storm")}
            << QStringLiteral("The Storm") << QStringLiteral("The Storm");
        // Books of other formats are read into chapters as EPUB books are, contents included.
        QTest::newRow("pandoc FB2")
            << QStringLiteral("books/pandoc.fb2") << QByteArray()
            << QStringList{QStringLiteral("The Gale"), QStringLiteral("The Calm")}
            << QStringLiteral("The Calm") << QStringLiteral("By morning the water lay still");
    }
    void contentsGoToTheirPlaces()
    {
        QFETCH(QString, book);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, titles);
        QFETCH(QString, target);
        QFETCH(QString, textThere);
        TestAppFolder app;
        const QString name = QFileInfo(book).fileName();
        if (content.isEmpty()) {
            app.addBookFromData(book, name);
        } else {
            app.addBook(name, content);
        }
        frmMain window(app.path());
        window.resize(1100, 700);
        window.show();
        QVERIFY(Driver::clickNode(window, name));
        QVERIFY(!window.sidePanel()->isVisible());
        QCOMPARE(window.mnuViewContents->shortcut(), QKeySequence(Qt::Key_F9));
        window.mnuViewContents->trigger();
        QVERIFY(window.sidePanel()->isVisible());
        QTreeWidget* tree = window.sidePanel()->contentsTree();
        QTRY_VERIFY(tree->topLevelItemCount() > 0);
        const QStringList shown = treeTitles(tree);
        for (const QString& title : titles) {
            QVERIFY2(shown.contains(title), qPrintable(shown.join(QLatin1Char('|'))));
        }
        // The pane gave the panel room: the views still end at the client area's edge.
        QTRY_COMPARE(window.txtBook->geometry().right(), window.centralWidget()->rect().right());

        QTreeWidgetItem* item = treeItem(tree, target);
        QVERIFY(item);
        emit tree->itemClicked(item, 0);
        if (name.endsWith(QLatin1String(".pdf"))) {
            QTRY_COMPARE(window.pdfBook->currentPage() + 1, textThere.toInt());
        } else {
            QTRY_VERIFY2(topText(window, 200).contains(textThere),
                         qPrintable(topText(window, 200)));
        }
        // The entry being read is the one highlighted, and the status bar names it.
        QTRY_COMPARE(tree->currentItem(), item);
        auto* status = window.findChild<QLabel*>(QStringLiteral("statusText"));
        QTRY_VERIFY2(status->text().contains(QLatin1Char('%')), qPrintable(status->text()));
        if (!name.endsWith(QLatin1String(".pdf"))) {
            QVERIFY2(status->text().contains(target), qPrintable(status->text()));
        } else {
            QVERIFY(status->text().startsWith(QStringLiteral("Page 3 of 3")));
        }
    }

    void marksOfAnEarlierSessionAreListedAndExported()
    {
        TestAppFolder app;
        app.addBookFromData(QStringLiteral("places/harbour-libreoffice.rtf"),
                            QStringLiteral("Harbour.rtf"));
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("Harbour.rtf")));
            selectText(window, QStringLiteral("keeper climbed"));
            window.HighlightIt();
            selectText(window, QStringLiteral("harbour."));
            window.HighlightIt();
            QVERIFY(window.close());
        }
        frmMain window(app.path());
        window.resize(1100, 700);
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("Harbour.rtf")));
        window.mnuViewContents->trigger();
        window.sidePanel()->tabs()->setCurrentWidget(window.sidePanel()->marksList());
        QListWidget* list = window.sidePanel()->marksList();
        QTRY_COMPARE(list->count(), 2);
        QVERIFY(list->item(0)->text().contains(QStringLiteral("harbour.")));
        QVERIFY(list->item(0)->text().contains(QStringLiteral("The Harbour")));
        QVERIFY(list->item(1)->text().contains(QStringLiteral("keeper climbed")));
        QVERIFY(list->item(1)->text().contains(QStringLiteral("The Lighthouse")));
        emit list->itemClicked(list->item(1));
        QCOMPARE(window.txtBook->textCursor().selectedText(), QStringLiteral("keeper climbed"));

        // Marks made now are listed too.
        selectText(window, QStringLiteral("tides"));
        window.HighlightIt();
        QTRY_COMPARE(list->count(), 3);

        QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("marks.md"));
        FileDialog::setNextFileName(path);
        window.mnuFileExportMarks->trigger();
        const QString markdown = QString::fromUtf8(fileBytes(path));
        QVERIFY2(markdown.startsWith(QStringLiteral("# Harbour\n")), qPrintable(markdown));
        QVERIFY(markdown.contains(QStringLiteral("> keeper climbed")));
        QVERIFY(markdown.contains(QStringLiteral("The Lighthouse")));
        QVERIFY(markdown.indexOf(QStringLiteral("> harbour.")) <
                markdown.indexOf(QStringLiteral("> tides")));
    }

    void anEpubBookListsItsBookmarkAndMarks()
    {
        TestAppFolder app;
        app.addBookFromData(QStringLiteral("epub/pandoc-epub3.epub"),
                            QStringLiteral("keeper.epub"));
        frmMain window(app.path());
        window.resize(1100, 700);
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("keeper.epub")));
        EpubSession* session = window.epubSession();
        QVERIFY(session->showContentsEntry(1));
        selectText(window, QStringLiteral("climbed the stairs"));
        QString error;
        QVERIFY2(session->markSelection(&error), qPrintable(error));
        window.mnuViewContents->trigger();
        window.sidePanel()->tabs()->setCurrentWidget(window.sidePanel()->marksList());
        QListWidget* list = window.sidePanel()->marksList();
        QTRY_COMPARE(list->count(), 1);
        QVERIFY(list->item(0)->text().contains(QStringLiteral("climbed the stairs")));
        QVERIFY2(list->item(0)->text().contains(QStringLiteral("The Keeper")),
                 qPrintable(list->item(0)->text()));
    }

    void nothingToExportSaysSo()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Plain.txt"), "Nothing marked here.\n");
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("Plain.txt")));
        MessageBox::clearShown();
        window.mnuFileExportMarks->trigger();
        QVERIFY(Driver::anyMessageContains(QStringLiteral("no bookmark and no marks")));
    }
};

QUILLMERE_TEST_MAIN(SidePanelTest)
#include "tst_side_panel.moc"
