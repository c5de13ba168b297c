// Books of the other formats made by real producers (pandoc, LibreOffice, calibre; see
// tests/data/books/make_books.py), read by our readers and shown through the EPUB chapter
// conversion as the reading view shows them: the text whole and in order, the contents, the
// notes as pop-ups, the pictures, and what each format adds of its own.
#include "formats/comic/ComicReader.h"
#include "formats/epub/ChapterConverter.h"
#include "formats/markdown/MarkdownReader.h"
#include "formats/package/BookPackage.h"
#include "support/DocumentProbe.h"
#include "support/FormatBooks.h"
#include "support/TestMain.h"
#include "support/ZipFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QXmlStreamReader>

using DocumentProbe::missingInOrder;

namespace {

const QStringList HarbourText = {
    QStringLiteral("The harbour master walked the quay at first light."),
    QStringLiteral("Forty boats lay at anchor."),
    QStringLiteral("The bell"),
    QStringLiteral("twice"),
    QStringLiteral("Herring"),
    QStringLiteral("Check the moorings"),
    QStringLiteral("Light the harbour lamp"),
    QStringLiteral("The gale came in the night"),
    QStringLiteral("Double the lines"),
    QStringLiteral("Wake the crews"),
    QStringLiteral("the arrival"),
    QStringLiteral("By morning the water lay still as glass. Последняя лодка вернулась домой.")};

const QStringList TideText = {QStringLiteral("High water came at six."),
                              QStringLiteral("red buoy"),
                              QStringLiteral("deep channel"),
                              QStringLiteral("Monday"),
                              QStringLiteral("06:10"),
                              QStringLiteral("18:35"),
                              QStringLiteral("Spring tides all week"),
                              QStringLiteral("Watch the gauge"),
                              QStringLiteral("Every hour"),
                              QStringLiteral("Warn the ferry"),
                              QStringLiteral("The evening ebb ran fast past the pier."),
                              QStringLiteral("Close the gates"),
                              QStringLiteral("The sea keeps its own hours."),
                              QStringLiteral("the morning tide"),
                              QStringLiteral("Measured at the harbour wall."),
                              QStringLiteral("Pilots call it the long pull.")};

QStringList titles(const Books::BookPackage& book)
{
    QStringList found;
    for (const Epub::ContentsEntry& entry : book.contents) {
        found.append(entry.title);
    }
    return found;
}

// The chapter whose text holds needle, converted into document; -1 when none does.
int chapterHolding(FormatBooks::Shown& shown, const QString& needle, QTextDocument* document)
{
    for (int chapter = 0; chapter < shown.book().chapters().size(); ++chapter) {
        if (shown.convert(chapter, document) && document->toPlainText().contains(needle)) {
            return chapter;
        }
    }
    return -1;
}

} // namespace

class BookFormatsTest : public QObject
{
    Q_OBJECT

private slots:
    void producerBooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("contents");
        QTest::addColumn<QStringList>("text");
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("picture");
        const QString harbour = QStringLiteral("The Harbour Master");
        const QStringList harbourContents = {
            QStringLiteral("The Arrival"), QStringLiteral("The Ledger"), QStringLiteral("The Gale"),
            QStringLiteral("The Calm")};
        const QString tideNote = QStringLiteral("Measured at the harbour wall.");
        const QString harbourNote = QStringLiteral("The tide turned at a quarter past five.");
        const QStringList tideContents = {QStringLiteral("Morning Tide"),
                                          QStringLiteral("The Table"),
                                          QStringLiteral("Evening Tide"), QStringLiteral("Notes")};
        QTest::newRow("pandoc FB2")
            << "pandoc.fb2" << harbour << harbourContents << HarbourText << harbourNote << true;
        QTest::newRow("pandoc FB2 in a zip")
            << "pandoc.fb2.zip" << harbour << harbourContents << HarbourText << harbourNote << true;
        // Calibre's FB2 has no titles: its sections are named by their first words.
        QTest::newRow("calibre FB2")
            << "calibre.fb2" << harbour
            << QStringList{harbour, QStringLiteral("The Arrival"), QStringLiteral("The Gale"),
                           QStringLiteral("The Calm")}
            << HarbourText << QString() << true;
        QTest::newRow("pandoc DOCX")
            << "pandoc.docx" << harbour << harbourContents << HarbourText << harbourNote << true;
        QTest::newRow("calibre DOCX")
            << "calibre.docx" << harbour << harbourContents << HarbourText << QString() << true;
        QTest::newRow("pandoc ODT")
            << "pandoc.odt" << harbour << harbourContents << HarbourText << harbourNote << true;
        QTest::newRow("calibre MOBI (old format)")
            << "calibre.mobi" << harbour << harbourContents << HarbourText << QString() << true;
        QTest::newRow("calibre AZW3")
            << "calibre.azw3" << harbour << harbourContents << HarbourText << harbourNote << true;
        QTest::newRow("calibre MOBI with both formats")
            << "calibre-both.mobi" << harbour << harbourContents << HarbourText << harbourNote
            << true;
        QTest::newRow("Markdown") << "source/harbour.md" << harbour << harbourContents
                                  << HarbourText << harbourNote << true;
        QTest::newRow("LibreOffice DOCX")
            << "libreoffice.docx"
            << "Tide Tables" << tideContents << TideText << tideNote << true;
        QTest::newRow("LibreOffice ODT")
            << "libreoffice.odt"
            << "Tide Tables" << tideContents << TideText << tideNote << true;
        QTest::newRow("flat ODT") << "source/tide.fodt"
                                  << "Tide Tables" << tideContents << TideText << tideNote << true;
        // Calibre made its own contents of the document's links and left the picture out.
        QTest::newRow("calibre AZW3 from ODT")
            << "calibre-tide.azw3"
            << "Tide Tables" << QStringList() << TideText << QString() << false;
    }
    void producerBooks()
    {
        QFETCH(QString, file);
        QFETCH(QString, title);
        QFETCH(QStringList, contents);
        QFETCH(QStringList, text);
        QFETCH(QString, note);
        QFETCH(bool, picture);
        Books::BookPackage book;
        QString error;
        QVERIFY2(FormatBooks::read(FormatBooks::dataPath(file), &book, &error), qPrintable(error));
        QCOMPARE(book.title, title);
        QCOMPARE(book.author, QStringLiteral("Ada Marlowe"));

        // Every chapter is XHTML the converter can read to its end.
        for (const QString& chapter : book.chapters()) {
            QByteArray xhtml;
            QVERIFY(book.read(chapter, &xhtml));
            QXmlStreamReader xml(xhtml);
            while (!xml.atEnd()) {
                xml.readNext();
            }
            QVERIFY2(!xml.hasError(), qPrintable(chapter + QLatin1Char(' ') + xml.errorString()));
        }

        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        const QString whole = shown.wholeText();
        QCOMPARE(missingInOrder(whole, text), QString());
        QVERIFY(!whole.contains(QLatin1Char('<')));
        QVERIFY(!whole.contains(QLatin1String("[^")));

        const QStringList listed = titles(book);
        QCOMPARE(missingInOrder(listed.join(QLatin1Char('|')), contents), QString());
        // Each entry leads to its own heading.
        for (const Epub::ContentsEntry& entry : std::as_const(book.contents)) {
            if (!contents.contains(entry.title)) {
                continue;
            }
            QTextDocument document;
            QVERIFY(shown.convert(entry.chapter, &document));
            QVERIFY2(document.toPlainText().contains(entry.title), qPrintable(entry.title));
            if (!entry.anchor.isEmpty()) {
                QVERIFY2(DocumentProbe::anchorPosition(document, entry.anchor) >= 0,
                         qPrintable(entry.anchor));
            }
        }

        bool notesShown = false;
        bool picturesShown = false;
        for (int chapter = 0; chapter < shown.book().chapters().size(); ++chapter) {
            QTextDocument document;
            QVERIFY(shown.convert(chapter, &document));
            picturesShown = picturesShown || DocumentProbe::hasPicture(document);
            for (const QString& tip : DocumentProbe::toolTips(document)) {
                notesShown = notesShown || (!note.isEmpty() && tip.contains(note));
            }
        }
        QCOMPARE(notesShown, !note.isEmpty());
        QCOMPARE(picturesShown, picture);
    }

    // What the word processors' documents say of their text: merged cells, colours, lists,
    // links to headings and page breaks.
    void officeDocuments_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("LibreOffice DOCX") << "libreoffice.docx";
        QTest::newRow("LibreOffice ODT") << "libreoffice.odt";
        QTest::newRow("flat ODT") << "source/tide.fodt";
    }
    void officeDocuments()
    {
        QFETCH(QString, file);
        Books::BookPackage book;
        QString error;
        QVERIFY2(FormatBooks::read(FormatBooks::dataPath(file), &book, &error), qPrintable(error));
        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        QTextDocument morning;
        const int first = chapterHolding(shown, QStringLiteral("High water"), &morning);
        QVERIFY(first >= 0);

        QTextCursor monday = morning.find(QStringLiteral("Monday"));
        QTextTable* table = monday.currentTable();
        QVERIFY(table);
        QCOMPARE(table->rows(), 4);
        QCOMPARE(table->columns(), 3);
        QCOMPARE(table->cellAt(monday).rowSpan(), 2);
        const QTextCursor spring = morning.find(QStringLiteral("Spring tides all week"));
        QCOMPARE(table->cellAt(spring).columnSpan(), 3);

        QCOMPARE(DocumentProbe::formatOf(morning, QStringLiteral("red buoy")).foreground().color(),
                 QColor(QStringLiteral("#c00000")));
        QVERIFY(DocumentProbe::formatOf(morning, QStringLiteral("deep channel")).fontUnderline());
        QCOMPARE(DocumentProbe::formatOf(morning, QStringLiteral("never")).fontWeight(),
                 int(QFont::Bold));
        QVERIFY(DocumentProbe::formatOf(morning, QStringLiteral("late")).fontItalic());

        const QTextList* outer = morning.find(QStringLiteral("Watch the gauge")).currentList();
        const QTextList* inner = morning.find(QStringLiteral("Every hour")).currentList();
        QVERIFY(outer && inner && outer != inner);
        QVERIFY(inner->format().indent() > outer->format().indent());

        QTextDocument evening;
        const int second = chapterHolding(shown, QStringLiteral("evening ebb"), &evening);
        QVERIFY(second >= first);
        // The heading after the page break starts a chapter, or a page of its own.
        const QTextBlock heading = evening.find(QStringLiteral("Evening Tide")).block();
        QVERIFY(second > first ||
                (heading.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore));
        const QTextCharFormat flag = DocumentProbe::formatOf(evening, QStringLiteral("blue flag"));
        QVERIFY(flag.fontItalic());
        QCOMPARE(flag.foreground().color(), QColor(Qt::blue));
        QVERIFY(evening.find(QStringLiteral("Close the gates")).currentList()->format().style() ==
                QTextListFormat::ListDecimal);
        // The link to a heading leads to the heading's chapter.
        const QTextCharFormat link =
            DocumentProbe::formatOf(evening, QStringLiteral("the morning"));
        QVERIFY(link.isAnchor());
        QCOMPARE(Epub::ChapterConverter::linkChapter(link.anchorHref()), first);
        // Footnote and endnote alike are pop-ups.
        QVERIFY(DocumentProbe::toolTips(evening).contains(
            QStringLiteral("Pilots call it the long pull.")));
    }

    // Many FB2 books are Windows-1251; a file that does not declare it is still read right.
    void fb2Encodings_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("warned");
        QTest::newRow("declared") << "shore-1251.fb2" << false;
        QTest::newRow("not declared") << "shore-undeclared.fb2" << true;
    }
    void fb2Encodings()
    {
        QFETCH(QString, file);
        QFETCH(bool, warned);
        Books::BookPackage book;
        QString error;
        QVERIFY2(FormatBooks::read(FormatBooks::dataPath(file), &book, &error), qPrintable(error));
        QCOMPARE(book.title, QStringLiteral("Морской берег"));
        QCOMPARE(book.author, QStringLiteral("Анна Морская"));
        QCOMPARE(book.language, QStringLiteral("ru"));
        QCOMPARE(titles(book), (QStringList{QStringLiteral("Утро"), QStringLiteral("Вечер")}));
        QCOMPARE(!book.warnings.isEmpty(), warned);
        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        QCOMPARE(
            missingInOrder(shown.wholeText(), {QStringLiteral("Рыбаки вышли в море до рассвета."),
                                               QStringLiteral("Ветер был северный."),
                                               QStringLiteral("Последняя строка книги.")}),
            QString());
        QTextDocument document;
        chapterHolding(shown, QStringLiteral("Рыбаки"), &document);
        QVERIFY(
            DocumentProbe::toolTips(document).contains(QStringLiteral("Сети чинили всю зиму.")));
    }

    // The parts of FB2 that producers above do not write: epigraphs, poems, quotes, nested
    // sections, a cover, links out of the book and into it.
    void fb2Elements()
    {
        QTemporaryDir dir;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage(12, 8, QImage::Format_RGB32).save(&buffer, "PNG");
        const QByteArray fb2 =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<FictionBook xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><description><title-info>"
            "<author><first-name>Ivan</first-name><middle-name>P.</middle-name><last-name>Sea"
            "</last-name></author><author><nickname>Gull</nickname></author>"
            "<book-title>Salt Songs</book-title><lang>en</lang><coverpage><image "
            "xlink:href=\"#cover.png\"/></coverpage></title-info><document-info><id>fb2-salt</id>"
            "</document-info></description><body><section id=\"one\"><title><p>Part One</p><p>At "
            "Sea</p></title><epigraph><p>The sea is wide.</p><text-author>Old Saying"
            "</text-author></epigraph><p>First <strikethrough>old</strikethrough> words"
            "<sup>2</sup>.<a xlink:href=\"#n1\" type=\"note\">[1]</a></p><section><title><p>The "
            "Song</p></title><poem><title><p>Shanty</p></title><stanza><v>Heave away</v><v>Haul "
            "away</v></stanza></poem><cite><p>Quoted line.</p></cite><subtitle>Interlude"
            "</subtitle><empty-line/><section><title><p>Deepest</p></title><p>See <a "
            "xlink:href=\"https://example.org/sea\">the web</a>, <a "
            "xlink:href=\"javascript:alert(1)\">nothing</a> and <a xlink:href=\"#two\">part "
            "two</a>.</p><table><tr><td colspan=\"2\">Wide cell</td></tr><tr><td>A</td><td>B"
            "</td></tr></table></section></section></section><section id=\"two\"><title><p>Part "
            "Two</p></title><p>Second part <image xlink:href=\"#cover.png\"/> ends.</p></section>"
            "</body><body name=\"notes\"><section id=\"n1\"><title><p>1</p></title><p>A note "
            "of</p><p>two lines.</p></section></body><binary id=\"cover.png\" "
            "content-type=\"image/png\">" +
            png.toBase64() + "</binary></FictionBook>";
        const QString path = dir.filePath(QStringLiteral("salt.fb2"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fb2);
        file.close();

        Books::BookPackage book;
        QString error;
        QVERIFY2(FormatBooks::read(path, &book, &error), qPrintable(error));
        QCOMPARE(book.author, QStringLiteral("Ivan P. Sea, Gull"));
        QCOMPARE(book.identifier, QStringLiteral("fb2-salt"));
        QCOMPARE(titles(book),
                 (QStringList{QStringLiteral("Part One At Sea"), QStringLiteral("The Song"),
                              QStringLiteral("Deepest"), QStringLiteral("Part Two")}));
        QCOMPARE(book.contents.at(1).depth, 1);
        QCOMPARE(book.contents.at(2).depth, 2);

        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        QTextDocument cover;
        QVERIFY(shown.convert(0, &cover));
        QVERIFY(DocumentProbe::hasPicture(cover));
        QCOMPARE(missingInOrder(shown.wholeText(),
                                {QStringLiteral("The sea is wide."), QStringLiteral("Old Saying"),
                                 QStringLiteral("First old words2."), QStringLiteral("Shanty"),
                                 QStringLiteral("Heave away\nHaul away"),
                                 QStringLiteral("Quoted line."), QStringLiteral("Interlude"),
                                 QStringLiteral("Wide cell"), QStringLiteral("Second part"),
                                 QStringLiteral("A note of"), QStringLiteral("two lines.")}),
                 QString());

        QTextDocument one;
        chapterHolding(shown, QStringLiteral("First"), &one);
        QVERIFY(DocumentProbe::formatOf(one, QStringLiteral("old")).fontStrikeOut());
        QCOMPARE(DocumentProbe::formatOf(one, QStringLiteral("2")).verticalAlignment(),
                 QTextCharFormat::AlignSuperScript);
        QVERIFY(DocumentProbe::toolTips(one).contains(QStringLiteral("A note of two lines.")));
        const QTextBlock epigraph = one.find(QStringLiteral("The sea is wide.")).block();
        QVERIFY(epigraph.blockFormat().leftMargin() > 0);
        QCOMPARE(one.find(QStringLiteral("Wide cell"))
                     .currentTable()
                     ->cellAt(one.find(QStringLiteral("Wide cell")))
                     .columnSpan(),
                 2);
        QCOMPARE(DocumentProbe::formatOf(one, QStringLiteral("the web")).anchorHref(),
                 QStringLiteral("https://example.org/sea"));
        QVERIFY(DocumentProbe::formatOf(one, QStringLiteral("nothing")).anchorHref().isEmpty());
        const QString toPartTwo =
            DocumentProbe::formatOf(one, QStringLiteral("part two")).anchorHref();
        QTextDocument two;
        QCOMPARE(Epub::ChapterConverter::linkChapter(toPartTwo),
                 chapterHolding(shown, QStringLiteral("Second part"), &two));
        QVERIFY(DocumentProbe::hasPicture(two));
    }

    // Pictures are looked for beside the Markdown file, never on the web; links reach
    // headings by their GitHub names across chapters.
    void markdownPicturesAndLinks()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("notes/pics")));
        QImage(30, 20, QImage::Format_RGB32).save(dir.filePath(QStringLiteral("notes/pics/a.png")));
        QImage(10, 10, QImage::Format_RGB32).save(dir.filePath(QStringLiteral("shared.png")));
        QFile text(dir.filePath(QStringLiteral("notes/readme.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture");
        text.close();
        const QString path = dir.filePath(QStringLiteral("notes/log.md"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "# Harbour Log\n\nBeside: ![beside](pics/a.png)\n\n"
            "Above: ![above](../shared.png)\n\nWeb: ![web](https://example.org/a.png)\n\n"
            "Text: ![text](readme.txt)\n\nGone: ![gone](missing.png)\n\n"
            "```\nlet tide = 6 [^n]\n```\n\n# Second Watch\n\nBack to [the log](#harbour-log)."
            "[^n]\n\n[^n]: Written at the\n  second bell.\n");
        file.close();

        Books::BookPackage book;
        QString error;
        QVERIFY2(FormatBooks::read(path, &book, &error), qPrintable(error));
        QCOMPARE(book.title, QStringLiteral("Harbour Log"));
        QCOMPARE(book.chapters().size(), 3);
        QCOMPARE(titles(book),
                 (QStringList{QStringLiteral("Harbour Log"), QStringLiteral("Second Watch"),
                              QStringLiteral("Notes")}));
        QStringList pictures;
        for (const QString& name : book.entryNames()) {
            if (name.startsWith(QLatin1String("images/"))) {
                pictures.append(name);
            }
        }
        QCOMPARE(pictures.size(), 2);

        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        QTextDocument first;
        QVERIFY(shown.convert(0, &first));
        const QString shownText = first.toPlainText();
        QVERIFY(shownText.contains(QStringLiteral("[web]")));
        QVERIFY(shownText.contains(QStringLiteral("[text]")));
        QVERIFY(shownText.contains(QStringLiteral("[gone]")));
        // The code block is shown as code, the note marks in it as they are.
        QVERIFY(first.find(QStringLiteral("let tide = 6 [^n]")).blockFormat().nonBreakableLines());
        QTextDocument second;
        QVERIFY(shown.convert(1, &second));
        const QTextCharFormat link = DocumentProbe::formatOf(second, QStringLiteral("the log"));
        QCOMPARE(Epub::ChapterConverter::linkChapter(link.anchorHref()), 0);
        // A footnote is a pop-up.
        QCOMPARE(DocumentProbe::toolTips(second),
                 QStringList{QStringLiteral("Written at the second bell.")});
        QCOMPARE(Markdown::headingSlug(QStringLiteral("What's new, Captain?")),
                 QStringLiteral("whats-new-captain"));
    }

    // A comic's pages in the natural order of their names, folders as its contents, decoded
    // at the size shown and only near the page shown.
    void comicPages()
    {
        auto png = [](int width, int height) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImage(width, height, QImage::Format_RGB32).save(&buffer, "PNG");
            return bytes;
        };
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("voyage.cbz"));
        QVERIFY(
            ZipFiles::write(path,
                            {{QStringLiteral("Chapter 2/10.png"), png(14, 20)},
                             {QStringLiteral("Chapter 1/10.png"), png(12, 20)},
                             {QStringLiteral("Chapter 2/2.png"), png(13, 20)},
                             {QStringLiteral("Chapter 1/1.png"), png(11, 20)},
                             {QStringLiteral("__MACOSX/Chapter 1/._1.png"), "resource fork"},
                             {QStringLiteral("Chapter 1/.thumb.png"), png(5, 5)},
                             {QStringLiteral("notes.txt"), "not a page"},
                             {QStringLiteral("ComicInfo.xml"),
                              "<?xml version=\"1.0\"?><ComicInfo><Title>Voyage</Title><Writer>Ada "
                              "Marlowe</Writer><LanguageISO>en</LanguageISO></ComicInfo>"}},
                            false));
        Books::BookPackage book;
        QString error;
        QVERIFY2(FormatBooks::read(path, &book, &error), qPrintable(error));
        QVERIFY(book.pictureBook);
        QCOMPARE(book.title, QStringLiteral("Voyage"));
        QCOMPARE(book.author, QStringLiteral("Ada Marlowe"));
        QCOMPARE(book.chapters().size(), 4);
        QCOMPARE(book.pagePictures.size(), 4);
        QList<int> widths;
        for (int page = 0; page < 4; ++page) {
            widths.append(
                Comic::decodePage(book, page, QSize(1000, 1000), Comic::Fit::Page).width());
        }
        QCOMPARE(widths, (QList<int>{11, 12, 13, 14}));
        QCOMPARE(titles(book),
                 (QStringList{QStringLiteral("Chapter 1"), QStringLiteral("Chapter 2")}));
        QCOMPARE(book.contents.at(1).chapter, 2);
        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        QTextDocument page;
        QVERIFY(shown.convert(3, &page));
        QVERIFY(DocumentProbe::hasPicture(page));
    }

    void comicFitting()
    {
        using Comic::Fit;
        QCOMPARE(Comic::fittedSize(QSize(1000, 2000), QSize(500, 400), Fit::Width),
                 QSize(500, 1000));
        QCOMPARE(Comic::fittedSize(QSize(1000, 2000), QSize(500, 400), Fit::Page), QSize(200, 400));
        QCOMPARE(Comic::fittedSize(QSize(100, 50), QSize(500, 400), Fit::Width), QSize(500, 250));

        QByteArray big;
        QBuffer buffer(&big);
        buffer.open(QIODevice::WriteOnly);
        QImage(2000, 1000, QImage::Format_RGB32).save(&buffer, "JPEG");
        QList<ZipFiles::Part> parts;
        for (int page = 1; page <= 10; ++page) {
            parts.append({QStringLiteral("%1.jpg").arg(page), big});
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("scans.cbz"));
        QVERIFY(ZipFiles::write(path, parts, false));
        Books::BookPackage book;
        QVERIFY(FormatBooks::read(path, &book));
        // Decoded at the size shown, not at the scan's.
        QCOMPARE(Comic::decodePage(book, 0, QSize(400, 400), Fit::Page).size(), QSize(400, 200));
        QCOMPARE(Comic::decodePage(book, 0, QSize(800, 400), Fit::Width).size(), QSize(800, 400));

        Comic::PageCache cache(book, 1);
        cache.setArea(QSize(400, 400), Fit::Page);
        QCOMPARE(cache.page(0).size(), QSize(400, 200));
        QCOMPARE(cache.heldPages(), QList<int>{0});
        cache.fillAround(5);
        QCOMPARE(cache.heldPages(), (QList<int>{4, 5, 6}));
        cache.page(9);
        QCOMPARE(cache.heldPages(), QList<int>{9});
        cache.setArea(QSize(200, 200), Fit::Page);
        QCOMPARE(cache.heldPages(), QList<int>{});
        QCOMPARE(cache.page(9).size(), QSize(200, 100));
        QVERIFY(cache.page(10).isNull());
    }
};

QUILLMERE_TEST_MAIN(BookFormatsTest)
#include "tst_book_formats.moc"
