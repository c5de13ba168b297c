// The pieces every reader of the other formats writes its chapters with: the chapter builder
// (links and notes across chapters, splitting, well-formed output whatever it is given) and
// the reader of the HTML e-readers' formats hold.
#include "formats/comic/ComicReader.h"
#include "formats/epub/ChapterConverter.h"
#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "formats/package/HtmlReader.h"
#include "formats/package/InlineFormat.h"
#include "formats/package/PackageEpub.h"
#include "formats/package/PackageKeeper.h"
#include "formats/package/PackageStore.h"
#include "formats/record/ReadingRecord.h"
#include "support/DocumentProbe.h"
#include "support/FormatBooks.h"
#include "support/TestMain.h"
#include "support/ZipFiles.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QXmlStreamReader>

namespace {

using Books::ChapterBuilder;

QString chapterXhtml(const Books::BookPackage& book, int chapter)
{
    QByteArray bytes;
    book.read(book.chapters().value(chapter), &bytes);
    return QString::fromUtf8(bytes);
}

// The body of the chapter, as written.
QString body(const Books::BookPackage& book, int chapter)
{
    const QString xhtml = chapterXhtml(book, chapter);
    const qsizetype start = xhtml.indexOf(QLatin1String("<body>")) + 6;
    return xhtml.mid(start, xhtml.indexOf(QLatin1String("</body>")) - start);
}

bool wellFormed(const Books::BookPackage& book)
{
    for (int chapter = 0; chapter < book.chapters().size(); ++chapter) {
        QXmlStreamReader xml(chapterXhtml(book, chapter));
        while (!xml.atEnd()) {
            xml.readNext();
        }
        if (xml.hasError()) {
            qWarning() << chapter << xml.errorString();
            return false;
        }
    }
    return true;
}

// The book an HTML text makes, read as the MOBI reader reads a part.
Books::BookPackage fromHtml(const QString& html)
{
    Books::BookPackage book;
    ChapterBuilder builder(&book);
    Books::HtmlReader reader(&builder, {[](const QString& id) { return QStringLiteral("p#") + id; },
                                        [](const QString& href) {
                                            return href.startsWith(QLatin1Char('#'))
                                                       ? QStringLiteral("p") + href
                                                       : QString();
                                        },
                                        [](const QString& src) {
                                            return src == QLatin1String("known.png")
                                                       ? QStringLiteral("images/known.png")
                                                       : QString();
                                        }});
    reader.read(html);
    builder.finish();
    return book;
}

} // namespace

class BookPackageTest : public QObject
{
    Q_OBJECT

private slots:
    // Keys placed anywhere resolve to their chapter and id; forward links, links across a
    // split, and links to nowhere (no address) all come out right.
    void linksAcrossChapters()
    {
        Books::BookPackage book;
        ChapterBuilder builder(&book);
        builder.open(QStringLiteral("p"));
        builder.openInternalLink(QStringLiteral("later"));
        builder.text(u"forward");
        builder.close();
        builder.openInternalLink(QStringLiteral("nowhere"));
        builder.text(u"lost");
        builder.close();
        builder.close();
        builder.startChapter();
        builder.openHeading(1, QStringLiteral("later"));
        builder.text(u"Later heading");
        builder.closeHeading(true, 0);
        builder.open(QStringLiteral("p"));
        builder.openInternalLink(QStringLiteral("later"));
        builder.text(u"back");
        builder.close();
        builder.close();
        QVERIFY(builder.finish());

        QCOMPARE(book.chapters().size(), 2);
        QVERIFY(
            body(book, 0).contains(QLatin1String("<a href=\"chapter0002.xhtml#later\">forward")));
        QVERIFY(body(book, 0).contains(QLatin1String("<a href=\"\">lost")));
        QVERIFY(body(book, 1).contains(QLatin1String("<a href=\"#later\">back")));
        QCOMPARE(book.contents.size(), 1);
        QCOMPARE(book.contents.first().chapter, 1);
        QCOMPARE(book.contents.first().anchor, QStringLiteral("later"));
        QVERIFY(wellFormed(book));
    }

    // A split in the middle of open elements closes them and opens them again (without their
    // ids) in the next chapter; an empty chapter is never written.
    void splitsKeepElementsOpen()
    {
        Books::BookPackage book;
        ChapterBuilder builder(&book);
        builder.startChapter();
        builder.open(QStringLiteral("div"),
                     {{QStringLiteral("id"), builder.anchorId(QStringLiteral("box"))},
                      {QStringLiteral("class"), QStringLiteral("poem")}});
        builder.open(QStringLiteral("p"));
        builder.text(QString(ChapterBuilder::HardChapterSize, QLatin1Char('x')));
        builder.close();
        QVERIFY(builder.splitIfLarger(ChapterBuilder::HardChapterSize));
        QVERIFY(!builder.splitIfLarger(ChapterBuilder::HardChapterSize));
        builder.open(QStringLiteral("p"));
        builder.text(u"after the split");
        builder.closeTo(0);
        QVERIFY(builder.finish());
        QCOMPARE(book.chapters().size(), 2);
        QVERIFY(body(book, 0).startsWith(QLatin1String("<div id=\"box\" class=\"poem\">")));
        QCOMPARE(body(book, 1), QStringLiteral("<div class=\"poem\"><p>after the split</p></div>"));
        QVERIFY(wellFormed(book));
    }

    // A note written in another chapter leaves a hidden copy of its text in each chapter that
    // refers to it, and the converter shows that text as the reference's pop-up.
    void notesInOtherChapters()
    {
        Books::BookPackage book;
        ChapterBuilder builder(&book);
        for (const char* words : {"First mention", "Second mention"}) {
            builder.startChapter();
            builder.open(QStringLiteral("p"));
            builder.text(QString::fromLatin1(words));
            builder.openNoteReference(QStringLiteral("n1"));
            builder.text(u"1");
            builder.close();
            builder.close();
        }
        builder.startChapter();
        builder.openNote(QStringLiteral("n1"));
        builder.open(QStringLiteral("p"));
        builder.suspendNoteText(true);
        builder.openInternalLink(ChapterBuilder::referenceKey(QStringLiteral("n1")));
        builder.text(u"1");
        builder.close();
        builder.suspendNoteText(false);
        builder.text(u" Salt & <pepper>");
        builder.close();
        builder.open(QStringLiteral("p"));
        builder.text(u"second line");
        builder.closeNote();
        QVERIFY(builder.finish());
        QCOMPARE(book.chapters().size(), 3);
        QVERIFY(
            body(book, 2).contains(QLatin1String("<a href=\"chapter0001.xhtml#ref-n1\">1</a>")));
        QVERIFY(!body(book, 2).contains(QLatin1String("hidden")));

        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        for (int chapter = 0; chapter < 2; ++chapter) {
            QTextDocument document;
            QVERIFY(shown.convert(chapter, &document));
            QCOMPARE(DocumentProbe::toolTips(document),
                     QStringList{QStringLiteral("Salt & <pepper> second line")});
            QVERIFY(!document.toPlainText().contains(QStringLiteral("pepper")));
        }
    }

    // Whatever text and values readers pass, the chapters stay well-formed XML.
    void escapesWhatXmlCannotHold()
    {
        Books::BookPackage book;
        ChapterBuilder builder(&book);
        builder.open(QStringLiteral("p"), {{QStringLiteral("class"), QStringLiteral("a\"><b>")}});
        QString nasty = QStringLiteral("tab\tbell\a nul");
        nasty += QChar(0);
        nasty += QChar(0xD800); // a lone surrogate
        nasty += QStringLiteral(" end ]]> & < > \" \xFFFF");
        builder.text(nasty);
        builder.close();
        builder.openLink(QStringLiteral("javascript:alert(1)"));
        builder.text(u"script");
        builder.close();
        QVERIFY(builder.finish());
        QVERIFY(wellFormed(book));
        const QString written = body(book, 0);
        QVERIFY(
            written.contains(QLatin1String("tab\tbell nul end ]]&gt; &amp; &lt; &gt; &quot; ")));
        QVERIFY(!written.contains(QLatin1String("javascript")));
    }

    // Elements nested past the cap are left out; their text is not.
    void nestingIsCapped()
    {
        Books::BookPackage book;
        ChapterBuilder builder(&book);
        for (int i = 0; i < 1000; ++i) {
            builder.open(QStringLiteral("div"));
        }
        QCOMPARE(builder.depth(), 1000);
        builder.text(u"Deep down.");
        builder.closeTo(0);
        QCOMPARE(builder.depth(), 0);
        QVERIFY(builder.finish());
        QCOMPARE(body(book, 0).count(QLatin1String("<div>")), ChapterBuilder::MaxDepth);
        QVERIFY(body(book, 0).contains(QLatin1String("Deep down.")));
        QVERIFY(wellFormed(book));
    }

    // Tag soup as old e-books hold it, made into the XHTML the converter reads.
    void htmlAsBooksHoldIt_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("written");
        QTest::newRow("unclosed paragraphs") << "<P>One<p>Two<div>Three</div>"
                                             << "<p>One</p><p>Two</p><div>Three</div>";
        QTest::newRow("unclosed items and cells")
            << "<ul><li>a<li>b</ul><table><tr><td>1<td>2<tr><td>3</table>"
            << "<ul><li>a</li><li>b</li></ul><table><tr><td>1</td><td>2</td></tr><tr><td>3</td>"
               "</tr></table>";
        QTest::newRow("stray end tags") << "</b></p><p>Fine</i></p></div>"
                                        << "<p>Fine</p>";
        QTest::newRow("inline closed with its block")
            << "<p><b>bold <i>both</p><p>plain</p>"
            << "<p><b>bold <i>both</i></b></p><p>plain</p>";
        QTest::newRow("entities") << "<p>caf&eacute; &#233; &#x2014; &amp;amp; &bogus; AT&T</p>"
                                  << "<p>café é — &amp;amp; &amp;bogus; AT&amp;T</p>";
        QTest::newRow("unquoted and upper-case attributes")
            << "<P ALIGN=center CLASS=intro onclick=\"x()\">Hi</P>"
            << "<p align=\"center\" class=\"intro\">Hi</p>";
        QTest::newRow("scripts, styles, head and comments left out")
            << "<head><title>T</title><style>p{}</style></head><body><!-- <p>no</p> -->"
               "<script>if (a<b) document.write('<p>no</p>')</script><p>yes</p></body>"
            << "<p>yes</p>";
        QTest::newRow("old fonts")
            << "<p><font size=\"6\" color=\"red\">Big</font> <font size=\"3\">same</font></p>"
            << "<p><span style=\"font-size: 2em; color: #ff0000\">Big</span> <span>same</span></p>";
        QTest::newRow("pictures known and unknown")
            << "<p><img src=\"known.png\" alt=\"k\"><img src=\"missing.png\" alt=\"m\"></p>"
            << "<p><img src=\"images/known.png\" alt=\"k\"/>[m]</p>";
        QTest::newRow("anchors between blocks mark the next block")
            << "<a id=\"x\"></a><p>Marked</p><p><a href=\"#x\">back</a> <a "
               "href=\"javascript:x()\">js</a> <a name=\"old\">named</a> <a "
               "href=\"#old\">to it</a></p>"
            << "<p id=\"p_x\">Marked</p><p><a href=\"#p_x\">back</a> <a>js</a> <a "
               "id=\"p_old\">named</a> <a href=\"#p_old\">to it</a></p>";
        QTest::newRow("notes marked by type")
            << "<p>Text<a type=\"noteref\" href=\"#n\">1</a></p><aside id=\"n\" "
               "epub:type=\"footnote\"><p>Note.</p></aside>"
            << "<p>Text<a epub:type=\"noteref\" id=\"ref-p_n\" href=\"#p_n\">1</a></p><div "
               "epub:type=\"footnote\" id=\"p_n\"><p>Note.</p></div>";
        QTest::newRow("attributes given twice")
            << "<p align=\"left\" ALIGN=\"right\" class=a class=b>x</p><center "
               "align=\"left\">y</center>"
            << "<p align=\"left\" class=\"a\">x</p><div align=\"left\">y</div>";
        QTest::newRow("text cut off inside a tag") << "<p>Kept</p><p class=\"x"
                                                   << "<p>Kept</p>";
        QTest::newRow("a lone angle bracket") << "<p>1 < 2 and 3 <4</p>"
                                              << "<p>1 &lt; 2 and 3 &lt;4</p>";
    }
    void htmlAsBooksHoldIt()
    {
        QFETCH(QString, html);
        QFETCH(QString, written);
        const Books::BookPackage book = fromHtml(html);
        QVERIFY(wellFormed(book));
        QCOMPARE(body(book, 0), written);
    }

    // A page break starts a chapter; a long run of paragraphs is split by size; neither
    // leaves an empty chapter.
    void htmlChapters()
    {
        QString html = QStringLiteral("<mbp:pagebreak/><p>One</p><mbp:pagebreak/>"
                                      "<mbp:pagebreak/><h1>Two</h1>");
        const QString paragraph = QStringLiteral("<p>%1</p>").arg(QString(1000, QLatin1Char('w')));
        for (int i = 0; i < 1000; ++i) {
            html += paragraph;
        }
        const Books::BookPackage book = fromHtml(html);
        QVERIFY(wellFormed(book));
        QVERIFY(book.chapters().size() >= 4);
        QCOMPARE(body(book, 0), QStringLiteral("<p>One</p>"));
        QVERIFY(body(book, 1).startsWith(QLatin1String("<h1>Two</h1>")));
        for (int chapter = 0; chapter < book.chapters().size(); ++chapter) {
            QVERIFY(chapterXhtml(book, chapter).size() < ChapterBuilder::HardChapterSize + 4096);
        }
    }

    void colours_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("css");
        QTest::newRow("Word's hex") << "C00000"
                                    << "#c00000";
        QTest::newRow("with a hash") << "#00FF7f"
                                     << "#00ff7f";
        QTest::newRow("auto") << "auto"
                              << "";
        QTest::newRow("a name") << "yellow"
                                << "#ffff00";
        QTest::newRow("Word's highlight name") << "darkYellow"
                                               << "#808000";
        QTest::newRow("more than a colour") << "red; background: url(x)"
                                            << "";
        QTest::newRow("nonsense") << "zzzzz"
                                  << "";
    }
    void colours()
    {
        QFETCH(QString, value);
        QFETCH(QString, css);
        QCOMPARE(Books::InlineFormat::cssColor(value), css);
    }

    void naturalOrder_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("numbers by value")
            << QStringList{"page2.png", "page10.png", "page1.png", "page02b.png"};
        QTest::newRow("leading zeros and case")
            << QStringList{"Ch10/001.jpg", "ch2/010.jpg", "ch2/9.jpg", "CH2/0002.jpg"};
        QTest::newRow("long numbers") << QStringList{"99999999999999999999.png", "3.png"};
    }
    void naturalOrder()
    {
        QFETCH(QStringList, names);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(), Comic::naturalLess);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        if (tag == QLatin1String("numbers by value")) {
            QCOMPARE(sorted, (QStringList{"page1.png", "page2.png", "page02b.png", "page10.png"}));
        } else if (tag == QLatin1String("leading zeros and case")) {
            QCOMPARE(sorted,
                     (QStringList{"CH2/0002.jpg", "ch2/9.jpg", "ch2/010.jpg", "Ch10/001.jpg"}));
        } else {
            QCOMPARE(sorted, (QStringList{"3.png", "99999999999999999999.png"}));
        }
        // A strict weak order: no name before itself, none both before and after another.
        for (const QString& a : names) {
            QVERIFY(!Comic::naturalLess(a, a));
            for (const QString& b : names) {
                QVERIFY(!(Comic::naturalLess(a, b) && Comic::naturalLess(b, a)));
            }
        }
    }

    // A book read once is kept: opened again (renamed too) it comes from the store, whole;
    // changed, or with its kept copy damaged, it is read afresh.
    void storeKeepsPackages()
    {
        using Source = Books::PackageStore::Source;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.docx"));
        QVERIFY(QFile::copy(FormatBooks::dataPath(QStringLiteral("pandoc.docx")), path));
        Books::PackageStore store(dir.filePath(QStringLiteral("store")));
        Books::BookPackage first;
        Source source = Source::Store;
        QVERIFY(store.read(path, FormatBooks::read, &first, nullptr, &source));
        QCOMPARE(source, Source::Reader);
        QVERIFY(!store.keptPath(path).isEmpty());

        const QString renamed = dir.filePath(QStringLiteral("renamed.docx"));
        QVERIFY(QFile::rename(path, renamed));
        Books::BookPackage again;
        QVERIFY(store.read(renamed, FormatBooks::read, &again, nullptr, &source));
        QCOMPARE(source, Source::Store);
        QCOMPARE(again.title, first.title);
        QCOMPARE(again.author, first.author);
        QCOMPARE(again.chapters(), first.chapters());
        QCOMPARE(again.entryNames(), first.entryNames());
        QCOMPARE(again.contents.size(), first.contents.size());
        for (int i = 0; i < first.contents.size(); ++i) {
            QCOMPARE(again.contents.at(i).anchor, first.contents.at(i).anchor);
            QCOMPARE(again.contents.at(i).chapter, first.contents.at(i).chapter);
        }
        for (const QString& name : first.entryNames()) {
            QByteArray before;
            QByteArray after;
            QVERIFY(first.read(name, &before));
            QVERIFY(again.read(name, &after));
            QCOMPARE(after, before);
        }
        // The kept copy is an EPUB the reading view opens as it stands.
        Epub::Book kept;
        QCOMPARE(kept.open(store.keptPath(renamed)), Epub::Book::OpenResult::Opened);
        QCOMPARE(kept.chapters().size(), first.chapters().size());
        QCOMPARE(kept.contents().size(), first.contents.size());

        // Damaged: read again, and kept again.
        const QString keptPath = store.keptPath(renamed);
        QFile::resize(keptPath, QFileInfo(keptPath).size() / 2);
        QVERIFY(store.read(renamed, FormatBooks::read, &again, nullptr, &source));
        QCOMPARE(source, Source::Reader);
        QVERIFY(store.read(renamed, FormatBooks::read, &again, nullptr, &source));
        QCOMPARE(source, Source::Store);
    }

    void storeSeesChangedBooks()
    {
        using Source = Books::PackageStore::Source;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("book.fb2"));
        QFile::copy(FormatBooks::dataPath(QStringLiteral("pandoc.fb2")), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        Books::PackageStore store(dir.filePath(QStringLiteral("store")));
        Books::BookPackage book;
        Source source = Source::Store;
        QVERIFY(store.read(path, FormatBooks::read, &book, nullptr, &source));
        QCOMPARE(source, Source::Reader);
        // The same number of bytes, one word changed in the middle of the book: only the time
        // of change tells.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const qsizetype at = bytes.indexOf("Forty boats");
        QVERIFY(at > 0);
        bytes.replace(at, 5, "Fifty");
        file.seek(0);
        file.write(bytes);
        file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                         QFileDevice::FileModificationTime);
        file.close();
        QVERIFY(store.read(path, FormatBooks::read, &book, nullptr, &source));
        QCOMPARE(source, Source::Reader);
        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        QVERIFY(shown.wholeText().contains(QStringLiteral("Fifty boats")));
    }

    // Whatever a book's metadata holds (control characters, markup), its package written as
    // an EPUB opens as one.
    void packageEpubWithOddMetadata()
    {
        Books::BookPackage book;
        ChapterBuilder builder(&book);
        builder.openHeading(1, QStringLiteral("top"));
        builder.text(u"Bell \x1b<&>");
        builder.closeHeading(true, 0);
        QVERIFY(builder.finish());
        book.title = QStringLiteral("Odd \x1b title <&>");
        book.author = QString(QChar(0xD800)) + QStringLiteral("Ada");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("odd.epub"));
        QVERIFY(Books::PackageEpub::write(book, path));
        Epub::Book epub;
        QCOMPARE(epub.open(path), Epub::Book::OpenResult::Opened);
        QCOMPARE(epub.title(), QStringLiteral("Odd title <&>"));
        QCOMPARE(epub.author(), QStringLiteral("Ada"));
        QCOMPARE(epub.contents().size(), 1);
        QCOMPARE(epub.contents().first().anchor, QStringLiteral("top"));
    }

    // Comics are not kept; past its capacity the store lets the books opened longest ago go.
    void storeCapacity()
    {
        QTemporaryDir dir;
        const QString comic = dir.filePath(QStringLiteral("pages.cbz"));
        QVERIFY(ZipFiles::write(
            comic, {{QStringLiteral("1.png"),
                     QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQV"
                                            "R4nGNgYGAAAAAEAAHI6Uv5AAAAAElFTkSuQmCC")}}));
        Books::PackageStore store(dir.filePath(QStringLiteral("store")), 1);
        Books::BookPackage book;
        QVERIFY(store.read(comic, FormatBooks::read, &book));
        QVERIFY(store.keptPath(comic).isEmpty());
        const QString older = FormatBooks::dataPath(QStringLiteral("pandoc.fb2"));
        const QString newer = FormatBooks::dataPath(QStringLiteral("pandoc.odt"));
        QVERIFY(store.read(older, FormatBooks::read, &book));
        QVERIFY(!store.keptPath(older).isEmpty());
        QVERIFY(store.read(newer, FormatBooks::read, &book));
        QVERIFY(!store.keptPath(newer).isEmpty());
        QVERIFY(store.keptPath(older).isEmpty());
    }
    // The reading view shows a package as it was read, without writing it first: the same
    // chapters, contents and text as its kept copy; chapters that name no part are left out
    // and the contents follow them. The keeper writes the package afterwards, once.
    void packageShownFromMemory()
    {
        auto package = std::make_shared<Books::BookPackage>();
        QVERIFY(
            FormatBooks::read(FormatBooks::dataPath(QStringLiteral("calibre.fb2")), package.get()));
        const std::shared_ptr<Epub::Book> book = Books::openBook(package);
        QVERIFY(book);
        QCOMPARE(book->chapters(), package->chapters());
        QCOMPARE(book->contents().size(), package->contents.size());
        QCOMPARE(book->title(), package->title);
        FormatBooks::Shown kept;
        QVERIFY(kept.open(*package));
        QString text;
        for (int chapter = 0; chapter < book->chapters().size(); ++chapter) {
            QTextDocument document;
            QVERIFY(Epub::ChapterConverter(*book).convert(chapter, &document));
            text += document.toPlainText() + QLatin1Char('\n');
        }
        QCOMPARE(text, kept.wholeText());
        QVERIFY(text.contains(QStringLiteral("strained at their ropes")));

        // Described chapters that are missing or given twice are dropped, and so are their
        // contents entries; the others count the chapters kept.
        Epub::Description description;
        description.chapters = {package->chapters().at(0), QStringLiteral("missing.xhtml"),
                                package->chapters().at(0), package->chapters().at(1)};
        description.contents = {{QStringLiteral("First"), 0, {}, 0},
                                {QStringLiteral("Missing"), 1, {}, 0},
                                {QStringLiteral("Second"), 3, QStringLiteral("a"), 1}};
        Epub::Book partial;
        QVERIFY(partial.openEntries(package, description));
        QCOMPARE(partial.chapters(), package->chapters().mid(0, 2));
        QCOMPARE(partial.contents().size(), 2);
        QCOMPARE(partial.contents().at(1).title, QStringLiteral("Second"));
        QCOMPARE(partial.contents().at(1).chapter, 1);
        QCOMPARE(partial.contents().at(1).anchor, QStringLiteral("a"));
        description.chapters = {QStringLiteral("missing.xhtml")};
        Epub::Book empty;
        QVERIFY(!empty.openEntries(package, description));

        // Parts are read whole or in part as from a zip.
        const QString first = package->chapters().at(0);
        QByteArray start;
        bool truncated = false;
        QVERIFY(package->readStart(first, 10, &start, &truncated));
        QCOMPARE(start.size(), 10);
        QVERIFY(truncated);
        QByteArray whole;
        QVERIFY(package->read(first, &whole));
        QCOMPARE(package->declaredSize(first), qint64(whole.size()));
        QCOMPARE(package->declaredSize(QStringLiteral("missing.xhtml")), qint64(-1));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("harbour.fb2"));
        QVERIFY(QFile::copy(FormatBooks::dataPath(QStringLiteral("calibre.fb2")), path));
        const QString fingerprint = Reading::fileFingerprint(path);
        {
            Books::PackageKeeper keeper(dir.filePath(QStringLiteral("store")));
            Books::BookPackage none;
            QVERIFY(!keeper.load(path, fingerprint, &none));
            keeper.keepLater(fingerprint, Books::PackageStore::modifiedTime(path), package);
            keeper.waitForWrites();
            Books::BookPackage loaded;
            QVERIFY(keeper.load(path, fingerprint, &loaded));
            QCOMPARE(loaded.chapters(), package->chapters());
            // Leaving waits for a write asked for last.
            keeper.keepLater(fingerprint, Books::PackageStore::modifiedTime(path), package);
        }
        QVERIFY(
            !Books::PackageStore(dir.filePath(QStringLiteral("store"))).keptPath(path).isEmpty());
    }
};

QUILLMERE_TEST_MAIN(BookPackageTest)
#include "tst_book_package.moc"
