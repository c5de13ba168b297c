// Damaged and hostile books of the other formats: each is refused with a clear message or
// shows what can be shown, and none makes the reader crash, freeze, unpack without limit,
// decode a picture whose header claims gigabytes, or read outside its archive.
#include "formats/comic/ComicReader.h"
#include "formats/package/BookPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "support/DocumentProbe.h"
#include "support/FormatBooks.h"
#include "support/TestMain.h"
#include "support/ZipFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QXmlStreamReader>
#include <QtEndian>
#include <zlib.h>

namespace {

using Parts = QList<ZipFiles::Part>;

const QByteArray WordNamespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\"";

// A Word document around the body given, with the document relationships given.
Parts docx(const QByteArray& body, const QByteArray& relationships = {})
{
    return {{QStringLiteral("[Content_Types].xml"),
             "<?xml version=\"1.0\"?><Types "
             "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
            {QStringLiteral("_rels/.rels"),
             "<?xml version=\"1.0\"?><Relationships "
             "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
             "2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
             "</Relationships>"},
            {QStringLiteral("word/_rels/document.xml.rels"),
             "<?xml version=\"1.0\"?><Relationships "
             "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
                 relationships + "</Relationships>"},
            {QStringLiteral("word/document.xml"), "<?xml version=\"1.0\"?><w:document " +
                                                      WordNamespaces + "><w:body>" + body +
                                                      "</w:body></w:document>"}};
}

QByteArray paragraph(const QByteArray& text)
{
    return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
}

const QByteArray OdtNamespaces =
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
    "xmlns:xlink=\"http://www.w3.org/1999/xlink\"";

Parts odt(const QByteArray& text,
          const QByteArray& mimetype = "application/vnd.oasis.opendocument.text")
{
    return {{QStringLiteral("mimetype"), mimetype},
            {QStringLiteral("content.xml"),
             "<?xml version=\"1.0\"?><office:document-content " + OdtNamespaces +
                 "><office:body><office:text>" + text +
                 "</office:text></office:body></office:document-content>"}};
}

QByteArray fb2(const QByteArray& body, const QByteArray& binaries = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><FictionBook "
           "xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\" "
           "xmlns:l=\"http://www.w3.org/1999/xlink\"><description><title-info><book-title>Hostile"
           "</book-title></title-info></description><body>" +
           body + "</body>" + binaries + "</FictionBook>";
}

QByteArray pngOf(int width, int height)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(&buffer, "PNG");
    return png;
}

// A PNG whose header claims 100000 by 100000 pixels, with a few bytes of image data.
QByteArray giantPngHeader()
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    auto chunk = [&png](const char* type, const QByteArray& data) {
        char length[4];
        qToBigEndian<quint32>(quint32(data.size()), length);
        png.append(length, 4);
        const QByteArray typed = QByteArray(type) + data;
        png += typed;
        char crc[4];
        qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()),
                                            uInt(typed.size()))),
                              crc);
        png.append(crc, 4);
    };
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(100000, header.data());
    qToBigEndian<quint32>(100000, header.data() + 4);
    header[8] = 8; // bits
    header[9] = 6; // RGBA
    chunk("IHDR", header);
    chunk("IDAT", qCompress(QByteArray(64, '\0')).mid(4));
    chunk("IEND", {});
    return png;
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return {};
    }
    return path;
}

QString writeZip(const QTemporaryDir& dir, const QString& name, const Parts& parts)
{
    const QString path = dir.filePath(name);
    return ZipFiles::write(path, parts) ? path : QString();
}

// The MOBI header's encryption field, set as a book protected against copying has it.
QByteArray protectedMobi(QByteArray bytes)
{
    const quint32 record0 = qFromBigEndian<quint32>(bytes.constData() + 78);
    qToBigEndian<quint16>(2, bytes.data() + record0 + 12);
    return bytes;
}

// The record list's offsets going backwards, which libmobi would take for a record of about
// four gigabytes.
QByteArray backwardsMobi(QByteArray bytes)
{
    const quint32 second = qFromBigEndian<quint32>(bytes.constData() + 78 + 8);
    qToBigEndian<quint32>(second + 4096, bytes.data() + 78);
    return bytes;
}

QByteArray readData(const QString& name)
{
    QFile file(FormatBooks::dataPath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every chapter reads as XHTML to its end, and no element is nested past the builder's cap.
QString checkChapters(const Books::BookPackage& book)
{
    for (const QString& chapter : book.chapters()) {
        QByteArray xhtml;
        if (!book.read(chapter, &xhtml)) {
            return chapter + QStringLiteral(": unreadable");
        }
        QXmlStreamReader xml(xhtml);
        int depth = 0;
        int deepest = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            depth += xml.isStartElement() ? 1 : xml.isEndElement() ? -1 : 0;
            deepest = qMax(deepest, depth);
        }
        if (xml.hasError()) {
            return chapter + QLatin1Char(' ') + xml.errorString();
        }
        if (deepest > Books::ChapterBuilder::MaxDepth + 4) {
            return chapter + QStringLiteral(" nests %1 deep").arg(deepest);
        }
    }
    return {};
}

} // namespace

class HostileBooksTest : public QObject
{
    Q_OBJECT

private slots:
    // Files refused outright, each with the reason in its message.
    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("DOCX with a password")
            << "locked.docx"
            << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0')
            << "password";
        QTest::newRow("DOCX that is text")
            << "text.docx" << QByteArray("just some words\n") << "not a zip";
        QTest::newRow("FB2 that is HTML")
            << "page.fb2" << QByteArray("<html><body>Hi</body></html>") << "not an FB2";
        QTest::newRow("FB2 without a body")
            << "empty.fb2"
            << QByteArray("<?xml version=\"1.0\"?><FictionBook><description/></FictionBook>")
            << "no text";
        QTest::newRow("MOBI that is text") << "plain.mobi" << QByteArray(4096, 'x') << "not a MOBI";
        QTest::newRow("MOBI protected against copying")
            << "drm.mobi" << protectedMobi(readData(QStringLiteral("calibre.mobi"))) << "DRM";
        QTest::newRow("AZW3 protected against copying")
            << "drm.azw3" << protectedMobi(readData(QStringLiteral("calibre.azw3"))) << "DRM";
        QTest::newRow("MOBI whose records go backwards")
            << "backwards.mobi" << backwardsMobi(readData(QStringLiteral("calibre.mobi")))
            << "list of records";
        QTest::newRow("Markdown that is a picture") << "picture.md" << pngOf(4, 4) << "binary";
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = write(dir, name, bytes);
        Books::BookPackage book;
        QString error;
        QVERIFY(!FormatBooks::read(path, &book, &error));
        QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    }

    // Zips refused for what they hold: parts that unpack out of all proportion (alone or
    // together), another kind of document, a document protected by a password, no pages.
    void refusedZips_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Parts>("parts");
        QTest::addColumn<QString>("reason");
        const QByteArray huge(64 * 1024 * 1024, ' ');
        const QByteArray large(20 * 1024 * 1024, ' ');
        Parts bomb = docx(paragraph("Before the bomb."));
        bomb.last().second.insert(bomb.last().second.size() - 20, huge);
        QTest::newRow("DOCX part unpacking to 64 MiB") << "bomb.docx" << bomb << "far more";
        Parts together = docx(paragraph("Two large parts."),
                              "<Relationship Id=\"s\" Type=\"http://schemas.openxmlformats.org/"
                              "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>");
        together.last().second.insert(together.last().second.size() - 20, large);
        together.append(
            {QStringLiteral("word/styles.xml"),
             "<?xml version=\"1.0\"?><w:styles " + WordNamespaces + ">" + large + "</w:styles>"});
        QTest::newRow("DOCX parts unpacking too far together")
            << "two.docx" << together << "far more";
        Parts odtBomb = odt("<text:p>Before the bomb.</text:p>");
        odtBomb.last().second.insert(odtBomb.last().second.size() - 40, huge);
        QTest::newRow("ODT content unpacking to 64 MiB") << "bomb.odt" << odtBomb << "far more";
        QTest::newRow("FB2 in a zip unpacking to 64 MiB")
            << "bomb.fb2.zip"
            << Parts{{QStringLiteral("bomb.fb2"), fb2("<section><p>Bomb</p></section>" + huge)}}
            << "far more";
        QTest::newRow("spreadsheet as ODT")
            << "sheet.odt"
            << odt("<text:p>Cell</text:p>", "application/vnd.oasis.opendocument.spreadsheet")
            << "another kind";
        Parts locked = odt("<text:p>Secret</text:p>");
        locked.append({QStringLiteral("META-INF/manifest.xml"),
                       "<manifest><file-entry full-path=\"content.xml\"><encryption-data/>"
                       "</file-entry></manifest>"});
        QTest::newRow("ODT with a password") << "locked.odt" << locked << "password";
        QTest::newRow("comic without pictures")
            << "words.cbz" << Parts{{QStringLiteral("story.txt"), "Once upon a time."}}
            << "no pictures";
        QTest::newRow("zip without an FB2 book")
            << "other.fb2.zip" << Parts{{QStringLiteral("book.txt"), "Plain."}} << "no FB2";
    }
    void refusedZips()
    {
        QFETCH(QString, name);
        QFETCH(Parts, parts);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = writeZip(dir, name, parts);
        QVERIFY(!path.isEmpty());
        QVERIFY(QFileInfo(path).size() < 1024 * 1024);
        Books::BookPackage book;
        QString error;
        QVERIFY(!FormatBooks::read(path, &book, &error));
        QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    }

    // Elements nested far past any real book: the text is kept, the nesting is not.
    void deepNesting_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Parts>("parts");
        constexpr int deep = 100000;
        QTest::newRow("FB2 sections")
            << "deep.fb2"
            << fb2("<section><p>Above the depths.</p></section>" +
                   QByteArray("<section>").repeated(deep) + "<p>Deep down.</p>" +
                   QByteArray("</section>").repeated(deep))
            << Parts();
        QTest::newRow("FB2 emphasis")
            << "emphasis.fb2"
            << fb2("<section><p>Above the depths. " + QByteArray("<emphasis>").repeated(deep) +
                   "Deep down." + QByteArray("</emphasis>").repeated(deep) + "</p></section>")
            << Parts();
        QTest::newRow("DOCX tables")
            << "deep.docx" << QByteArray()
            << docx(paragraph("Above the depths.") +
                    QByteArray("<w:tbl><w:tr><w:tc>").repeated(10000) + paragraph("Deep down.") +
                    QByteArray("</w:tc></w:tr></w:tbl>").repeated(10000));
        QTest::newRow("ODT lists")
            << "deep.odt" << QByteArray()
            << odt("<text:p>Above the depths.</text:p>" +
                   QByteArray("<text:list><text:list-item>").repeated(deep) +
                   "<text:p>Deep down.</text:p>" +
                   QByteArray("</text:list-item></text:list>").repeated(deep));
        QTest::newRow("ODT notes in notes")
            << "notes.odt" << QByteArray()
            << odt("<text:p>Above the depths." +
                   QByteArray("<text:note><text:note-citation>1</text:note-citation>"
                              "<text:note-body><text:p>")
                       .repeated(2000) +
                   "Deep down." +
                   QByteArray("</text:p></text:note-body></text:note>").repeated(2000) +
                   "</text:p>");
    }
    void deepNesting()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Parts, parts);
        QTemporaryDir dir;
        const QString path = parts.isEmpty() ? write(dir, name, bytes) : writeZip(dir, name, parts);
        Books::BookPackage book;
        QString error;
        QVERIFY2(FormatBooks::read(path, &book, &error), qPrintable(error));
        QCOMPARE(checkChapters(book), QString());
        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        QCOMPARE(
            DocumentProbe::missingInOrder(shown.wholeText(), {QStringLiteral("Above the depths."),
                                                              QStringLiteral("Deep down.")}),
            QString());
    }

    // Names that climb out of the archive, or point at the disk, are never read.
    void namesOutsideTheBook()
    {
        QTemporaryDir dir;
        const QString outside = write(dir, QStringLiteral("outside.png"), pngOf(8, 8));
        QVERIFY(!outside.isEmpty());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a/b")));

        const QString comic = dir.filePath(QStringLiteral("a/b/climb.cbz"));
        QVERIFY(ZipFiles::write(comic, {{QStringLiteral("../../outside.png"), pngOf(8, 8)},
                                        {QStringLiteral("/abs.png"), pngOf(8, 8)},
                                        {QStringLiteral("pages/1.png"), pngOf(8, 8)}}));
        Books::BookPackage pages;
        QString error;
        QVERIFY2(FormatBooks::read(comic, &pages, &error), qPrintable(error));
        QCOMPARE(pages.pagePictures.size(), 1);

        const QString word = dir.filePath(QStringLiteral("a/b/climb.docx"));
        const QByteArray drawing = "<w:p><w:r><w:drawing><a:blip r:embed=\"up\"/></w:drawing>"
                                   "<w:drawing><a:blip r:embed=\"root\"/></w:drawing></w:r></w:p>";
        QVERIFY(ZipFiles::write(
            word, docx(paragraph("Words stay.") + drawing,
                       "<Relationship Id=\"up\" Type=\"http://schemas.openxmlformats.org/"
                       "officeDocument/2006/relationships/image\" Target=\"../../../outside.png\"/>"
                       "<Relationship Id=\"root\" Type=\"http://schemas.openxmlformats.org/"
                       "officeDocument/2006/relationships/image\" Target=\"" +
                           QFile::encodeName(outside) + "\"/>")));
        Books::BookPackage document;
        QVERIFY2(FormatBooks::read(word, &document, &error), qPrintable(error));
        for (const QString& entry : document.entryNames()) {
            QVERIFY2(!entry.startsWith(QLatin1String("images/")), qPrintable(entry));
        }

        const QString office = dir.filePath(QStringLiteral("a/b/climb.odt"));
        QVERIFY(ZipFiles::write(
            office, odt("<text:p>Words stay.<draw:frame><draw:image "
                        "xlink:href=\"../../../outside.png\"/></draw:frame><draw:frame><draw:image "
                        "xlink:href=\"" +
                        QFile::encodeName(outside) + "\"/></draw:frame></text:p>")));
        Books::BookPackage text;
        QVERIFY2(FormatBooks::read(office, &text, &error), qPrintable(error));
        for (const QString& entry : text.entryNames()) {
            QVERIFY2(!entry.startsWith(QLatin1String("images/")), qPrintable(entry));
        }
    }

    // A picture whose header claims 100000 by 100000 pixels is refused from its header.
    void giantPictures()
    {
        QTemporaryDir dir;
        const QByteArray giant = giantPngHeader();

        Books::BookPackage fiction;
        QString error;
        const QString fb2Path =
            write(dir, QStringLiteral("giant.fb2"),
                  fb2("<section><p>Text stays.</p><image l:href=\"#giant\"/></section>",
                      "<binary id=\"giant\" content-type=\"image/png\">" + giant.toBase64() +
                          "</binary>"));
        QVERIFY2(FormatBooks::read(fb2Path, &fiction, &error), qPrintable(error));
        QVERIFY(!fiction.contains(QStringLiteral("images/giant")));
        QVERIFY(fiction.warnings.join(u' ').contains(QStringLiteral("100000")));

        const QString comic =
            writeZip(dir, QStringLiteral("giant.cbz"),
                     {{QStringLiteral("1.png"), pngOf(20, 30)}, {QStringLiteral("2.png"), giant}});
        Books::BookPackage pages;
        QVERIFY2(FormatBooks::read(comic, &pages, &error), qPrintable(error));
        QCOMPARE(pages.pagePictures.size(), 2);
        QVERIFY(!Comic::decodePage(pages, 0, QSize(200, 300), Comic::Fit::Page).isNull());
        error.clear();
        QVERIFY(Comic::decodePage(pages, 1, QSize(200, 300), Comic::Fit::Page, &error).isNull());
        QVERIFY2(error.contains(QStringLiteral("100000")), qPrintable(error));

        // Left in the document's zip until shown, the picture is refused when it is shown.
        const QString word = writeZip(
            dir, QStringLiteral("giant.docx"),
            docx(paragraph("Text stays.") +
                     "<w:p><w:r><w:drawing><a:blip r:embed=\"g\"/></w:drawing></w:r></w:p>",
                 "<Relationship Id=\"g\" Type=\"http://schemas.openxmlformats.org/"
                 "officeDocument/2006/relationships/image\" Target=\"media/g.png\"/>") +
                Parts{{QStringLiteral("word/media/g.png"), giant}});
        Books::BookPackage document;
        QVERIFY2(FormatBooks::read(word, &document, &error), qPrintable(error));
        FormatBooks::Shown shown;
        QVERIFY(shown.open(document));
        QTextDocument page;
        QVERIFY(shown.convert(0, &page));
        QVERIFY(page.toPlainText().contains(QStringLiteral("Text stays.")));
        QVERIFY(!DocumentProbe::hasPicture(page));
    }

    // Kindle books cut short or with bytes changed: refused or shown as far as they go, the
    // chapters always whole XHTML.
    void damagedKindleBooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("eighths");
        QTest::addColumn<bool>("flipped");
        for (const char* file : {"calibre.mobi", "calibre.azw3"}) {
            for (int eighths = 1; eighths < 8; eighths += 2) {
                QTest::addRow("%s cut at %d/8", file, eighths) << file << eighths << false;
                QTest::addRow("%s changed at %d/8", file, eighths) << file << eighths << true;
            }
        }
    }
    void damagedKindleBooks()
    {
        QFETCH(QString, file);
        QFETCH(int, eighths);
        QFETCH(bool, flipped);
        QByteArray bytes = readData(file);
        QVERIFY(!bytes.isEmpty());
        const qsizetype at = bytes.size() * eighths / 8;
        if (flipped) {
            for (qsizetype i = at; i < qMin(bytes.size(), at + 64); ++i) {
                bytes[i] = char(bytes.at(i) ^ 0x5A);
            }
        } else {
            bytes.truncate(at);
        }
        QTemporaryDir dir;
        Books::BookPackage book;
        QString error;
        if (FormatBooks::read(write(dir, file, bytes), &book, &error)) {
            QCOMPARE(checkChapters(book), QString());
        } else {
            QVERIFY(!error.isEmpty());
        }
    }

    // XML cut off in the middle: what was read before the damage is shown, with a warning.
    void truncatedDocuments_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Parts>("parts");
        QTest::newRow("FB2")
            << "cut.fb2"
            << fb2("<section><p>Whole paragraph.</p><p>Cut off</p></section>").chopped(40)
            << Parts();
        Parts word = docx(paragraph("Whole paragraph.") + paragraph("Cut off"));
        word.last().second.chop(60);
        QTest::newRow("DOCX") << "cut.docx" << QByteArray() << word;
        Parts office = odt("<text:p>Whole paragraph.</text:p><text:p>Cut off</text:p>");
        office.last().second.chop(70);
        QTest::newRow("ODT") << "cut.odt" << QByteArray() << office;
    }
    void truncatedDocuments()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Parts, parts);
        QTemporaryDir dir;
        const QString path = parts.isEmpty() ? write(dir, name, bytes) : writeZip(dir, name, parts);
        Books::BookPackage book;
        QString error;
        QVERIFY2(FormatBooks::read(path, &book, &error), qPrintable(error));
        QVERIFY(book.warnings.join(u' ').contains(QStringLiteral("damaged")));
        FormatBooks::Shown shown;
        QVERIFY(shown.open(book));
        QVERIFY(shown.wholeText().contains(QStringLiteral("Whole paragraph.")));
    }
};

QUILLMERE_TEST_MAIN(HostileBooksTest)
#include "tst_book_formats_hostile.moc"
