// Reading EPUB books in the main window: opening from the library, the contents menu and
// links, the reading position after a restart and after the program was killed, marks and the
// bookmark kept outside the book through a rename and an edited re-export, Find across
// chapters, and the messages for books that cannot be shown.
#include "formats/epub/ReadingRecord.h"
#include "mainwindow/ViewCommands.h"
#include "mainwindow/frmMain.h"
#include "support/EpubFiles.h"
#include "support/MainWindowDriver.h"
#include "support/PdfText.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "support/TextViewProbe.h"
#include "ui/search/frmSearch.h"
#include "views/EpubSession.h"
#include "views/PrintDialog.h"
#include "views/ReadingLook.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QToolButton>
#include <csignal>

using namespace TextViewProbe;

namespace {

QString dataBook(const QString& name)
{
    return QStringLiteral("epub/") + name;
}

QByteArray sha(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Scrolls the long book to a paragraph of its second chapter, as a reader would.
void readToParagraph(frmMain& window, const QString& paragraph)
{
    QAction* shore = contentsEntry(window, QStringLiteral("Shore 2"));
    QVERIFY(shore);
    shore->trigger();
    const int at = int(window.txtBook->document()->toRawText().indexOf(paragraph));
    QVERIFY(at > 0);
    // Scrolled as the scroll bar would, until the paragraph's first line is at the top.
    QScrollBar* bar = window.txtBook->verticalScrollBar();
    QTextCursor cursor(window.txtBook->document());
    cursor.setPosition(at);
    for (int step = 0; step < 50 && window.txtBook->cursorRect(cursor).top() != 0; ++step) {
        bar->setValue(bar->value() + window.txtBook->cursorRect(cursor).top());
        QCoreApplication::processEvents();
    }
    QVERIFY(topText(window, paragraph.size()) == paragraph);
}

constexpr const char* KilledReaderFolder = "QUILLMERE_KILLED_READER_FOLDER";

// The reader that is killed: opens the long book, reads to a paragraph, waits past the
// moment the position is written down, and dies without closing anything.
int runKilledReader(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    MessageBox::setTestMode(true);
    frmMain window(qEnvironmentVariable(KilledReaderFolder));
    window.show();
    if (!Driver::clickNode(window, QStringLiteral("shore.epub"))) {
        return 2;
    }
    readToParagraph(window, QStringLiteral("Paragraph 120 of shore 2"));
    QTest::qWait(EpubSession::PositionSaveDelayMs + 1000);
    std::raise(SIGKILL);
    return 3;
}

} // namespace

class EpubReadingTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { MessageBox::clearShown(); }

    // Opened from the tree: the chapter text in the text view, the contents menu, the kind;
    // a contents entry and a link in the text jump, and the entry being read is checked.
    void opensWithContentsAndLinks()
    {
        TestAppFolder app;
        app.addBookFromData(dataBook(QStringLiteral("pandoc-epub3.epub")),
                            QStringLiteral("keeper.epub"));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("keeper.epub")));
        QCOMPARE(window.state().Kind, BookKind::Epub);
        QVERIFY(window.txtBook->isVisibleTo(&window));
        QVERIFY(window.btnRedPen->isEnabled());
        QVERIFY(window.mnuContents->menuAction()->isVisible());
        QVERIFY(MessageBox::shown().isEmpty());

        QAction* keeper = contentsEntry(window, QStringLiteral("The Keeper"));
        QAction* storm = contentsEntry(window, QStringLiteral("The Storm"));
        QVERIFY(keeper && storm);
        keeper->trigger();
        QVERIFY(window.txtBook->text().contains(QStringLiteral("climbed the stairs")));
        QVERIFY(keeper->isChecked());
        QVERIFY(!storm->isChecked());
        // The picture is in the view's document with its image, at the size it is shown.
        bool picture = false;
        for (QTextBlock block = window.txtBook->document()->begin(); block.isValid();
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (format.isImageFormat()) {
                    const QVariant image = window.txtBook->document()->resource(
                        QTextDocument::ImageResource, QUrl(format.toImageFormat().name()));
                    picture = picture || image.value<QImage>().width() == 40;
                }
            }
        }
        QVERIFY(picture);
        // ...and the view lays out the line that holds it, so it is drawn.
        window.txtBook->viewport()->grab();
        const int pictureAt =
            int(window.txtBook->document()->toRawText().indexOf(QChar::ObjectReplacementCharacter));
        QVERIFY(pictureAt >= 0);
        QVERIFY(window.txtBook->document()->findBlock(pictureAt).layout()->lineCount() > 0);

        // A click on "the storm" follows the link into the next chapter.
        const int link =
            int(window.txtBook->document()->toRawText().indexOf(QStringLiteral("the storm")));
        QVERIFY(link > 0);
        QTextCursor cursor(window.txtBook->document());
        cursor.setPosition(link + 2);
        window.txtBook->setTextCursor(cursor);
        const QPoint at = window.txtBook->cursorRect(cursor).center();
        QTest::mouseClick(window.txtBook->viewport(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(window.txtBook->text().contains(QStringLiteral("third night")));
        QVERIFY(storm->isChecked());
        QVERIFY(!keeper->isChecked());

        // Another book closes the contents menu.
        app.addBook(QStringLiteral("plain.txt"), "Plain words.");
        window.SetNodesList();
        QVERIFY(Driver::clickNode(window, QStringLiteral("plain.txt")));
        QVERIFY(!window.mnuContents->menuAction()->isVisible());
        QCOMPARE(window.state().Kind, BookKind::PlainText);
    }

    // The position comes back after the window was closed and the program started again.
    void positionRestoredAfterRestart()
    {
        TestAppFolder app;
        app.addBookFromData(dataBook(QStringLiteral("long-shore.epub")),
                            QStringLiteral("shore.epub"));
        const QString paragraph = QStringLiteral("Paragraph 77 of shore 2");
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("shore.epub")));
            readToParagraph(window, paragraph);
            window.close();
        }
        frmMain again(app.path());
        again.show();
        QVERIFY(Driver::clickNode(again, QStringLiteral("shore.epub")));
        QCOMPARE(topText(again, paragraph.size()), paragraph);
        QVERIFY(contentsEntry(again, QStringLiteral("Shore 2"))->isChecked());
    }

    // A reader killed a few seconds after moving on has written the new position down.
    void positionSurvivesAKilledProgram()
    {
        TestAppFolder app;
        app.addBookFromData(dataBook(QStringLiteral("long-shore.epub")),
                            QStringLiteral("shore.epub"));
        QProcess reader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(KilledReaderFolder), app.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        reader.setProcessEnvironment(environment);
        reader.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(reader.waitForFinished(60000));
        QCOMPARE(reader.exitStatus(), QProcess::CrashExit);

        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("shore.epub")));
        QCOMPARE(topText(window, 24), QStringLiteral("Paragraph 120 of shore 2"));
    }

    // Red pen, eraser and bookmark go into the record, never into the book; they survive a
    // rename and a re-export with a paragraph added.
    void marksSurviveRenameAndEdit()
    {
        TestAppFolder app;
        const QString path = app.addBookFromData(dataBook(QStringLiteral("pandoc-epub3.epub")),
                                                 QStringLiteral("keeper.epub"));
        const QByteArray original = sha(path);
        const QString passage = QStringLiteral("He counted one hundred and twelve steps.");
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("keeper.epub")));
            contentsEntry(window, QStringLiteral("The Keeper"))->trigger();
            QVERIFY(selectText(window, QStringLiteral("The keeper climbed the stairs")));
            window.HighlightIt();
            QVERIFY(selectText(window, passage));
            window.HighlightIt();
            // Erasing the middle of the first mark leaves its two ends marked.
            QVERIFY(selectText(window, QStringLiteral("climbed")));
            window.EraseIt();
            QVERIFY(selectText(window, QStringLiteral("twelve")));
            window.SetBookmark();
            QCOMPARE(MessageBox::shown().size(), 1);
            QVERIFY(!window.state().ChangesPending);
            window.close();
        }
        QCOMPARE(sha(path), original);

        // Renamed in the library.
        QVERIFY(QFile::rename(path, app.booksPath() + QStringLiteral("The Keeper (renamed).epub")));
        {
            frmMain window(app.path());
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("The Keeper (renamed).epub")));
            const QString text = window.txtBook->document()->toRawText();
            QVERIFY(markedAt(window, int(text.indexOf(passage)) + 5));
            QVERIFY(markedAt(window, int(text.indexOf(QStringLiteral("The keeper")))));
            QVERIFY(!markedAt(window, int(text.indexOf(QStringLiteral("climbed"))) + 2));
            QVERIFY(markedAt(window, int(text.indexOf(QStringLiteral("the stairs"))) + 2));
            window.close();
        }

        // Replaced by the second edition under its first name.
        QVERIFY(QFile::remove(app.booksPath() + QStringLiteral("The Keeper (renamed).epub")));
        app.addBookFromData(dataBook(QStringLiteral("lighthouse-edited.epub")),
                            QStringLiteral("keeper.epub"));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("keeper.epub")));
        contentsEntry(window, QStringLiteral("The Keeper"))->trigger();
        const QString text = window.txtBook->document()->toRawText();
        QVERIFY(text.contains(QStringLiteral("A new opening paragraph")));
        QVERIFY(markedAt(window, int(text.indexOf(passage)) + 5));
        QVERIFY(!markedAt(window, int(text.indexOf(QStringLiteral("A new opening"))) + 2));
        QVERIFY(window.findChild<QAction*>(QStringLiteral("mnuContentsBookmark"))->isEnabled());
        window.txtBook->setSelStart(0);
        window.findChild<QAction*>(QStringLiteral("mnuContentsBookmark"))->trigger();
        QCOMPARE(window.txtBook->document()->toRawText().mid(window.txtBook->SelStart(), 6),
                 QStringLiteral("twelve"));
    }

    // Paging on past the end of a chapter turns to the next one at its start; paging back past
    // the start of a chapter shows the end of the one before.
    void pagingTurnsChapters()
    {
        TestAppFolder app;
        app.addBookFromData(dataBook(QStringLiteral("long-shore.epub")),
                            QStringLiteral("shore.epub"));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("shore.epub")));
        contentsEntry(window, QStringLiteral("Shore 1"))->trigger();
        window.txtBook->setFocus();
        const int first = window.epubSession()->currentChapter();
        for (int presses = 0; presses < 500 && window.epubSession()->currentChapter() == first;
             ++presses) {
            QTest::keyClick(window.txtBook, Qt::Key_PageDown);
        }
        QCOMPARE(window.epubSession()->currentChapter(), first + 1);
        QCOMPARE(topText(window, 7), QStringLiteral("Shore 2"));
        QVERIFY(contentsEntry(window, QStringLiteral("Shore 2"))->isChecked());
        QTest::keyClick(window.txtBook, Qt::Key_PageUp);
        QCOMPARE(window.epubSession()->currentChapter(), first);
        QVERIFY(window.txtBook->toPlainText().contains(QStringLiteral("Paragraph 200 of shore 1")));
        QTextCursor end(window.txtBook->document());
        end.movePosition(QTextCursor::End);
        QVERIFY(window.txtBook->cursorRect(end).bottom() <= window.txtBook->viewport()->height());
    }

    // A wide picture follows the view's width when the window is resized (decoded again at
    // the new width, not stretched), and the line the reader was at stays at the top.
    void picturesFollowTheViewWidth()
    {
        TestAppFolder app;
        QImage wide(1600, 400, QImage::Format_RGB32);
        wide.fill(Qt::darkBlue);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(wide.save(&buffer, "PNG"));
        QString body;
        for (int i = 1; i <= 3; ++i) {
            body += QStringLiteral("<p>Line %1 above.</p><p><img src=\"wide.png\" alt=\"w\"/></p>")
                        .arg(i);
        }
        for (int i = 1; i <= 60; ++i) {
            body += QStringLiteral("<p>Paragraph %1 below.</p>").arg(i);
        }
        QVERIFY(EpubFiles::write(app.booksPath() + QStringLiteral("wide.epub"),
                                 QStringLiteral("Wide"), {body},
                                 {{QStringLiteral("wide.png"), png}}));
        frmMain window(app.path());
        // The whole width of the view, not a comfortable column.
        window.viewCommands()->look()->setComfortableWidth(false);
        window.resize(1100, 700);
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("wide.epub")));
        // Width of each picture's place and of the image held for it.
        auto pictureWidths = [&window] {
            QList<int> widths;
            QTextDocument* document = window.txtBook->document();
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
                for (auto it = block.begin(); !it.atEnd(); ++it) {
                    const QTextImageFormat format = it.fragment().charFormat().toImageFormat();
                    if (format.isValid()) {
                        widths.append(qRound(format.width()));
                        widths.append(
                            document->resource(QTextDocument::ImageResource, QUrl(format.name()))
                                .value<QImage>()
                                .width());
                    }
                }
            }
            return widths;
        };
        const int wideWidth = pictureWidths().value(0);
        QVERIFY(wideWidth > 600 && wideWidth < 1100);
        QCOMPARE(pictureWidths(), QList<int>(6, wideWidth));

        // The reader is past the pictures, at "Paragraph 5 below."
        const QString reading = QStringLiteral("Paragraph 5 below.");
        QScrollBar* bar = window.txtBook->verticalScrollBar();
        QTextCursor cursor(window.txtBook->document());
        cursor.setPosition(int(window.txtBook->document()->toRawText().indexOf(reading)));
        for (int step = 0; step < 50 && window.txtBook->cursorRect(cursor).top() != 0; ++step) {
            bar->setValue(bar->value() + window.txtBook->cursorRect(cursor).top());
        }
        QCOMPARE(topText(window, int(reading.size())), reading);

        window.resize(600, 700);
        QTRY_VERIFY(pictureWidths().value(0) < 600);
        const int narrowWidth = pictureWidths().value(0);
        QCOMPARE(pictureWidths(), QList<int>(6, narrowWidth));
        QCOMPARE(topText(window, int(reading.size())), reading);

        // Wider than the picture itself: shown at its own width, never blown up.
        window.resize(2000, 700);
        QTRY_COMPARE(pictureWidths(), QList<int>(6, 1600));
        QCOMPARE(topText(window, int(reading.size())), reading);
    }

    // Print with nothing selected prints the whole book, every chapter in order, not only the
    // chapter shown; with a selection, the selection alone. The reader stays where it was.
    void printingPrintsTheWholeBook()
    {
        TestAppFolder app;
        app.addBookFromData(dataBook(QStringLiteral("long-shore.epub")),
                            QStringLiteral("shore.epub"));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("shore.epub")));
        readToParagraph(window, QStringLiteral("Paragraph 50 of shore 2"));
        const int chapter = window.epubSession()->currentChapter();

        QTemporaryDir out;
        const QString whole = out.filePath(QStringLiteral("whole.pdf"));
        PrintDialog::setNextAnswer(whole);
        window.PrintBook();
        QVERIFY(MessageBox::shown().isEmpty());
        const QString text = pdfText(whole).simplified();
        // Numbered pages: the first page's number and a later one's.
        QVERIFY(text.contains(QStringLiteral(" 1 ")));
        QVERIFY(text.contains(QStringLiteral(" 12 ")));
        qsizetype last = -1;
        for (int shore = 1; shore <= 3; ++shore) {
            for (int paragraph : {1, 100, 200}) {
                const QString line =
                    QStringLiteral("Paragraph %1 of shore %2:").arg(paragraph).arg(shore);
                const qsizetype at = text.indexOf(line);
                QVERIFY2(at > last, qPrintable(line));
                last = at;
            }
        }
        QCOMPARE(window.epubSession()->currentChapter(), chapter);
        QCOMPARE(topText(window, 23), QStringLiteral("Paragraph 50 of shore 2"));

        // A page range across the end of the first chapter prints those pages, numbered as in
        // the whole book.
        const QStringList wholePages = pdfPageTexts(whole);
        int secondChapter = 0;
        while (secondChapter < wholePages.size() &&
               !wholePages.at(secondChapter).contains(QStringLiteral("of shore 2"))) {
            ++secondChapter;
        }
        QVERIFY(secondChapter > 1 && secondChapter + 1 < wholePages.size());
        const QString range = out.filePath(QStringLiteral("range.pdf"));
        PrintDialog::setNextAnswer(range, secondChapter, secondChapter + 2);
        window.PrintBook();
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(pdfPageTexts(range), wholePages.mid(secondChapter - 1, 3));

        QVERIFY(selectText(window, QStringLiteral("Paragraph 51 of shore 2")));
        const QString selection = out.filePath(QStringLiteral("selection.pdf"));
        PrintDialog::setNextAnswer(selection);
        window.PrintBook();
        const QString selected = pdfText(selection).simplified();
        QVERIFY2(selected.startsWith(QStringLiteral("Paragraph 51 of shore 2")),
                 qPrintable(selected));
        QVERIFY2(!selected.contains(QStringLiteral("Paragraph 52")), qPrintable(selected));
    }

    // Find goes on from the shown chapter into the chapters after it.
    void findGoesOnIntoLaterChapters()
    {
        TestAppFolder app;
        app.addBookFromData(dataBook(QStringLiteral("long-shore.epub")),
                            QStringLiteral("shore.epub"));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("shore.epub")));
        contentsEntry(window, QStringLiteral("Shore 1"))->trigger();
        window.ShowSearch();
        auto* search = Driver::topLevel<frmSearch>();
        QVERIFY(search);
        search->txtSearch->setText(QStringLiteral("Paragraph 5 of shore 3"));
        search->btnFind_Click();
        QCOMPARE(window.txtBook->SelText(), QStringLiteral("Paragraph 5 of shore 3"));
        QVERIFY(contentsEntry(window, QStringLiteral("Shore 3"))->isChecked());
        QVERIFY(MessageBox::shown().isEmpty());
        search->close();
    }

    // A bookmark or mark that cannot be written into the record (its folder is gone, a file
    // stands in its place) is not set: the session says why, the view shows no mark that a
    // restart would lose, and an eraser that cannot be kept leaves the mark.
    void marksThatCannotBeKeptAreNotSet()
    {
        TestAppFolder app;
        app.addBookFromData(dataBook(QStringLiteral("pandoc-epub3.epub")),
                            QStringLiteral("keeper.epub"));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("keeper.epub")));
        contentsEntry(window, QStringLiteral("The Keeper"))->trigger();
        EpubSession* session = window.epubSession();
        QString error;
        const QString kept = QStringLiteral("The keeper climbed the stairs");
        QVERIFY(selectText(window, kept));
        QVERIFY2(session->markSelection(&error), qPrintable(error));
        const QString text = window.txtBook->document()->toRawText();
        QVERIFY(markedAt(window, int(text.indexOf(kept)) + 2));

        const QString records = app.path() + QStringLiteral("epub-records");
        QVERIFY(QDir().rename(records, records + QStringLiteral("-away")));
        QFile standIn(records);
        QVERIFY(standIn.open(QIODevice::WriteOnly));
        standIn.close();

        QVERIFY(selectText(window, QStringLiteral("twelve")));
        QVERIFY(!session->setBookmark(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!session->record().bookmark);
        QVERIFY(!window.findChild<QAction*>(QStringLiteral("mnuContentsBookmark"))->isEnabled());

        const QString refused = QStringLiteral("He counted one hundred");
        QVERIFY(selectText(window, refused));
        error.clear();
        QVERIFY(!session->markSelection(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!markedAt(window, int(text.indexOf(refused)) + 2));
        QCOMPARE(session->record().marks.size(), 1);

        QVERIFY(selectText(window, kept));
        error.clear();
        QVERIFY(!session->eraseSelection(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(markedAt(window, int(text.indexOf(kept)) + 2));
        QCOMPARE(session->record().marks.size(), 1);

        // With the folder back, the same commands are kept.
        QVERIFY(QFile::remove(records));
        QVERIFY(QDir().rename(records + QStringLiteral("-away"), records));
        QVERIFY(selectText(window, refused));
        QVERIFY2(session->markSelection(&error), qPrintable(error));
        QVERIFY(markedAt(window, int(text.indexOf(refused)) + 2));
        QVERIFY(session->setBookmark(&error));
        QVERIFY(window.findChild<QAction*>(QStringLiteral("mnuContentsBookmark"))->isEnabled());
    }

    // A damaged record whose marks reach far past the text (a length of 2147483647, an
    // offset at the end of the int range) still opens: the marks are shown within the
    // chapter and the eraser works over them.
    void damagedRecordStillOpens()
    {
        TestAppFolder app;
        const QString path = app.addBookFromData(dataBook(QStringLiteral("pandoc-epub3.epub")),
                                                 QStringLiteral("keeper.epub"));
        const QString records = app.path() + QStringLiteral("epub-records");
        QVERIFY(QDir().mkpath(records));
        auto mark = [](int offset, qint64 length, const QString& marked) {
            QJsonObject object{
                {QStringLiteral("chapter"), 1},        {QStringLiteral("offset"), offset},
                {QStringLiteral("before"), QString()}, {QStringLiteral("after"), marked},
                {QStringLiteral("length"), length},    {QStringLiteral("text"), marked}};
            return object;
        };
        const QJsonObject record{
            {QStringLiteral("names"), QJsonArray{QStringLiteral("keeper.epub")}},
            {QStringLiteral("marks"),
             QJsonArray{mark(0, 2147483647, QStringLiteral("twelve steps.")),
                        mark(2147483647, 2147483647, QStringLiteral("The keeper"))}}};
        QFile file(records + QLatin1Char('/') + Epub::fileFingerprint(path) +
                   QStringLiteral(".json"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(record).toJson());
        file.close();

        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("keeper.epub")));
        contentsEntry(window, QStringLiteral("The Keeper"))->trigger();
        const QString text = window.txtBook->document()->toRawText();
        const int twelve = int(text.indexOf(QStringLiteral("twelve steps.")));
        QVERIFY(twelve > 0);
        QVERIFY(markedAt(window, twelve + 2));
        QVERIFY(!markedAt(window, twelve + 14));
        QVERIFY(markedAt(window, int(text.indexOf(QStringLiteral("The keeper"))) + 2));
        window.txtBook->setSelStart(0);
        window.txtBook->setSelLength(window.txtBook->characterCount());
        QString error;
        QVERIFY2(window.epubSession()->eraseSelection(&error), qPrintable(error));
        QVERIFY(!markedAt(window, twelve + 2));
    }

    // A book of two thousand chapters lists its contents in groups, none longer than a
    // screen; every entry is reached through them, and the one being read is checked.
    void longContentsAreListedInGroups()
    {
        TestAppFolder app;
        QStringList chapters;
        for (int i = 1; i <= 2000; ++i) {
            chapters.append(QStringLiteral("<p>Words of chapter %1.</p>").arg(i));
        }
        QVERIFY(EpubFiles::write(app.booksPath() + QStringLiteral("many.epub"),
                                 QStringLiteral("Many"), chapters));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("many.epub")));
        const QList<QAction*> top = window.mnuContents->actions();
        QVERIFY(top.size() <= 5 + EpubSession::MaxMenuEntries);
        // Opens the group of menu whose caption starts with the title, as the user does.
        auto open = [](QMenu* menu, const QString& title) -> QMenu* {
            for (QAction* action : menu->actions()) {
                if (action->menu() && action->text().startsWith(title)) {
                    QMetaObject::invokeMethod(action->menu(), "aboutToShow");
                    return action->menu();
                }
            }
            return nullptr;
        };
        QMenu* first = open(window.mnuContents, QStringLiteral("Chapter 1 "));
        QVERIFY(first);
        QVERIFY(first->actions().size() <= EpubSession::MaxMenuEntries);
        QMenu* group = open(first, QStringLiteral("Chapter 1481 "));
        QVERIFY(group);
        QVERIFY(group->actions().size() <= EpubSession::MaxMenuEntries);
        QAction* entry = nullptr;
        for (QAction* action : group->actions()) {
            entry = action->text() == QStringLiteral("Chapter 1501") ? action : entry;
        }
        QVERIFY(entry);
        entry->trigger();
        QCOMPARE(window.epubSession()->currentChapter(), 1500);
        QVERIFY(window.txtBook->text().contains(QStringLiteral("Words of chapter 1501.")));
        QVERIFY(entry->isChecked());
        // The last group holds the last chapters.
        QMenu* last = open(window.mnuContents, QStringLiteral("Chapter 1601 "));
        QVERIFY(last);
        QMenu* end = open(last, QStringLiteral("Chapter 1961 "));
        QVERIFY(end);
        QCOMPARE(end->actions().last()->text(), QStringLiteral("Chapter 2000"));
        end->actions().last()->trigger();
        QCOMPARE(window.epubSession()->currentChapter(), 1999);
        QVERIFY(!entry->isChecked());
    }

    // Books that cannot be shown say why in the pane, offer no commands, and are left alone.
    void badBooksExplainThemselves_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a zip") << "not-a-zip.epub"
                                   << "not a zip archive";
        QTest::newRow("no package") << "no-package.epub"
                                    << "no package document";
        QTest::newRow("protected") << "protected.epub"
                                   << "protected against copying";
    }
    void badBooksExplainThemselves()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        TestAppFolder app;
        const QString path = app.addBookFromData(dataBook(file), file);
        const QByteArray before = sha(path);
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, file));
        QVERIFY(window.bookMessage->isVisibleTo(&window));
        QVERIFY2(window.bookMessage->text().contains(message),
                 qPrintable(window.bookMessage->text()));
        QVERIFY(!window.txtBook->isVisibleTo(&window));
        QCOMPARE(window.state().Kind, BookKind::Refused);
        QVERIFY(!window.btnRedPen->isEnabled());
        QVERIFY(!window.mnuContents->menuAction()->isVisible());
        QCOMPARE(sha(path), before);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }
};

// The same program is also the reader that gets killed (see runKilledReader).
#define main runEpubReadingTests
QUILLMERE_TEST_MAIN(EpubReadingTest)
#undef main

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(KilledReaderFolder)) {
        return runKilledReader(argc, argv);
    }
    return runEpubReadingTests(argc, argv);
}

#include "tst_epub_reading.moc"
