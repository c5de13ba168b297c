// EPUB books as the reader sees them in the text view: what producers put in chapters beyond
// plain paragraphs (formulas, audio and video, right-to-left text, pictures between
// paragraphs), notes in a file of their own answering a click anywhere on their mark, chapters
// turned by every key pressed, and a long chapter whose start is shown first.
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"
#include "mainwindow/frmMain.h"
#include "support/EpubFiles.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/EpubSession.h"
#include "views/RichTextView.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolTip>

namespace {

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A library holding one book made of the chapters given, opened in a main window.
struct OpenBook
{
    TestAppFolder app;
    std::unique_ptr<frmMain> window;

    explicit OpenBook(const QStringList& chapters, const QList<EpubFiles::Part>& parts = {})
    {
        EpubFiles::write(app.booksPath() + QStringLiteral("book.epub"), QStringLiteral("Book"),
                         chapters, parts);
        window = std::make_unique<frmMain>(app.path());
        window->show();
        ok = Driver::clickNode(*window, QStringLiteral("book.epub"));
    }
    RichTextView* view() const { return window->txtBook; }
    EpubSession* session() const { return window->epubSession(); }
    QString text() const { return view()->document()->toRawText(); }
    int offsetOf(const QString& needle) const { return int(text().indexOf(needle)); }
    bool ok = false;
};

// The horizontal place of the caret before offset, in the view.
int xAt(RichTextView* view, int offset)
{
    QTextCursor cursor(view->document());
    cursor.setPosition(offset);
    return view->cursorRect(cursor).left();
}

} // namespace

class EpubViewTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { MessageBox::clearShown(); }

    // What a chapter holds besides paragraphs is in the view's text, never dropped.
    void contentIsShownNotDropped_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("shown");
        QTest::newRow("inline formula")
            << "<p>Area <math><msup><mi>x</mi><mn>2</mn></msup><mo>+</mo><mn>1</mn></math>.</p>"
            << "Area x2 + 1.";
        QTest::newRow("formula in a table cell")
            << "<table><tr><td>Ratio</td><td><math><mfrac><mi>a</mi><mrow><mi>b</mi><mo>+</mo>"
               "<mi>c</mi></mrow></mfrac></math></td></tr></table>"
            << "a/(b + c)";
        QTest::newRow("root of a formula")
            << "<p><math><msqrt><mi>y</mi></msqrt></math></p>" << QStringLiteral("\u221A(y)");
        QTest::newRow("formula without text shows its alttext")
            << "<p><math alttext=\"E equals m c squared\"><mspace/></math></p>"
            << "E equals m c squared";
        QTest::newRow("audio fallback")
            << "<audio src=\"song.mp3\"><p>Your reader cannot play audio: the song.</p></audio>"
            << "Your reader cannot play audio: the song.";
        QTest::newRow("video without fallback")
            << "<video src=\"media/film.mp4\" controls=\"controls\"></video>"
            << "[Video: film.mp4]";
        QTest::newRow("object fallback")
            << "<object data=\"x.swf\" type=\"application/x-shockwave-flash\"><p>A drawing of "
               "the bay.</p></object>"
            << "A drawing of the bay.";
    }
    void contentIsShownNotDropped()
    {
        QFETCH(QString, body);
        QFETCH(QString, shown);
        OpenBook book({body});
        QVERIFY(book.ok);
        QVERIFY2(book.view()->toPlainText().contains(shown),
                 qPrintable(book.view()->toPlainText()));
    }

    // A raised script of a formula is raised in the view.
    void formulaScriptsAreRaised()
    {
        OpenBook book(
            {QStringLiteral("<p>Then <math><msup><mi>e</mi><mi>z</mi></msup></math> grows.</p>")});
        QVERIFY(book.ok);
        const int at = book.offsetOf(QStringLiteral("ez"));
        QVERIFY(at >= 0);
        QTextCursor cursor(book.view()->document());
        cursor.setPosition(at + 2);
        QCOMPARE(cursor.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
        cursor.setPosition(at + 1);
        QVERIFY(cursor.charFormat().fontItalic());
    }

    // The base direction of a paragraph comes from dir, the language or its first letter: the
    // full stop ends a right-to-left sentence on its left.
    void rightToLeftParagraphs_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("dir on a section") << "<section dir=\"rtl\"><p>Plain words.</p></section>"
                                          << "Plain words.";
        QTest::newRow("Hebrew by xml:lang")
            << "<div xml:lang=\"he\"><p>abc \u05E9\u05DC\u05D5\u05DD.</p></div>"
            << "abc \u05E9\u05DC\u05D5\u05DD.";
        QTest::newRow("left to right given, Arabic first")
            << "<p dir=\"ltr\">\u0645\u0631\u062D\u0628\u0627 abc.</p>" << QString();
        QTest::newRow("Arabic by its first letter") << "<p>\u0645\u0631\u062D\u0628\u0627 abc.</p>"
                                                    << "\u0645\u0631\u062D\u0628\u0627 abc.";
    }
    void rightToLeftParagraphs()
    {
        QFETCH(QString, body);
        QFETCH(QString, sentence);
        OpenBook book({body + QStringLiteral("<p>An English line.</p>")});
        QVERIFY(book.ok);
        if (sentence.isEmpty()) {
            // A direction the book gives is kept, whatever the first letter.
            const QTextBlock first = book.view()->document()->firstBlock();
            QCOMPARE(first.textDirection(), Qt::LeftToRight);
            return;
        }
        const int at = book.offsetOf(sentence);
        QVERIFY(at >= 0);
        const QTextBlock block = book.view()->document()->findBlock(at);
        QCOMPARE(block.textDirection(), Qt::RightToLeft);
        // The sentence's end (after its full stop) is left of its start.
        const int end = at + int(sentence.size());
        QVERIFY2(xAt(book.view(), end) < xAt(book.view(), at),
                 qPrintable(
                     QStringLiteral("%1 %2").arg(xAt(book.view(), end)).arg(xAt(book.view(), at))));
        // The English line after it keeps its own direction.
        const int english = book.offsetOf(QStringLiteral("An English line."));
        QCOMPARE(book.view()->document()->findBlock(english).textDirection(), Qt::LeftToRight);
    }

    // A picture that follows a paragraph directly in its section is a block of its own, drawn
    // below the paragraph's last line.
    void pictureAfterAParagraphStandsAlone()
    {
        OpenBook book({QStringLiteral("<section><p>The last words.</p><img src=\"p.png\" "
                                      "alt=\"p\"/><p>More words.</p></section>")},
                      {{QStringLiteral("p.png"), png(60, 40)}});
        QVERIFY(book.ok);
        const int picture = book.offsetOf(QString(QChar::ObjectReplacementCharacter));
        QVERIFY(picture > 0);
        const QTextBlock block = book.view()->document()->findBlock(picture);
        QCOMPARE(block.text(), QString(QChar::ObjectReplacementCharacter));
        QTextCursor words(book.view()->document());
        words.setPosition(book.offsetOf(QStringLiteral("The last words.")));
        QTextCursor image(book.view()->document());
        image.setPosition(picture);
        QVERIFY(book.view()->cursorRect(image).top() > book.view()->cursorRect(words).bottom());
    }

    // A note kept in a file of its own answers a click anywhere on its one-letter mark, its
    // right half too, and shows its text where it is; the reader stays in the chapter.
    void notesAnswerAClickOnTheirWholeMark_data()
    {
        QTest::addColumn<QString>("mark");
        QTest::addColumn<QString>("note");
        QTest::newRow("marked as a note reference")
            << "<a role=\"doc-noteref\" href=\"chapter2.xhtml#n1\">1</a>"
            << "The keeper wrote this down.";
        QTest::newRow("raised mark, as converters write them")
            << "<a href=\"chapter2.xhtml#n2\"><sup>2</sup></a>"
            << "2 Gulls nest on the rock.";
    }
    void notesAnswerAClickOnTheirWholeMark()
    {
        QFETCH(QString, mark);
        QFETCH(QString, note);
        OpenBook book({QStringLiteral("<p>The lamp was lit%1 at dusk.</p>").arg(mark),
                       QStringLiteral("<aside id=\"n1\"><p>The keeper wrote this down.</p></aside>"
                                      "<p><a id=\"n2\" href=\"chapter1.xhtml\">2</a> Gulls nest on "
                                      "the rock.</p>")});
        QVERIFY(book.ok);
        const int at = book.offsetOf(QStringLiteral(" at dusk")) - 1;
        QVERIFY(at > 0);
        QTextCursor cursor(book.view()->document());
        cursor.setPosition(at);
        const QRect left = book.view()->cursorRect(cursor);
        cursor.setPosition(at + 1);
        const QRect right = book.view()->cursorRect(cursor);
        QVERIFY(right.left() > left.left());
        // Three quarters across the mark: nearer its end than its start.
        const QPoint click((left.left() + 3 * right.left()) / 4, left.center().y());
        QToolTip::hideText();
        QTest::mouseClick(book.view()->viewport(), Qt::LeftButton, {}, click);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), note);
        QCOMPARE(book.session()->currentChapter(), 0);
    }

    // Paging on at the end of short chapters turns one chapter for each key, however quickly
    // the keys come.
    void everyKeyTurnsAChapter()
    {
        OpenBook book({QStringLiteral("<p>First.</p>"), QStringLiteral("<p>Second.</p>"),
                       QStringLiteral("<p>Third.</p>"), QStringLiteral("<p>Fourth.</p>")});
        QVERIFY(book.ok);
        book.view()->setFocus();
        QCOMPARE(book.session()->currentChapter(), 0);
        QTest::keyClick(book.view(), Qt::Key_PageDown);
        QTest::keyClick(book.view(), Qt::Key_PageDown);
        QCOMPARE(book.session()->currentChapter(), 2);
        QTest::keyClick(book.view(), Qt::Key_PageUp);
        QCOMPARE(book.session()->currentChapter(), 1);
    }

    // A long chapter: its start is the start of the whole chapter, the whole follows without
    // moving the text read, and a place far into it is reached.
    void longChapterShowsItsStartFirst()
    {
        QString body;
        for (int i = 1; i <= 2500; ++i) {
            body += QStringLiteral("<p id=\"p%1\">Paragraph %1 of the long chapter, where the "
                                   "tide came in over the flats and the gulls rose.</p>")
                        .arg(i);
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.epub"));
        QVERIFY(EpubFiles::write(path, QStringLiteral("Long"),
                                 {body, QStringLiteral("<p><a href=\"chapter1.xhtml#p2400\">Far "
                                                       "on</a></p>")}));
        Epub::Book epub;
        QCOMPARE(epub.open(path), Epub::Book::OpenResult::Opened);
        Epub::ChapterConverter converter(epub);
        QTextDocument whole;
        QVERIFY(converter.convert(0, &whole));
        QVERIFY(converter.complete());
        const QHash<QString, int> anchors = converter.anchors();
        converter.setTextLimit(EpubSession::FirstScreenCharacters);
        QTextDocument start;
        QVERIFY(converter.convert(0, &start));
        QVERIFY(!converter.complete());
        const QString startText = start.toRawText();
        QVERIFY(startText.size() < whole.toRawText().size() / 4);
        QVERIFY(startText.size() >= EpubSession::FirstScreenCharacters);
        QVERIFY(whole.toRawText().startsWith(startText.chopped(1)));
        QCOMPARE(converter.anchors().value(QStringLiteral("p10")),
                 anchors.value(QStringLiteral("p10")));

        OpenBook book({body, QStringLiteral("<p><a href=\"chapter1.xhtml#p2400\">Far on</a></p>")});
        QVERIFY(book.ok);
        QTRY_VERIFY(!book.session()->isConverting());
        QVERIFY(book.text().contains(QStringLiteral("Paragraph 2500 of")));
        QVERIFY(book.session()->showChapter(1));
        QVERIFY(book.session()->followLink(QStringLiteral("epub:0#p2400")));
        QTRY_VERIFY(!book.session()->isConverting());
        const int top = book.view()->cursorForPosition(QPoint(0, 0)).position();
        QCOMPARE(book.text().mid(top, 14), QStringLiteral("Paragraph 2400"));
    }
};

QUILLMERE_TEST_MAIN(EpubViewTest)
#include "tst_epub_view.moc"
