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

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
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
        open();
    }
    // A book of the test data, as its producer made it (a name of its own type, so that a list
    // of one chapter is never taken for it).
    explicit OpenBook(const char* dataBook)
    {
        QFile::copy(QStringLiteral(QUILLMERE_TEST_DATA "/epub/") + QLatin1String(dataBook),
                    app.booksPath() + QStringLiteral("book.epub"));
        open();
    }
    void open()
    {
        window = std::make_unique<frmMain>(app.path());
        window->resize(800, 700);
        window->show();
        ok = Driver::clickNode(*window, QStringLiteral("book.epub"));
    }
    // The view as it is drawn now.
    QImage shown() const { return view()->viewport()->grab().toImage(); }
    // Where the character at offset is shown, in the view's viewport.
    QRect placeOf(int offset) const
    {
        QTextCursor cursor(view()->document());
        cursor.setPosition(offset);
        return view()->cursorRect(cursor);
    }
    RichTextView* view() const { return window->txtBook; }
    EpubSession* session() const { return window->epubSession(); }
    QString text() const { return view()->document()->toRawText(); }
    int offsetOf(const QString& needle) const { return int(text().indexOf(needle)); }
    bool ok = false;
};

// The pixels of a picture near a colour (each channel within 48), and the box around them.
struct Painted
{
    int count = 0;
    QRect box;
};
Painted painted(const QImage& image, const QColor& color, const QRect& within = {})
{
    Painted found;
    const QRect area = within.isValid() ? within.intersected(image.rect()) : image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - color.red()) < 48 && qAbs(pixel.green() - color.green()) < 48 &&
                qAbs(pixel.blue() - color.blue()) < 48) {
                ++found.count;
                found.box |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

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

    // SVG drawings are drawn at the size the chapter gives them, never wider than the page; a
    // drawing that is a chapter of its own, or sized to the page, is fitted to the page.
    void drawingsAreDrawnAtTheirSize_data()
    {
        QTest::addColumn<QString>("chapter");
        QTest::addColumn<QSize>("size"); // a width of -1: as wide as the page
        const QString rect = QStringLiteral("<rect width=\"40\" height=\"20\" fill=\"#ff0000\"/>");
        QTest::newRow("inline, in pixels")
            << QStringLiteral(
                   "<p>Before.</p><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200\" "
                   "height=\"100\" viewBox=\"0 0 40 20\">%1</svg><p>After.</p>")
                   .arg(rect)
            << QSize(200, 100);
        QTest::newRow("a picture file, its width given")
            << QStringLiteral("<p><img src=\"d.svg\" width=\"120\" alt=\"d\"/></p>")
            << QSize(120, 60);
        QTest::newRow("an object, no size: the page's width")
            << QStringLiteral("<object data=\"d.svg\" type=\"image/svg+xml\">no</object>")
            << QSize(-1, 0);
        QTest::newRow("wider than the page")
            << QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4000\" "
                              "height=\"2000\" viewBox=\"0 0 40 20\">%1</svg>")
                   .arg(rect)
            << QSize(-1, 0);
        QTest::newRow("a chapter of its own, taller than the page")
            << QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 100 "
                              "1000\"><rect width=\"100\" height=\"1000\" fill=\"#ff0000\"/></svg>")
            << QSize(0, -1);
    }
    void drawingsAreDrawnAtTheirSize()
    {
        QFETCH(QString, chapter);
        QFETCH(QSize, size);
        const QByteArray drawing = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 40 "
                                   "20\"><rect width=\"40\" height=\"20\" fill=\"#ff0000\"/></svg>";
        OpenBook book({chapter}, {{QStringLiteral("d.svg"), drawing}});
        QVERIFY(book.ok);
        const QSize viewport = book.view()->viewport()->size();
        const QRect red = painted(book.shown(), QColor(255, 0, 0)).box;
        QVERIFY2(!red.isEmpty(), "nothing drawn");
        const QString got = QStringLiteral("%1x%2 in %3x%4")
                                .arg(red.width())
                                .arg(red.height())
                                .arg(viewport.width())
                                .arg(viewport.height());
        if (size.width() > 0) {
            QVERIFY2(qAbs(red.width() - size.width()) <= 2 &&
                         qAbs(red.height() - size.height()) <= 2,
                     qPrintable(got));
        } else if (size.width() < 0) {
            // As wide as the page (the view less its margins), in the drawing's shape.
            QVERIFY2(red.width() > viewport.width() - 80 && red.width() <= viewport.width(),
                     qPrintable(got));
            QVERIFY2(qAbs(red.width() - 2 * red.height()) <= 3, qPrintable(got));
        } else {
            // Fitted to the page's height: whole in the view, in its shape.
            QVERIFY2(red.height() > viewport.height() / 2 && red.height() < viewport.height(),
                     qPrintable(got));
            QVERIFY2(qAbs(red.height() - 10 * red.width()) <= 12, qPrintable(got));
        }
    }

    // A book's boxes are drawn: a heading's rule below it, a double border as two lines, the
    // text inside its padding; ruby above the characters it reads; floating pictures at their
    // width; lists without markers have none.
    void bookStyleIsDrawn()
    {
        OpenBook book(
            {QStringLiteral(
                "<h1 style=\"border-bottom: 3px solid #0000ff\">Heading</h1><p>First words.</p>"
                "<p style=\"border: 9px double #00c000; padding: 10px\">Boxed words.</p>"
                "<p>Read <ruby>base<rt>note</rt></ruby> aloud.</p><p>Below.</p>"
                "<ul style=\"list-style-type: none\"><li>Nets</li></ul>"
                "<div style=\"float: right; width: 30%\"><img src=\"p.png\" alt=\"p\"/></div>"
                "<p>Beside.</p><table style=\"border-collapse: collapse\"><tr><td style=\"border: "
                "2px solid #ff00ff\">Cell</td></tr></table>")},
            {{QStringLiteral("p.png"), png(1000, 600)}});
        QVERIFY(book.ok);
        const QImage shown = book.shown();
        const QColor background = shown.pixelColor(shown.width() - 2, shown.height() - 2);

        // The rule: across the page, between the heading and the next paragraph.
        const QRect blue = painted(shown, QColor(0, 0, 255)).box;
        const QRect heading = book.placeOf(book.offsetOf(QStringLiteral("Heading")));
        const QRect first = book.placeOf(book.offsetOf(QStringLiteral("First words")));
        QVERIFY2(blue.width() > shown.width() / 2 && blue.height() >= 2 && blue.height() <= 4,
                 qPrintable(QStringLiteral("%1x%2").arg(blue.width()).arg(blue.height())));
        QVERIFY(blue.top() >= heading.bottom() && blue.bottom() < first.top());

        // The double border: its left side is two lines with a gap between them, and the text
        // starts inside border and padding.
        const QRect boxed = book.placeOf(book.offsetOf(QStringLiteral("Boxed words")));
        const QRect green = painted(shown, QColor(0, 192, 0)).box;
        QVERIFY(!green.isEmpty());
        QVERIFY(green.top() < boxed.top() && green.bottom() > boxed.bottom());
        QVERIFY2(boxed.left() >= green.left() + 19,
                 qPrintable(QStringLiteral("%1 %2").arg(boxed.left()).arg(green.left())));
        const int row = boxed.center().y();
        QString pattern;
        for (int x = green.left(); x < green.left() + 9; ++x) {
            const QChar kind = painted(shown, QColor(0, 192, 0), QRect(x, row, 1, 1)).count
                                   ? QLatin1Char('#')
                                   : QLatin1Char('.');
            if (!pattern.endsWith(kind)) {
                pattern += kind;
            }
        }
        QCOMPARE(pattern, QStringLiteral("#.#"));

        // Ruby: the line leaves room above the base, and the annotation is drawn there; the
        // text holds the base alone.
        QVERIFY(book.text().contains(QStringLiteral("Read base aloud.")));
        const QRect base = book.placeOf(book.offsetOf(QStringLiteral("base")));
        const QRect baseEnd = book.placeOf(book.offsetOf(QStringLiteral(" aloud")));
        const QRect boxedEnd = painted(shown, QColor(0, 192, 0)).box;
        const QRect above(base.left(), boxedEnd.bottom() + 2, baseEnd.left() - base.left(),
                          base.top() - boxedEnd.bottom() - 2);
        int drawnAbove = 0;
        for (int y = above.top(); y <= above.bottom(); ++y) {
            for (int x = above.left(); x <= above.right(); ++x) {
                drawnAbove += shown.pixelColor(x, y) != background ? 1 : 0;
            }
        }
        QVERIFY2(drawnAbove > 10, qPrintable(QString::number(drawnAbove)));

        // No marker left of the item.
        const QRect item = book.placeOf(book.offsetOf(QStringLiteral("Nets")));
        int marks = 0;
        for (int y = item.top(); y <= item.bottom(); ++y) {
            for (int x = 0; x < item.left() - 1; ++x) {
                marks += shown.pixelColor(x, y) != background ? 1 : 0;
            }
        }
        QCOMPARE(marks, 0);

        // The floating figure's picture takes 30% of the page, not the whole width.
        const int picture = book.offsetOf(QString(QChar::ObjectReplacementCharacter));
        QTextCursor cursor(book.view()->document());
        cursor.setPosition(picture + 1);
        const qreal width = cursor.charFormat().toImageFormat().width();
        const int page = book.view()->viewport()->width();
        QVERIFY2(width > page * 0.2 && width <= page * 0.3,
                 qPrintable(QStringLiteral("%1 of %2").arg(width).arg(page)));
        // It stands on the right, where it floats, and the next paragraph starts beside it,
        // narrower, from the left edge.
        const QRect figure = book.placeOf(picture);
        const QRect beside = book.placeOf(book.offsetOf(QStringLiteral("Beside.")));
        QVERIFY(figure.left() > page / 2);
        QVERIFY2(beside.top() < figure.bottom() && beside.left() < page / 4,
                 qPrintable(QStringLiteral("%1 %2").arg(beside.top()).arg(figure.bottom())));
        QTextCursor besideEnd(book.view()->document());
        besideEnd.setPosition(book.offsetOf(QStringLiteral("Beside.")));
        QVERIFY(book.view()
                    ->document()
                    ->documentLayout()
                    ->blockBoundingRect(besideEnd.block())
                    .width() < page * 0.8);

        // A cell's own border, in a table without one, is drawn around the cell.
        const QRect cell = book.placeOf(book.offsetOf(QStringLiteral("Cell")));
        const QRect magenta = painted(shown, QColor(255, 0, 255)).box;
        QVERIFY(magenta.contains(cell.center()) && magenta.left() < cell.left() &&
                magenta.top() < cell.top());
    }

    // calibre's book from HTML in the view: its cover page (a drawing the size of the page that
    // shows one picture) is the picture fitted to the page; its chapter's rule, double border
    // and drawing are drawn in the colours of its style.
    void calibreBookIsDrawn()
    {
        OpenBook book("calibre-html.epub");
        QVERIFY(book.ok);
        QCOMPARE(book.session()->currentChapter(), 0);
        const QSize viewport = book.view()->viewport()->size();
        // The cover is 600 by 900: fitted to the view's height, in its shape.
        const QRect cover = painted(book.shown(), QColor(0x30, 0x50, 0x80)).box;
        QVERIFY2(cover.height() > viewport.height() * 2 / 3 && cover.bottom() < viewport.height(),
                 qPrintable(QStringLiteral("%1x%2").arg(cover.width()).arg(cover.height())));
        QVERIFY(qAbs(cover.width() * 3 - cover.height() * 2) <= 6);
        // A lower window: the cover is fitted to it again.
        book.window->resize(800, 450);
        QTRY_VERIFY(book.view()->viewport()->height() < viewport.height() - 100);
        const int lower = book.view()->viewport()->height();
        QTRY_VERIFY(painted(book.shown(), QColor(0x30, 0x50, 0x80)).box.bottom() < lower);
        QVERIFY(painted(book.shown(), QColor(0x30, 0x50, 0x80)).box.height() > lower * 2 / 3);
        book.window->resize(800, 700);

        QVERIFY(book.session()->showChapter(1));
        const QImage shown = book.shown();
        const QRect rule = painted(shown, QColor(0x20, 0x50, 0xc0)).box;
        QVERIFY(rule.width() > viewport.width() / 2 && rule.height() <= 3);
        QVERIFY(rule.top() > book.placeOf(book.offsetOf(QStringLiteral("The Harbour"))).bottom());
        const QRect border = painted(shown, QColor(0xa0, 0x20, 0x20)).box;
        const QRect keep = book.placeOf(book.offsetOf(QStringLiteral("Keep clear")));
        QVERIFY(border.contains(keep.center()) && border.left() < keep.left() - 6);
        book.view()->verticalScrollBar()->setValue(book.view()->verticalScrollBar()->maximum());
        const QRect map = painted(book.shown(), QColor(0x40, 0xa0, 0x40)).box;
        QVERIFY2(qAbs(map.width() - 200) <= 2 && qAbs(map.height() - 100) <= 2,
                 qPrintable(QStringLiteral("%1x%2").arg(map.width()).arg(map.height())));
    }
};

QUILLMERE_TEST_MAIN(EpubViewTest)
#include "tst_epub_view.moc"
