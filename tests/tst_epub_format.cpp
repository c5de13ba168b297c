// EPUB books from real producers (pandoc, LibreOffice, ebooklib) and damaged ones: the
// container, package, contents and chapters as the reading view receives them.
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/CssText.h"
#include "formats/epub/EpubBook.h"
#include "formats/epub/PageFolder.h"
#include "support/EpubFiles.h"
#include "support/FullDisk.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

namespace {

QString bookPath(const QString& name)
{
    return QStringLiteral(QUILLMERE_TEST_DATA "/epub/") + name;
}

QStringList contentTitles(const Epub::Book& book)
{
    QStringList titles;
    for (const Epub::ContentsEntry& entry : book.contents()) {
        titles.append(entry.title);
    }
    return titles;
}

// The chapter whose text holds needle, or -1.
int chapterHolding(const Epub::Book& book, const QString& needle, QTextDocument* document)
{
    Epub::ChapterConverter converter(book);
    for (int chapter = 0; chapter < book.chapters().size(); ++chapter) {
        if (converter.convert(chapter, document) && document->toPlainText().contains(needle)) {
            return chapter;
        }
    }
    return -1;
}

// The format of the first fragment holding needle.
QTextCharFormat formatOf(const QTextDocument& document, const QString& needle)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(needle)) {
                return it.fragment().charFormat();
            }
        }
    }
    return {};
}

QTextBlock blockOf(const QTextDocument& document, const QString& needle)
{
    return document.find(needle).block();
}

// Position of the named anchor in the chapter converted into a document, or -1.
int anchorPosition(const Epub::Book& book, int chapter, const QString& name,
                   QTextDocument* document)
{
    Epub::ChapterConverter converter(book);
    return converter.convert(chapter, document) ? converter.anchors().value(name, -1) : -1;
}

// The book at path converted: the first chapter's document; false when it did not open or
// convert.
bool convertFirst(const QString& path, QTextDocument* document, QStringList* warnings = nullptr)
{
    Epub::Book book;
    if (book.open(path) != Epub::Book::OpenResult::Opened) {
        return false;
    }
    Epub::ChapterConverter converter(book);
    const bool converted = converter.convert(0, document);
    if (warnings) {
        *warnings = converter.warnings();
    }
    return converted;
}

// A book of one chapter holding body, with css as its style sheet.
QString styledBook(const QTemporaryDir& dir, const QString& css, const QString& body)
{
    const QString path = dir.filePath(QStringLiteral("styled.epub"));
    EpubFiles::write(
        path, QStringLiteral("Styled"),
        {QStringLiteral("<style>") + css.toHtmlEscaped() + QStringLiteral("</style>") + body});
    return path;
}

} // namespace

class EpubFormatTest : public QObject
{
    Q_OBJECT

private slots:
    // The same book from three producers: metadata, contents, chapter text, table, lists,
    // pictures, the footnote and the link across chapters.
    void producerBooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("hasIdentifier");
        QTest::newRow("pandoc EPUB 3") << "pandoc-epub3.epub" << true;
        QTest::newRow("pandoc EPUB 2 (NCX)") << "pandoc-epub2.epub" << true;
        QTest::newRow("LibreOffice") << "libreoffice.epub" << false;
    }
    void producerBooks()
    {
        QFETCH(QString, file);
        QFETCH(bool, hasIdentifier);
        Epub::Book book;
        QString error;
        QCOMPARE(book.open(bookPath(file), &error), Epub::Book::OpenResult::Opened);
        if (hasIdentifier) {
            QCOMPARE(book.title(), QStringLiteral("The Lighthouse Keeper"));
            QCOMPARE(book.identifier(),
                     QStringLiteral("urn:uuid:7c1f2f8e-3b5e-4c43-9d5a-6a0f1e2d3c4b"));
            QCOMPARE(book.author(), QStringLiteral("Ada Marlowe"));
        }
        const QStringList titles = contentTitles(book);
        QVERIFY2(titles.contains(QStringLiteral("The Keeper")), qPrintable(titles.join(u'|')));
        QVERIFY2(titles.contains(QStringLiteral("The Storm")), qPrintable(titles.join(u'|')));

        QTextDocument document;
        const int keeper = chapterHolding(book, QStringLiteral("climbed the stairs"), &document);
        QVERIFY(keeper >= 0);
        const QString text = document.toPlainText();
        QVERIFY(text.contains(QStringLiteral("He counted one hundred and twelve steps.")));
        QVERIFY(!text.contains(QStringLiteral("<")));
        // Emphasis survives.
        QCOMPARE(formatOf(document, QStringLiteral("all night")).fontWeight(), int(QFont::Bold));
        QVERIFY(formatOf(document, QStringLiteral("The light")).fontItalic());
        // The table is a table, with its cells in order.
        QTextCursor fog = document.find(QStringLiteral("Fog"));
        QVERIFY(!fog.isNull());
        QTextTable* table = fog.currentTable();
        QVERIFY(table);
        QCOMPARE(table->columns(), 3);
        // The picture is in the document, decoded.
        bool picture = false;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (format.isImageFormat()) {
                    const QVariant image = document.resource(QTextDocument::ImageResource,
                                                             QUrl(format.toImageFormat().name()));
                    picture = picture || (image.isValid() && !image.value<QImage>().isNull());
                }
            }
        }
        QVERIFY(picture);
        // The footnote link carries the note's text.
        bool noteShown = false;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                noteShown = noteShown || it.fragment().charFormat().toolTip().contains(
                                             QStringLiteral("colza oil"));
            }
        }
        QVERIFY(noteShown);
        // "the storm" jumps to the chapter that holds the storm, at its anchor.
        QString storm;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (it.fragment().text().contains(QStringLiteral("the storm"))) {
                    storm = it.fragment().charFormat().anchorHref();
                }
            }
        }
        if (hasIdentifier) {
            QString anchor;
            const int target = Epub::ChapterConverter::linkChapter(storm, &anchor);
            QTextDocument stormChapter;
            QCOMPARE(target, chapterHolding(book, QStringLiteral("third night"), &stormChapter));
            QVERIFY(anchorPosition(book, target, anchor, &stormChapter) >= 0);
        }
    }

    // Contents come from the navigation document, else the NCX, else the headings.
    void contentsSources()
    {
        Epub::Book pandoc3;
        QCOMPARE(pandoc3.open(bookPath(QStringLiteral("pandoc-epub3.epub"))),
                 Epub::Book::OpenResult::Opened);
        const QList<Epub::ContentsEntry> entries = pandoc3.contents();
        const auto log = std::find_if(entries.begin(), entries.end(), [](const auto& entry) {
            return entry.title == QLatin1String("The Log");
        });
        QVERIFY(log != entries.end());
        QCOMPARE(log->depth, 1);
        QVERIFY(!log->anchor.isEmpty());

        Epub::Book headings;
        QCOMPARE(headings.open(bookPath(QStringLiteral("headings-only.epub"))),
                 Epub::Book::OpenResult::Opened);
        QCOMPARE(contentTitles(headings),
                 QStringList({QStringLiteral("The Quay"), QStringLiteral("The Crane"),
                              QStringLiteral("The Chapel"), QStringLiteral("The Bell")}));
        QCOMPARE(headings.contents().at(1).depth, 1);
        QCOMPARE(headings.contents().at(1).anchor, QStringLiteral("crane"));
        QCOMPARE(headings.contents().at(2).chapter, 1);
    }

    // Styles from the book's CSS: alignment, indents, em and rem sizes, hidden elements.
    void styledChapter()
    {
        Epub::Book book;
        QCOMPARE(book.open(bookPath(QStringLiteral("styled.epub"))),
                 Epub::Book::OpenResult::Opened);
        QTextDocument document;
        const int first = chapterHolding(book, QStringLiteral("Centred words."), &document);
        QVERIFY(first >= 0);
        const QString text = document.toPlainText();
        QVERIFY(text.contains(QStringLiteral("Visible text.")));
        for (const char* hidden : {"secret", "vanished", "Hidden by attribute", "Hidden inline"}) {
            QVERIFY2(!text.contains(QLatin1String(hidden)), hidden);
        }
        QCOMPARE(blockOf(document, QStringLiteral("Centred")).blockFormat().alignment() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        const QTextBlockFormat indented =
            blockOf(document, QStringLiteral("indented")).blockFormat();
        QVERIFY(indented.textIndent() > 0);
        QVERIFY(indented.leftMargin() >= 30);
        const qreal normal = formatOf(document, QStringLiteral(" and ")).font().pointSizeF();
        const qreal big = formatOf(document, QStringLiteral("Big words")).font().pointSizeF();
        const qreal root = formatOf(document, QStringLiteral("root words")).font().pointSizeF();
        QVERIFY2(qAbs(big - 2 * normal) < 0.6,
                 qPrintable(QStringLiteral("%1 %2").arg(big).arg(normal)));
        QVERIFY2(root > big, qPrintable(QStringLiteral("%1 %2").arg(root).arg(big)));

        // The contents entry and the link name the anchor in the second chapter.
        const Epub::ContentsEntry target = book.contents().last();
        QCOMPARE(target.anchor, QStringLiteral("target"));
        const int at = anchorPosition(book, target.chapter, target.anchor, &document);
        QVERIFY(at >= 0);
        QVERIFY(document.findBlock(at).text().contains(QStringLiteral("The target paragraph.")));
    }

    // Damaged and hostile files: a clear result, what can be shown is shown, nothing outside
    // the book is read, a bomb is refused.
    void badBooks()
    {
        QString error;
        Epub::Book notZip;
        QCOMPARE(notZip.open(bookPath(QStringLiteral("not-a-zip.epub")), &error),
                 Epub::Book::OpenResult::NotEpub);
        QVERIFY(error.contains(QStringLiteral("zip")));

        Epub::Book noPackage;
        QCOMPARE(noPackage.open(bookPath(QStringLiteral("no-package.epub")), &error),
                 Epub::Book::OpenResult::NotEpub);
        QVERIFY(error.contains(QStringLiteral("package document")));

        Epub::Book brokenPackage;
        QCOMPARE(brokenPackage.open(bookPath(QStringLiteral("broken-package.epub")), &error),
                 Epub::Book::OpenResult::NotEpub);
        QVERIFY(error.contains(QStringLiteral("damaged")));

        Epub::Book missing;
        QCOMPARE(missing.open(bookPath(QStringLiteral("no-such-book.epub")), &error),
                 Epub::Book::OpenResult::NotEpub);

        Epub::Book protectedBook;
        QCOMPARE(protectedBook.open(bookPath(QStringLiteral("protected.epub")), &error),
                 Epub::Book::OpenResult::Protected);
        QVERIFY(error.contains(QStringLiteral("protected")));

        Epub::Book brokenChapter;
        QCOMPARE(brokenChapter.open(bookPath(QStringLiteral("broken-chapter.epub"))),
                 Epub::Book::OpenResult::Opened);
        Epub::ChapterConverter converter(brokenChapter);
        QTextDocument document;
        QVERIFY(converter.convert(0, &document));
        QVERIFY(document.toPlainText().contains(QStringLiteral("The first paragraph survives.")));
        QCOMPARE(converter.warnings().size(), 1);
        QVERIFY(converter.convert(1, &document));
        QVERIFY(document.toPlainText().contains(QStringLiteral("whole")));

        // The entry named ../../outside.xhtml is neither listed nor read, even though the
        // spine names it.
        Epub::Book climbing;
        QCOMPARE(climbing.open(bookPath(QStringLiteral("climbing.epub"))),
                 Epub::Book::OpenResult::Opened);
        QCOMPARE(climbing.chapters(), QStringList({QStringLiteral("OEBPS/one.xhtml")}));
        for (const QString& name : climbing.archive().entryNames()) {
            QVERIFY2(!name.contains(QStringLiteral("outside")), qPrintable(name));
        }
        QCOMPARE(
            Epub::Archive::resolve(QStringLiteral("OEBPS/one.xhtml"), QStringLiteral("../../x")),
            QString());
        QCOMPARE(Epub::Archive::resolve(QStringLiteral("OEBPS/text/one.xhtml"),
                                        QStringLiteral("../images/a%20b.png")),
                 QStringLiteral("OEBPS/images/a b.png"));

        // Nesting a hundred thousand deep is shown, not a stack overflow.
        Epub::Book deep;
        QCOMPARE(deep.open(bookPath(QStringLiteral("deep-nesting.epub"))),
                 Epub::Book::OpenResult::Opened);
        Epub::ChapterConverter deepConverter(deep);
        QVERIFY(deepConverter.convert(0, &document));
        QVERIFY(document.toPlainText().contains(QStringLiteral("Above the depths.")));
        QVERIFY(document.toPlainText().contains(QStringLiteral("Deep down.")));

        Epub::Book bomb;
        QCOMPARE(bomb.open(bookPath(QStringLiteral("zip-bomb.epub"))),
                 Epub::Book::OpenResult::Opened);
        Epub::ChapterConverter bombConverter(bomb);
        QVERIFY(bombConverter.convert(0, &document));
        QVERIFY(document.toPlainText().contains(QStringLiteral("Before the bomb.")));
        QVERIFY(!bombConverter.convert(1, &document, &error));
        QVERIFY(error.contains(QStringLiteral("refused")));
    }

    // What each element receives from the book's style sheets: the later and more specific
    // rule wins, descendant, child and sibling selectors apply, a shorthand and its parts
    // override each other in order, the element's own style wins over all, and a selector
    // this reader leaves to Qt (a pseudo-class) spoils nothing.
    void styleCascade_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("left");
        QTest::addColumn<qreal>("indent");
        QTest::addColumn<qreal>("right");
        QTest::newRow("tag") << "Plain words." << 10.0 << 4.0 << 0.0;
        QTest::newRow("class beats tag") << "Noted words." << 30.0 << 4.0 << 0.0;
        QTest::newRow("id beats class") << "Special words." << 40.0 << 4.0 << 0.0;
        QTest::newRow("descendant") << "Boxed words." << 10.0 << 15.0 << 0.0;
        QTest::newRow("child, later of equal weight") << "Child words." << 10.0 << 25.0 << 0.0;
        QTest::newRow("adjacent sibling") << "After the heading." << 5.0 << 2.0 << 0.0;
        QTest::newRow("shorthand then part") << "Wide words." << 3.0 << 4.0 << 50.0;
        QTest::newRow("later rule of equal weight") << "Later words." << 12.0 << 4.0 << 0.0;
        QTest::newRow("own style wins") << "Inline words." << 1.0 << 4.0 << 0.0;
    }

    void styleCascade()
    {
        QFETCH(QString, text);
        QFETCH(qreal, left);
        QFETCH(qreal, indent);
        QFETCH(qreal, right);
        QTemporaryDir dir;
        const QString css = QStringLiteral(
            "p { margin-left: 10px }\n.note { margin-left: 20px }\np.note { margin-left: 30px }\n"
            "#special { margin-left: 40px }\ndiv.box p { text-indent: 15px }\n"
            "div > p.child { text-indent: 25px }\nh2 + p { text-indent: 2px; margin-left: 5px }\n"
            "* { text-indent: 4px }\n.wide { margin: 50px }\n.wide { margin-left: 3px }\n"
            "p:first-child { margin-left: 99px }\n.later { margin-left: 11px }\n"
            ".later { margin-left: 12px }\n");
        const QString body = QStringLiteral(
            "<p>Plain words.</p><p class=\"note\">Noted words.</p>"
            "<p id=\"special\" class=\"note\">Special words.</p>"
            "<div class=\"box\"><p>Boxed words.</p><p class=\"child\">Child words.</p></div>"
            "<h2>Heading</h2><p>After the heading.</p><p class=\"wide\">Wide words.</p>"
            "<p class=\"later\">Later words.</p>"
            "<p class=\"note\" style=\"margin-left: 1px\">Inline words.</p>");
        QTextDocument document;
        QVERIFY(convertFirst(styledBook(dir, css, body), &document));
        const QTextBlockFormat format = blockOf(document, text).blockFormat();
        QCOMPARE(format.leftMargin(), left);
        QCOMPARE(format.textIndent(), indent);
        QCOMPARE(format.rightMargin(), right);
    }

    // Lengths in em and rem become pixels (Qt would take them as points); font sizes, and
    // numbers inside names, are left alone; a run of digits is read once, whatever its
    // length.
    void cssLengths_data()
    {
        QTest::addColumn<QString>("css");
        QTest::addColumn<QString>("expected");
        QTest::newRow("em") << "margin: 1em"
                            << "margin: 16px";
        QTest::newRow("negative, spaced") << "margin:-1.5 em"
                                          << "margin:-24px";
        QTest::newRow("rem without leading digit") << "padding: .5rem"
                                                   << "padding: 8px";
        QTest::newRow("font size") << "FONT-SIZE :  1.2EM"
                                   << "FONT-SIZE :  1.2EM";
        QTest::newRow("inside names") << ".col2em, #a-1em { x: 2emx }"
                                      << ".col2em, #a-1em { x: 2emx }";
        QTest::newRow("giant number")
            << QStringLiteral("margin: %1em").arg(QString(300000, '9')) << "margin: 100000px";
    }

    void cssLengths()
    {
        QFETCH(QString, css);
        QFETCH(QString, expected);
        QCOMPARE(Epub::CssText::emToPixels(css, 12.0), expected);
    }

    // Hostile chapters (two found by the fuzzer, the others made to the same pattern): each
    // converts with its text, in time linear in its size; each would have kept the reader
    // busy for minutes or for good.
    void hostileChapters_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QString>("css");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fuzz: a style sheet of digits")
            << bookPath(QStringLiteral("fuzz-style-of-digits.epub")) << QString() << QString()
            << "css";
        QTest::newRow("fuzz: one unbroken paragraph")
            << bookPath(QStringLiteral("fuzz-long-paragraph.epub")) << QString() << QString()
            << "idiv>idiv>";
        QTest::newRow("digits in an element's style")
            << QString() << QString()
            << QStringLiteral("<p style=\"font-size: %1em; margin: 1%1em\">Sized words.</p>")
                   .arg(QString(400000, '0'))
            << "Sized words.";
        QTest::newRow("unclosed comments")
            << QString() << QString(200000, '/') + QStringLiteral("*")
            << QStringLiteral("<p>After comments.</p>") << "After comments.";
        QTest::newRow("imports without an end")
            << QString() << QStringLiteral("@import ").repeated(50000)
            << QStringLiteral("<p>After imports.</p>") << "After imports.";
        QTest::newRow("block without an end")
            << QString() << QStringLiteral("p { margin: 1em") + QString(300000, 'a')
            << QStringLiteral("<p>After the block.</p>") << "After the block.";
        QTest::newRow("selector of many parts")
            << QString() << QStringLiteral("div ").repeated(100000) + QStringLiteral("p { a: b }")
            << QStringLiteral("<p>After the selector.</p>") << "After the selector.";
    }

    void hostileChapters()
    {
        QFETCH(QString, book);
        QFETCH(QString, css);
        QFETCH(QString, body);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        if (book.isEmpty()) {
            book = dir.filePath(QStringLiteral("hostile.epub"));
            QVERIFY(EpubFiles::write(
                book, QStringLiteral("Hostile"),
                {QStringLiteral("<style>") + css + QStringLiteral("</style>") + body}));
        }
        QTextDocument document;
        QVERIFY(convertFirst(book, &document));
        QVERIFY(document.toPlainText().contains(expected));
        document.setTextWidth(400);
        QVERIFY(document.size().height() > 0); // laid out whole
    }

    // Twenty thousand class rules over twenty thousand paragraphs (Qt matched every class
    // rule against every element: minutes): each paragraph receives its own rule.
    void manyRulesOverManyElements()
    {
        QTemporaryDir dir;
        QString css;
        QString body;
        for (int i = 0; i < 20000; ++i) {
            css += QStringLiteral(".c%1{text-indent:%2px}").arg(i).arg(i % 50);
            body += QStringLiteral("<p class=\"c%1\">Paragraph %1.</p>").arg(i);
        }
        QTextDocument document;
        QVERIFY(convertFirst(styledBook(dir, css, body), &document));
        for (int i : {0, 7, 12345, 19999}) {
            QCOMPARE(blockOf(document, QStringLiteral("Paragraph %1.").arg(i))
                         .blockFormat()
                         .textIndent(),
                     qreal(i % 50));
        }
    }

    // A chapter past what a chapter may cost (30 MB of "<p>x</p>" took 5 GB and ended the
    // reader) is shown as far as it goes, with a note at the point where it stops; an
    // ordinary long chapter is shown whole. A run of letters without a space gets an
    // invisible break opportunity every thousand letters, and no other text changes.
    void longChaptersAndRuns()
    {
        QTemporaryDir dir;
        const QString tooLong = dir.filePath(QStringLiteral("too-long.epub"));
        QVERIFY(EpubFiles::write(tooLong, QStringLiteral("Too long"),
                                 {QStringLiteral("<p>x</p>").repeated(1200000)}));
        QTextDocument document;
        QStringList warnings;
        QVERIFY(convertFirst(tooLong, &document, &warnings));
        QVERIFY(document.blockCount() > 50000);
        QVERIFY(document.blockCount() < 120000);
        QCOMPARE(document.lastBlock().text(), Epub::ChapterConverter::tooLongNote());
        QVERIFY(warnings.contains(Epub::ChapterConverter::tooLongNote()));

        const QString run = QString(2500, QLatin1Char('w'));
        const QString whole = dir.filePath(QStringLiteral("whole.epub"));
        QVERIFY(EpubFiles::write(whole, QStringLiteral("Whole"),
                                 {QStringLiteral("<p>Some words.</p>").repeated(20000) +
                                  QStringLiteral("<p>") + run + QStringLiteral("</p><p>") +
                                  QString(1000, QLatin1Char('v')) + QStringLiteral("</p>")}));
        QVERIFY(convertFirst(whole, &document, &warnings));
        QVERIFY(warnings.isEmpty());
        QCOMPARE(document.blockCount(), 20002);
        const QString broken = document.lastBlock().previous().text();
        QCOMPARE(broken, run.left(1000) + QChar(0x200B) + run.mid(1000, 1000) + QChar(0x200B) +
                             run.mid(2000));
        QCOMPARE(document.lastBlock().text(), QString(1000, QLatin1Char('v')));
    }

    // Tables nested far deeper than any book nests them (found by fuzzing: thirty levels kept
    // the layout busy for minutes, as each level lays out the ones inside it again) are shown
    // with their text, the outer levels still as tables, and lay out at once.
    void deeplyNestedTables()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tables.epub"));
        QString body = QStringLiteral("<p>Above the tables.</p>");
        for (int level = 0; level < 30; ++level) {
            body += QStringLiteral("<table><tr><td>Level %1</td><td>").arg(level);
        }
        body += QStringLiteral("Innermost.");
        for (int level = 0; level < 30; ++level) {
            body += QStringLiteral("</td></tr></table>");
        }
        QVERIFY(EpubFiles::write(path, QStringLiteral("Tables"), {body}));
        Epub::Book book;
        QCOMPARE(book.open(path), Epub::Book::OpenResult::Opened);
        Epub::ChapterConverter converter(book);
        QTextDocument document;
        QVERIFY(converter.convert(0, &document));
        document.setTextWidth(600);
        QVERIFY(document.size().height() > 0);
        const QString text = document.toPlainText();
        QVERIFY(text.contains(QStringLiteral("Level 0")));
        QVERIFY(text.contains(QStringLiteral("Level 29")));
        QVERIFY(text.contains(QStringLiteral("Innermost.")));
        int depth = 0;
        for (QTextFrame* frame = document.rootFrame(); !frame->childFrames().isEmpty();) {
            frame = frame->childFrames().first();
            depth += qobject_cast<QTextTable*>(frame) ? 1 : 0;
        }
        QVERIFY(depth >= 2);
        QVERIFY(depth <= 10);
    }

    // A fixed-layout book is unpacked for the web view: every part in its place, a page that
    // frames each chapter in spine order at the size its viewport asks for, and nothing
    // written outside the folder even for a name that climbs out of the book.
    void pageFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("album.epub"));
        QVERIFY(EpubFiles::write(
            path, QStringLiteral("Album <1>"),
            {QStringLiteral("<p>One</p>"), QStringLiteral("<p><img src=\"a%20b.png\"/></p>")},
            {{QStringLiteral("a b.png"), QByteArray("not really a picture")}},
            QStringLiteral("<meta property=\"rendition:layout\">pre-paginated</meta>")));
        Epub::Book book;
        QCOMPARE(book.open(path), Epub::Book::OpenResult::Opened);
        QVERIFY(book.isFixedLayout());
        const QString folder = dir.filePath(QStringLiteral("pages"));
        QVERIFY(QDir().mkpath(folder));
        QString error;
        const QString page = Epub::PageFolder::write(book, folder, &error);
        QVERIFY2(!page.isEmpty(), qPrintable(error));
        QCOMPARE(QFileInfo(page).dir().canonicalPath(), QDir(folder).canonicalPath());
        QVERIFY(QFile::exists(folder + QStringLiteral("/OEBPS/chapter2.xhtml")));
        QVERIFY(QFile::exists(folder + QStringLiteral("/OEBPS/a b.png")));
        QFile file(page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY(html.contains(QStringLiteral("<title>Album &lt;1&gt;</title>")));
        const qsizetype first = html.indexOf(QStringLiteral("src=\"OEBPS/chapter1.xhtml\""));
        QVERIFY(first > 0);
        QVERIFY(html.indexOf(QStringLiteral("src=\"OEBPS/chapter2.xhtml\"")) > first);
        QVERIFY(html.contains(QStringLiteral("width=\"600\" height=\"800\"")));

        Epub::Book climbing;
        QCOMPARE(climbing.open(bookPath(QStringLiteral("climbing.epub"))),
                 Epub::Book::OpenResult::Opened);
        QTemporaryDir outer;
        const QString inner = outer.filePath(QStringLiteral("a/b"));
        QVERIFY(QDir().mkpath(inner));
        QVERIFY(!Epub::PageFolder::write(climbing, inner).isEmpty());
        QDirIterator all(outer.path(), QDir::Files, QDirIterator::Subdirectories);
        while (all.hasNext()) {
            const QString name = all.next();
            QVERIFY2(name.startsWith(inner + QLatin1Char('/')), qPrintable(name));
            QVERIFY2(!name.contains(QStringLiteral("outside")), qPrintable(name));
        }
    }

    // A book of many entries, each within the cap of one entry, that together unpack to far
    // more than the book is refused before anything is written.
    void pageFolderRefusesTooMuch()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("many.epub"));
        const QString page = QStringLiteral("<p>") + QString(12 * 1024 * 1024, QLatin1Char('a')) +
                             QStringLiteral("</p>");
        QVERIFY(EpubFiles::write(path, QStringLiteral("Many"), {page, page, page}, {},
                                 QStringLiteral("<meta property=\"rendition:layout\">"
                                                "pre-paginated</meta>")));
        Epub::Book book;
        QCOMPARE(book.open(path), Epub::Book::OpenResult::Opened);
        const QString folder = dir.filePath(QStringLiteral("pages"));
        QVERIFY(QDir().mkpath(folder));
        QString error;
        QVERIFY(Epub::PageFolder::write(book, folder, &error).isEmpty());
        QVERIFY2(error.contains(QStringLiteral("far more than the whole book")), qPrintable(error));
        QVERIFY(QDir(folder).isEmpty());
    }

    // Pages that would not fit in the room left on the disk are refused before anything is
    // written; a book that fits is unpacked there.
    void pageFolderNeedsRoom()
    {
        FullDisk disk(8 * 1024 * 1024);
        REQUIRE_FULL_DISK(disk);
        QTemporaryDir dir;
        const QString big = dir.filePath(QStringLiteral("big.epub"));
        const QString page = QStringLiteral("<p>") + QString(3 * 1024 * 1024, QLatin1Char('a')) +
                             QStringLiteral("</p>");
        QVERIFY(EpubFiles::write(big, QStringLiteral("Big"), {page, page}));
        Epub::Book book;
        QCOMPARE(book.open(big), Epub::Book::OpenResult::Opened);
        QString error;
        QVERIFY(Epub::PageFolder::write(book, disk.path(), &error).isEmpty());
        QVERIFY2(error.contains(QStringLiteral("not enough room")), qPrintable(error));
        QVERIFY(QDir(disk.path()).isEmpty());

        Epub::Book small;
        QCOMPARE(small.open(bookPath(QStringLiteral("pandoc-epub3.epub"))),
                 Epub::Book::OpenResult::Opened);
        QVERIFY2(!Epub::PageFolder::write(small, disk.path(), &error).isEmpty(), qPrintable(error));
    }

    // Folders of pages left by a reader that was killed are removed; those of a reader still
    // running, links, and anything else in the temporary folder are left alone.
    void pageFolderLeftoversAreRemoved()
    {
        QTemporaryDir temporary;
        QProcess ended;
        ended.start(QStringLiteral("true"), {});
        QVERIFY(ended.waitForStarted());
        const qint64 gone = ended.processId();
        QVERIFY(ended.waitForFinished());
        const QDir dir(temporary.path());
        const QString left = QStringLiteral("quillmere-pages-%1-aaaaaa").arg(gone);
        const QString running = QFileInfo(Epub::PageFolder::folderTemplate(temporary.path()))
                                    .fileName()
                                    .replace(QStringLiteral("XXXXXX"), QStringLiteral("bbbbbb"));
        const QString link = QStringLiteral("quillmere-pages-%1-cccccc").arg(gone);
        for (const QString& name : {left + QStringLiteral("/OEBPS"), running,
                                    QStringLiteral("elsewhere"), QStringLiteral("other")}) {
            QVERIFY(dir.mkpath(name));
        }
        QFile kept(dir.filePath(QStringLiteral("elsewhere/kept.txt")));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), dir.filePath(link)));

        QCOMPARE(Epub::PageFolder::removeLeftovers(temporary.path()), 1);
        QVERIFY(!dir.exists(left));
        QVERIFY(dir.exists(running));
        QVERIFY(QFileInfo(dir.filePath(link)).isSymLink());
        QVERIFY(kept.exists());
        QVERIFY(dir.exists(QStringLiteral("other")));
    }

    // A wide picture is held at the width shown; fitted to another width it is decoded again
    // at that width (never past its own), every place it is shown takes the new size, and the
    // text does not move.
    void picturesFitANewWidth()
    {
        QTemporaryDir dir;
        QImage wide(1200, 300, QImage::Format_RGB32);
        wide.fill(Qt::darkGreen);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(wide.save(&buffer, "PNG"));
        const QString path = dir.filePath(QStringLiteral("wide.epub"));
        QVERIFY(EpubFiles::write(
            path, QStringLiteral("Wide"),
            {QStringLiteral("<p>Before</p><p><img src=\"wide.png\" alt=\"wide\"/></p><p>Between"
                            "</p><p><img src=\"wide.png\" alt=\"again\"/></p><p>After</p>")},
            {{QStringLiteral("wide.png"), png}}));
        Epub::Book book;
        QCOMPARE(book.open(path), Epub::Book::OpenResult::Opened);
        Epub::ChapterConverter converter(book);
        converter.setMaxPictureWidth(600);
        QTextDocument document;
        QVERIFY(converter.convert(0, &document));
        const QString text = document.toRawText();
        // Width and height of each place, and of the picture the document holds for it.
        auto shown = [&document] {
            QList<QSize> sizes;
            for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
                for (auto it = block.begin(); !it.atEnd(); ++it) {
                    const QTextImageFormat format = it.fragment().charFormat().toImageFormat();
                    if (format.isValid()) {
                        sizes.append(QSize(qRound(format.width()), qRound(format.height())));
                        sizes.append(
                            document.resource(QTextDocument::ImageResource, QUrl(format.name()))
                                .value<QImage>()
                                .size());
                    }
                }
            }
            return sizes;
        };
        QCOMPARE(shown(), QList<QSize>(4, QSize(600, 150)));

        QCOMPARE(Epub::ChapterConverter::fitPictures(book, &document, QSize(300, 0)), 2);
        QCOMPARE(shown(), QList<QSize>(4, QSize(300, 75)));
        QCOMPARE(Epub::ChapterConverter::fitPictures(book, &document, QSize(5000, 0)), 2);
        QCOMPARE(shown(), QList<QSize>(4, QSize(1200, 300)));
        QCOMPARE(Epub::ChapterConverter::fitPictures(book, &document, QSize(4000, 0)), 0);
        QCOMPARE(document.toRawText(), text);
    }
};

QUILLMERE_TEST_MAIN(EpubFormatTest)
#include "tst_epub_format.moc"
