// What an EPUB book's SVG drawings give the renderer (their shapes and the book's own pictures,
// never a script or anything outside the book, at a bounded cost) and the size each is shown
// at; the borders and padding read from a book's style; ruby and first letters, in chapters
// and on paper.
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/ChapterFormats.h"
#include "formats/epub/ChapterText.h"
#include "formats/epub/CssBox.h"
#include "formats/epub/EpubBook.h"
#include "formats/epub/SvgDrawing.h"
#include "support/EpubFiles.h"
#include "support/PdfText.h"
#include "support/TestMain.h"
#include "views/EpubPrinter.h"

#include <QBuffer>
#include <QImage>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QByteArray png()
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString svg(const QString& inside,
            const QString& attributes = QStringLiteral("viewBox=\"0 0 10 10\""))
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" "
                          "xmlns:xlink=\"http://www.w3.org/1999/xlink\" %1>%2</svg>")
        .arg(attributes, inside);
}

// Uses that multiply: each level uses the one below ten times.
QString multiplyingUses(int levels)
{
    QString defs = QStringLiteral("<rect id=\"l0\" width=\"1\" height=\"1\"/>");
    for (int level = 1; level <= levels; ++level) {
        defs += QStringLiteral("<g id=\"l%1\">").arg(level);
        for (int i = 0; i < 10; ++i) {
            defs += QStringLiteral("<use xlink:href=\"#l%1\"/>").arg(level - 1);
        }
        defs += QStringLiteral("</g>");
    }
    return QStringLiteral("<defs>%1</defs><use xlink:href=\"#l%2\"/>").arg(defs).arg(levels);
}

// A book holding one picture, pic.png, for drawings to show.
struct PictureBook
{
    QTemporaryDir dir;
    Epub::Book book;
    bool ok = false;
    explicit PictureBook(const QStringList& chapters = {QStringLiteral("<p>x</p>")})
    {
        const QString path = dir.filePath(QStringLiteral("b.epub"));
        ok = EpubFiles::write(path, QStringLiteral("Drawings"), chapters,
                              {{QStringLiteral("pic.png"), png()}}) &&
             book.open(path) == Epub::Book::OpenResult::Opened;
    }
};

} // namespace

class EpubDrawingsTest : public QObject
{
    Q_OBJECT

private slots:
    // The drawing given to the renderer keeps what it draws and loses what could reach outside
    // the book or run anything.
    void drawingsAreMadeSafe_data()
    {
        QTest::addColumn<QString>("drawing");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("gone");
        QTest::newRow("script and handlers")
            << svg(QStringLiteral("<script>alert(1)</script><rect onclick=\"go()\" width=\"5\" "
                                  "height=\"5\" fill=\"red\"/><foreignObject><p>html</p>"
                                  "</foreignObject>"))
            << QStringList{QStringLiteral("<rect"), QStringLiteral("fill=\"red\"")}
            << QStringList{QStringLiteral("script"), QStringLiteral("onclick"),
                           QStringLiteral("alert"), QStringLiteral("html")};
        QTest::newRow("addresses outside the book")
            << svg(QStringLiteral(
                   "<style>@import url(http://127.0.0.1:9/a.css); rect { fill: url(#g) }</style>"
                   "<linearGradient id=\"g\"/><image xlink:href=\"http://127.0.0.1:9/x.png\" "
                   "width=\"5\" height=\"5\"/><image href=\"file:///etc/passwd\"/>"
                   "<rect width=\"5\" height=\"5\" style=\"stroke: url(http://127.0.0.1:9/s)\"/>"
                   "<use xlink:href=\"other.svg#part\"/>"))
            << QStringList{QStringLiteral("url(#g)"), QStringLiteral("<rect")}
            << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("file:"),
                           QStringLiteral("@import"), QStringLiteral("other.svg")};
        QTest::newRow("the book's own picture goes inside")
            << svg(QStringLiteral("<image xlink:href=\"pic.png\" width=\"5\" height=\"5\"/>"
                                  "<circle r=\"2\"/>"))
            << QStringList{QStringLiteral("data:image/png;base64,")}
            << QStringList{QStringLiteral("pic.png")};
        QTest::newRow("another drawing as a data address")
            << svg(QStringLiteral("<image href=\"data:image/svg+xml;base64,PHN2Zy8+\"/>"
                                  "<circle r=\"2\"/>"))
            << QStringList{QStringLiteral("<circle")}
            << QStringList{QStringLiteral("data:image/svg")};
    }
    void drawingsAreMadeSafe()
    {
        QFETCH(QString, drawing);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, gone);
        PictureBook pictures;
        QVERIFY(pictures.ok);
        const Epub::SvgDrawing made = Epub::SvgDrawing::fromFile(
            drawing.toUtf8(), pictures.book.archive(), QStringLiteral("OEBPS/d.svg"));
        const QString source = QString::fromUtf8(made.source());
        for (const QString& part : kept) {
            QVERIFY2(source.contains(part), qPrintable(part + QStringLiteral(": ") + source));
        }
        for (const QString& part : gone) {
            QVERIFY2(!source.contains(part, Qt::CaseInsensitive),
                     qPrintable(part + QStringLiteral(": ") + source));
        }
    }

    // Drawings that would cost without end are cut to what can be drawn, at once.
    void hostileDrawingsAreBounded_data()
    {
        QTest::addColumn<QString>("drawing");
        QTest::addColumn<bool>("cut"); // a limit was reached and said so
        QTest::newRow("uses multiplying to a billion") << svg(multiplyingUses(9)) << true;
        QTest::newRow("uses in a circle")
            << svg(QStringLiteral("<g id=\"a\"><use xlink:href=\"#b\"/></g><g id=\"b\">"
                                  "<use xlink:href=\"#a\"/><rect width=\"1\" height=\"1\"/></g>"
                                  "<use xlink:href=\"#a\"/>"))
            << false;
        QTest::newRow("nested deeper than any drawing")
            << svg(QStringLiteral("<rect width=\"1\" height=\"1\"/>") +
                   QStringLiteral("<g>").repeated(5000) + QStringLiteral("<rect/>") +
                   QStringLiteral("</g>").repeated(5000))
            << true;
        QTest::newRow("a hundred thousand shapes")
            << svg(QStringLiteral("<rect width=\"1\" height=\"1\"/>").repeated(100000)) << true;
    }
    void hostileDrawingsAreBounded()
    {
        QFETCH(QString, drawing);
        QFETCH(bool, cut);
        PictureBook pictures;
        QVERIFY(pictures.ok);
        const Epub::SvgDrawing made = Epub::SvgDrawing::fromFile(
            drawing.toUtf8(), pictures.book.archive(), QStringLiteral("OEBPS/d.svg"));
        const QByteArray source = made.source();
        QCOMPARE(made.cut(), cut);
        QVERIFY(!source.isEmpty());
        QVERIFY(source.size() <= Epub::SvgDrawing::MaxSourceBytes + 4096);
        QVERIFY(source.count("<") <= Epub::SvgDrawing::MaxElements + 2);
        // Every use followed, what a renderer draws stays within the limit: the uses kept
        // cannot multiply past it.
        QVERIFY(source.count("<use") < 100);
    }

    // The size a drawing is shown at: what it asks for, within the page; a part of the page;
    // the page's width without a size; never taller than the page where it fits the page.
    void drawingSizes_data()
    {
        QTest::addColumn<QString>("attributes");
        QTest::addColumn<bool>("fitsPage");
        QTest::addColumn<QSize>("shown"); // on a page of 400 by 300
        QTest::newRow("pixels") << QStringLiteral("width=\"120\" height=\"60\"") << false
                                << QSize(120, 60);
        QTest::newRow("points") << QStringLiteral("width=\"72pt\" height=\"36pt\"") << false
                                << QSize(96, 48);
        QTest::newRow("wider than the page")
            << QStringLiteral("width=\"800\" height=\"100\" viewBox=\"0 0 8 1\"") << false
            << QSize(400, 50);
        QTest::newRow("width alone, view box's shape")
            << QStringLiteral("width=\"200\" viewBox=\"0 0 4 1\"") << false << QSize(200, 50);
        QTest::newRow("no size: the page's width")
            << QStringLiteral("viewBox=\"0 0 2 1\"") << false << QSize(400, 200);
        QTest::newRow("no size nor view box") << QString() << false << QSize(300, 150);
        QTest::newRow("half the page")
            << QStringLiteral("width=\"50%\" viewBox=\"0 0 1 1\"") << false << QSize(200, 200);
        QTest::newRow("the page, kept in shape (a cover)")
            << QStringLiteral("width=\"100%\" height=\"100%\" viewBox=\"0 0 600 900\"") << true
            << QSize(200, 300);
        QTest::newRow("tall, fitted to the page")
            << QStringLiteral("viewBox=\"0 0 1 3\"") << true << QSize(100, 300);
        QTest::newRow("nonsense sizes")
            << QStringLiteral("width=\"-5\" height=\"1e400\" viewBox=\"0 0 0 0\"") << false
            << QSize(300, 150);
    }
    void drawingSizes()
    {
        QFETCH(QString, attributes);
        QFETCH(bool, fitsPage);
        QFETCH(QSize, shown);
        PictureBook pictures;
        QVERIFY(pictures.ok);
        const Epub::SvgDrawing made = Epub::SvgDrawing::fromFile(
            svg(QStringLiteral("<rect width=\"1\" height=\"1\"/>"), attributes).toUtf8(),
            pictures.book.archive(), QStringLiteral("OEBPS/d.svg"));
        QCOMPARE(made.box().shownSize(QSizeF(400, 300), fitsPage).toSize(), shown);
    }

    // In a chapter: a drawing's words are the picture's, not the text's; a cover page (a
    // drawing of one picture, sized to the page) is that picture fitted to the page; an SVG
    // chapter is a drawing fitted to the page.
    void drawingsInChapters()
    {
        PictureBook pictures(
            {QStringLiteral("<p>Map:</p>") +
                 svg(QStringLiteral("<text x=\"1\" y=\"5\">North</text><text x=\"1\" "
                                    "y=\"9\">Pier</text>")),
             QStringLiteral("<div>") +
                 svg(QStringLiteral("<image width=\"30\" height=\"20\" xlink:href=\"pic.png\"/>"),
                     QStringLiteral("width=\"100%\" height=\"100%\" viewBox=\"0 0 30 20\" "
                                    "preserveAspectRatio=\"none\"")) +
                 QStringLiteral("</div>"),
             svg(QStringLiteral("<rect width=\"1\" height=\"4\"/>"),
                 QStringLiteral("viewBox=\"0 0 1 4\""))});
        QVERIFY(pictures.ok);
        Epub::ChapterConverter converter(pictures.book);
        converter.setMaxPictureWidth(400);
        converter.setMaxPictureHeight(10);
        QTextDocument document;
        QVERIFY(converter.convert(0, &document));
        QVERIFY(!document.toPlainText().contains(QStringLiteral("North")));
        QCOMPARE(Epub::readableText(document), QStringLiteral("Map:\n[North Pier]"));

        // The cover's picture, 30 by 20, fitted to a page 10 high.
        QVERIFY(converter.convert(1, &document));
        const QTextBlock cover = document.findBlock(
            int(document.toPlainText().indexOf(QChar::ObjectReplacementCharacter)));
        QVERIFY(cover.isValid());
        const QTextImageFormat picture = cover.begin().fragment().charFormat().toImageFormat();
        QVERIFY(picture.name().startsWith(QStringLiteral("epub-picture:")));
        QCOMPARE(QSize(qRound(picture.width()), qRound(picture.height())), QSize(15, 10));

        // The SVG chapter: a drawing 1 by 4 fitted to the page's height.
        QVERIFY(converter.convert(2, &document));
        const QTextImageFormat drawing =
            document.begin().begin().fragment().charFormat().toImageFormat();
        QVERIFY(drawing.hasProperty(Epub::ChapterFormats::DrawingBoxProperty));
        QCOMPARE(QSize(qRound(drawing.width()), qRound(drawing.height())), QSize(3, 10));
        // A wider page: the same drawing takes its size for it.
        QCOMPARE(Epub::ChapterConverter::fitPictures(pictures.book, &document, QSize(400, 40)), 1);
        QCOMPARE(qRound(document.begin().begin().fragment().charFormat().toImageFormat().height()),
                 40);
    }

    // Borders and padding as a book's style gives them, shorthands and sides.
    void boxesFromStyle_data()
    {
        QTest::addColumn<QString>("css");
        QTest::addColumn<QList<qreal>>("widths"); // top, right, bottom, left
        QTest::addColumn<int>("bottomStyle");
        QTest::addColumn<QString>("bottomColor");
        QTest::addColumn<qreal>("leftPadding");
        QTest::newRow("calibre's heading rule")
            << QStringLiteral("border-bottom: #2050c0 solid 2px; padding-bottom: 4px")
            << QList<qreal>{0, 0, 2, 0} << int(QTextFrameFormat::BorderStyle_Solid)
            << QStringLiteral("#2050c0") << 0.0;
        QTest::newRow("double, all sides, em padding")
            << QStringLiteral("border: 4px double rgb(160, 32, 32); padding: 0.5em 1em")
            << QList<qreal>{4, 4, 4, 4} << int(QTextFrameFormat::BorderStyle_Double)
            << QStringLiteral("#a02020") << 16.0;
        QTest::newRow("style alone is medium")
            << QStringLiteral("border-style: solid none") << QList<qreal>{3, 0, 3, 0}
            << int(QTextFrameFormat::BorderStyle_Solid) << QString() << 0.0;
        QTest::newRow("a side taken back")
            << QStringLiteral("border: 1px dashed red; border-bottom: none")
            << QList<qreal>{1, 1, 0, 1} << int(QTextFrameFormat::BorderStyle_None) << QString()
            << 0.0;
        QTest::newRow("widths by side, a huge one bounded")
            << QStringLiteral("border: solid; border-width: 1px 2px 9999px 4px; padding-left: 3pt")
            << QList<qreal>{1, 2, 400, 4} << int(QTextFrameFormat::BorderStyle_Solid) << QString()
            << 4.0;
        QTest::newRow("nonsense") << QStringLiteral("border: 3px wobbly #zzz; padding: -4px")
                                  << QList<qreal>{0, 0, 0, 0}
                                  << int(QTextFrameFormat::BorderStyle_None) << QString() << 0.0;
    }
    void boxesFromStyle()
    {
        QFETCH(QString, css);
        QFETCH(QList<qreal>, widths);
        QFETCH(int, bottomStyle);
        QFETCH(QString, bottomColor);
        QFETCH(qreal, leftPadding);
        QHash<QString, QString> declarations;
        for (const QString& declaration : css.split(QLatin1Char(';'))) {
            const qsizetype colon = declaration.indexOf(QLatin1Char(':'));
            declarations.insert(declaration.left(colon).trimmed(),
                                declaration.mid(colon + 1).trimmed());
        }
        const Epub::CssBox box = Epub::CssBox::fromStyle(
            [&](const QString& property) { return declarations.value(property); }, 12);
        QList<qreal> got;
        for (const Epub::CssBox::Side& side : box.sides) {
            got.append(side.width);
        }
        QCOMPARE(got, widths);
        QCOMPARE(int(box.sides[Epub::ChapterFormats::Bottom].style), bottomStyle);
        QCOMPARE(box.sides[Epub::ChapterFormats::Bottom].color.isValid()
                     ? box.sides[Epub::ChapterFormats::Bottom].color.name()
                     : QString(),
                 bottomColor);
        QCOMPARE(box.padding[Epub::ChapterFormats::Left], leftPadding);
    }

    // A box spans the paragraphs of its element: the first holds its top, the last its bottom;
    // one inside a table cell is left to the table.
    void boxesInChapters()
    {
        PictureBook pictures({QStringLiteral(
            "<p>Before.</p><div style=\"border: 2px solid #000\"><p>One.</p><p>Two.</p>"
            "<p>Three.</p></div><p>After.</p><table><tr><td><p style=\"border: 1px solid\">"
            "Cell.</p></td></tr></table>")});
        QVERIFY(pictures.ok);
        Epub::ChapterConverter converter(pictures.book);
        QTextDocument document;
        QVERIFY(converter.convert(0, &document));
        auto flags = [&document](const QString& text) {
            const QTextBlockFormat format = document.find(text).block().blockFormat();
            QString marks;
            marks += format.boolProperty(Epub::ChapterFormats::BoxProperty) ? u'B' : u'-';
            marks += format.boolProperty(Epub::ChapterFormats::BoxFirstProperty) ? u'F' : u'-';
            marks += format.boolProperty(Epub::ChapterFormats::BoxLastProperty) ? u'L' : u'-';
            return marks;
        };
        QCOMPARE(flags(QStringLiteral("Before.")), QStringLiteral("---"));
        QCOMPARE(flags(QStringLiteral("One.")), QStringLiteral("BF-"));
        QCOMPARE(flags(QStringLiteral("Two.")), QStringLiteral("B--"));
        QCOMPARE(flags(QStringLiteral("Three.")), QStringLiteral("B-L"));
        QCOMPARE(flags(QStringLiteral("After.")), QStringLiteral("---"));
        QCOMPARE(flags(QStringLiteral("Cell.")), QStringLiteral("---"));
    }

    // Ruby: the base in the text, each annotation on its base; the parentheses for readers
    // without ruby left out, and in the readable text after the base.
    void rubyInChapters()
    {
        PictureBook pictures({QStringLiteral(
            "<p>A <ruby>To<rp>(</rp><rt>t</rt><rp>)</rp>kyo<rp>(</rp><rt>kyo</rt><rp>)</rp>"
            "</ruby> trip.</p>")});
        QVERIFY(pictures.ok);
        Epub::ChapterConverter converter(pictures.book);
        QTextDocument document;
        QVERIFY(converter.convert(0, &document));
        QCOMPARE(document.toPlainText(), QStringLiteral("A Tokyo trip."));
        QCOMPARE(Epub::readableText(document), QStringLiteral("A To(t)kyo(kyo) trip."));
        QVERIFY(
            document.begin().blockFormat().boolProperty(Epub::ChapterFormats::HoldsRubyProperty));
    }

    // On paper, ruby follows the characters it reads, in parentheses: none of it is lost.
    void rubyIsPrintedAfterItsBase()
    {
        PictureBook pictures({QStringLiteral(
            "<p>A <ruby>To<rt>t</rt>kyo<rt>kyo</rt></ruby> trip.</p><p>No ruby here.</p>")});
        QVERIFY(pictures.ok);
        QTemporaryDir out;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out.filePath(QStringLiteral("ruby.pdf")));
        QCOMPARE(EpubPrinter::printBook(pictures.book, QFont(), &printer),
                 EpubPrinter::Result::Printed);
        QString text = pdfText(printer.outputFileName());
        text.remove(QRegularExpression(QStringLiteral("\\s")));
        QVERIFY2(text.contains(QStringLiteral("ATo(t)kyo(kyo)trip.Noruby")), qPrintable(text));
    }

    // The first letter of a paragraph styled by the book (a drop cap), with the punctuation
    // before it; the rest of the paragraph and other paragraphs keep their own style.
    void firstLetters()
    {
        PictureBook pictures({QStringLiteral(
            "<style>p.open::first-letter { font-size: 3em; color: #800000 } p:first-letter "
            "{ font-weight: bold }</style><p class=\"open\">\u201COnce,\u201D he said.</p>"
            "<p>Plain.</p>")});
        QVERIFY(pictures.ok);
        Epub::ChapterConverter converter(pictures.book);
        QTextDocument document;
        QVERIFY(converter.convert(0, &document));
        QCOMPARE(document.toPlainText(), QStringLiteral("\u201COnce,\u201D he said.\nPlain."));
        const QTextBlock open = document.begin();
        QTextCursor cursor(open);
        cursor.setPosition(open.position() + 2); // after the quote and the O
        const QTextCharFormat letter = cursor.charFormat();
        cursor.setPosition(open.position() + 3);
        const QTextCharFormat rest = cursor.charFormat();
        QCOMPARE(letter.foreground().color(), QColor(0x80, 0, 0));
        QVERIFY(letter.fontPointSize() > 2.5 * rest.fontPointSize());
        QVERIFY(rest.foreground().color() != QColor(0x80, 0, 0));
        QCOMPARE(QTextCursor(open.next()).charFormat().foreground().color() == QColor(0x80, 0, 0),
                 false);
    }
};

QUILLMERE_TEST_MAIN(EpubDrawingsTest)
#include "tst_epub_drawings.moc"
