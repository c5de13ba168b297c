// The RTF reader on files from real word processors, on the parts of RTF that books use, and
// on damaged input.
#include "formats/rtf/RtfNotes.h"
#include "formats/rtf/RtfReader.h"
#include "formats/rtf/RtfTextProperties.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

namespace {

QByteArray dataFile(const QString& name)
{
    QFile file(QStringLiteral(QUILLMERE_TEST_DATA "/rtf/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text as the view holds it: a paragraph, line or table boundary as "\n".
QString viewText(const QTextDocument& document)
{
    QString text = document.toRawText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QChar(0xFDD0) ||
            c == QChar(0xFDD1)) {
            c = u'\n';
        }
    }
    return text;
}

QString readText(const QByteArray& rtf)
{
    QTextDocument document;
    if (!Rtf::read(rtf, &document)) {
        return QStringLiteral("<not read>");
    }
    return viewText(document);
}

// The format of the first character of the first occurrence of text.
QTextCharFormat formatOf(const QTextDocument& document, const QString& text)
{
    const QTextCursor found = document.find(text);
    if (found.isNull()) {
        return {};
    }
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
}

QList<QTextImageFormat> images(const QTextDocument& document)
{
    QList<QTextImageFormat> result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                for (int i = 0; i < it.fragment().length(); ++i) {
                    result.append(it.fragment().charFormat().toImageFormat());
                }
            }
        }
    }
    return result;
}

// A small picture of one colour as the hex of its PNG.
QByteArray pngHex(const QColor& color)
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(color);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toHex();
}

QTextTable* firstTable(const QTextDocument& document)
{
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            return table;
        }
    }
    return nullptr;
}

QByteArray hex(const QByteArray& bytes)
{
    return bytes.toHex();
}

QByteArray pngBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 40, y * 60, 90));
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT
private slots:
    void realFilesGiveTheirText_data()
    {
        QTest::addColumn<QString>("name");
        const QDir dir(QStringLiteral(QUILLMERE_TEST_DATA "/rtf"));
        const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files);
        QVERIFY(files.size() >= 7);
        for (const QString& file : files) {
            QTest::newRow(qPrintable(file)) << file.chopped(4);
        }
    }

    void realFilesGiveTheirText()
    {
        QFETCH(QString, name);
        const QByteArray expected = dataFile(name + QStringLiteral(".txt"));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(readText(dataFile(name + QStringLiteral(".rtf"))), QString::fromUtf8(expected));
    }

    void wordFileKeepsFormatsLinksTablesAndPictures()
    {
        QTextDocument document;
        QVERIFY(Rtf::read(dataFile(QStringLiteral("word-2016.rtf")), &document));
        const QTextCharFormat title = formatOf(document, QStringLiteral("A Word Document"));
        QCOMPARE(title.fontWeight(), int(QFont::Bold));
        QCOMPARE(title.fontPointSize(), 16.0);
        QCOMPARE(title.fontFamilies().toStringList(), QStringList{QStringLiteral("Calibri")});
        QCOMPARE(document.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);

        const QTextCharFormat link = formatOf(document, QStringLiteral("the library"));
        QVERIFY(link.isAnchor());
        QCOMPARE(link.anchorHref(), QStringLiteral("https://example.com/books"));
        QCOMPARE(link.foreground().color(), QColor(0, 0, 255));
        QVERIFY(link.fontUnderline());
        QVERIFY(!formatOf(document, QStringLiteral("now")).isAnchor());

        QTextTable* table = firstTable(document);
        QVERIFY(table);
        QCOMPARE(table->rows(), 1);
        QCOMPARE(table->columns(), 2);
        QTextCursor second = table->cellAt(0, 1).firstCursorPosition();
        second.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QCOMPARE(second.selectedText(), QStringLiteral("Cell two"));

        // The PNG is shown; its metafile twin for old readers is not.
        const QList<QTextImageFormat> pictures = images(document);
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(pictures[0].width(), 4.0); // 60 twips
        QCOMPARE(pictures[0].height(), 3.0);
        const QImage image =
            document.resource(QTextDocument::ImageResource, QUrl(pictures[0].name()))
                .value<QImage>();
        QCOMPARE(image.size(), QSize(4, 3));
        QCOMPARE(QColor(image.pixel(1, 2)), QColor(50, 140, 200));
    }

    void libreOfficeFileKeepsFormats()
    {
        QTextDocument document;
        QVERIFY(Rtf::read(dataFile(QStringLiteral("libreoffice-html.rtf")), &document));
        QCOMPARE(formatOf(document, QStringLiteral("bold")).fontWeight(), int(QFont::Bold));
        QVERIFY(!(formatOf(document, QStringLiteral("Plain")).fontWeight() > QFont::Normal));
        QVERIFY(formatOf(document, QStringLiteral("italic")).fontItalic());
        QVERIFY(formatOf(document, QStringLiteral("underlined")).fontUnderline());
        QVERIFY(formatOf(document, QStringLiteral("struck")).fontStrikeOut());
        // LibreOffice lowers subscripts by an offset rather than marking them subscript.
        const QTextCharFormat lowered = formatOf(document, QStringLiteral("2O"));
        QVERIFY(lowered.baselineOffset() < 0 ||
                lowered.verticalAlignment() == QTextCharFormat::AlignSubScript);
        QCOMPARE(formatOf(document, QStringLiteral("link to")).anchorHref(),
                 QStringLiteral("https://example.org/book"));
        QCOMPARE(formatOf(document, QStringLiteral("Red words")).foreground().color(),
                 QColor(255, 0, 0));
        QTextTable* table = firstTable(document);
        QVERIFY(table);
        QCOMPARE(table->rows(), 2);
        QCOMPARE(table->columns(), 2);
    }

    void unicodeAndSpecialCharacters_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::newRow("fallback skipped") << QByteArray("a\\u8364?b") << QStringLiteral("a€b");
        QTest::newRow("hex fallback") << QByteArray("\\u8364\\'80x") << QStringLiteral("€x");
        QTest::newRow("uc2") << QByteArray("\\uc2\\u8364\\'80\\'80x") << QStringLiteral("€x");
        QTest::newRow("uc0") << QByteArray("\\uc0\\u8364 x") << QStringLiteral("€x");
        QTest::newRow("negative") << QByteArray("\\u-3913?") << QString(QChar(0xF0B7));
        QTest::newRow("surrogates")
            << QByteArray("\\u-10179?\\u-8704?") << QStringLiteral("\U0001F600");
        QTest::newRow("fallback ends with group")
            << QByteArray("{\\uc4\\u8364 a}bc") << QStringLiteral("€bc");
        QTest::newRow("control word counts as one")
            << QByteArray("\\uc1\\u8364\\tab x") << QStringLiteral("€x");
        QTest::newRow("named") << QByteArray("\\emdash\\endash\\bullet\\lquote\\rquote"
                                             "\\ldblquote\\rdblquote")
                               << QStringLiteral("—–•‘’“”");
        QTest::newRow("symbols") << QByteArray("a\\~b\\-c\\_d\\{\\}\\\\")
                                 << QStringLiteral("a\u00A0b\u00ADc\u2011d{}\\");
        QTest::newRow("tab and line")
            << QByteArray("a\\tab b\\line c") << QStringLiteral("a\tb\nc");
        QTest::newRow("1252 default")
            << QByteArray("caf\\'e9 \\'93q\\'94") << QStringLiteral("café “q”");
        QTest::newRow("ansicpg 1253")
            << QByteArray("\\ansicpg1253 \\'e1\\'e2") << QStringLiteral("αβ");
        QTest::newRow("font charset") << QByteArray("{\\fonttbl{\\f1\\fcharset238 X;}}"
                                                    "\\f1\\'b9\\'e8 {\\f0\\'e8}")
                                      << QStringLiteral("ąč è");
        QTest::newRow("big5") << QByteArray("{\\fonttbl{\\f1\\fcharset136 M;}}\\f1\\'a4\\'a4")
                              << QStringLiteral("中");
        QTest::newRow("lead byte with literal trail")
            << QByteArray("{\\fonttbl{\\f1\\fcharset128 M;}}\\f1\\'83A") << QStringLiteral("ア");
        QTest::newRow("upr keeps unicode")
            << QByteArray("{\\upr{ansi}{\\*\\ud{uni}}}") << QStringLiteral("uni");
        QTest::newRow("binary skipped")
            << QByteArray("a{\\*\\x \\bin3 {}\\}b") << QStringLiteral("ab");
        QTest::newRow("unknown destination")
            << QByteArray("a{\\*\\unknownthing text}b{\\unknownword c}") << QStringLiteral("abc");
        QTest::newRow("hidden") << QByteArray("a{\\v hidden}b") << QStringLiteral("ab");
        QTest::newRow("page and sect end a paragraph once")
            << QByteArray("a\\page b\\par\\sect c") << QStringLiteral("a\nb\nc");
        QTest::newRow("frame markers are not structure")
            << QByteArray("a\\u-560?\\u-559?b") << QStringLiteral("a\uFFFD\uFFFDb");
        QTest::newRow("final paragraph mark")
            << QByteArray("a\\par b\\par") << QStringLiteral("a\nb");
        QTest::newRow("empty paragraphs kept")
            << QByteArray("a\\par\\par\\par b") << QStringLiteral("a\n\n\nb");
        QTest::newRow("backslash newline") << QByteArray("a\\\nb") << QStringLiteral("a\nb");
    }

    void unicodeAndSpecialCharacters()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QCOMPARE(readText("{\\rtf1\\ansi " + body + "}"), text);
    }

    void characterFormats()
    {
        QTextDocument document;
        QVERIFY(Rtf::read("{\\rtf1{\\fonttbl{\\f0 Serif;}{\\f1 Courier New;}}"
                          "{\\colortbl;\\red10\\green20\\blue30;\\red200\\green0\\blue0;}"
                          "{\\b B}{\\i I}{\\ul U}{\\ulwave W}{\\strike S}{\\super P}{\\sub D}"
                          "{\\fs40 Z}{\\f1 C}{\\cf1 F}{\\highlight2 H}{\\up6 R}{\\b\\plain N}"
                          "{\\b\\ul\\ulnone\\b0 O}}",
                          &document));
        QCOMPARE(viewText(document), QStringLiteral("BIUWSPDZCFHRNO"));
        auto at = [&](QChar c) { return formatOf(document, QString(c)); };
        QCOMPARE(at(u'B').fontWeight(), int(QFont::Bold));
        QVERIFY(at(u'I').fontItalic());
        QCOMPARE(at(u'U').underlineStyle(), QTextCharFormat::SingleUnderline);
        QCOMPARE(at(u'W').underlineStyle(), QTextCharFormat::WaveUnderline);
        QVERIFY(at(u'S').fontStrikeOut());
        QCOMPARE(at(u'P').verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(at(u'D').verticalAlignment(), QTextCharFormat::AlignSubScript);
        QCOMPARE(at(u'Z').fontPointSize(), 20.0);
        QCOMPARE(at(u'C').fontFamilies().toStringList(),
                 QStringList{QStringLiteral("Courier New")});
        QCOMPARE(at(u'F').foreground().color(), QColor(10, 20, 30));
        QCOMPARE(at(u'H').background().color(), QColor(200, 0, 0));
        QCOMPARE(at(u'R').baselineOffset(), 25.0); // 3 points of the 12-point default
        QCOMPARE(at(u'N').fontWeight(), int(QFont::Normal));
        QCOMPARE(at(u'O'), QTextCharFormat());
    }

    void paragraphFormats()
    {
        QTextDocument document;
        QVERIFY(
            Rtf::read("{\\rtf1\\pard\\qc a\\par\\pard\\qr b\\par\\pard\\qj\\li720\\ri360\\fi-360"
                      "\\sb240\\sa120 c\\par\\pard d}",
                      &document));
        QTextBlock block = document.begin();
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignHCenter);
        block = block.next();
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignRight);
        block = block.next();
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignJustify);
        QCOMPARE(block.blockFormat().leftMargin(), 48.0);
        QCOMPARE(block.blockFormat().rightMargin(), 24.0);
        QCOMPARE(block.blockFormat().textIndent(), -24.0);
        QCOMPARE(block.blockFormat().topMargin(), 16.0);
        QCOMPARE(block.blockFormat().bottomMargin(), 8.0);
        block = block.next();
        QCOMPARE(block.text(), QStringLiteral("d"));
        QCOMPARE(block.blockFormat(), QTextBlockFormat());
    }

    void picturesOfEveryKind_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<QSizeF>("shownSize");
        const QByteArray png = hex(pngBytes(5, 4));
        QTest::newRow("png with goal")
            << "{\\rtf1{\\pict\\pngblip\\picw5\\pich4\\picwgoal150\\pichgoal120 " + png + "}}"
            << QSize(5, 4) << QSizeF(10, 8);
        QTest::newRow("png scaled")
            << "{\\rtf1{\\pict\\pngblip\\picscalex50\\picscaley200 " + png + "}}" << QSize(5, 4)
            << QSizeF(2.5, 8);
        QTest::newRow("png as binary")
            << "{\\rtf1{\\pict\\pngblip\\bin" + QByteArray::number(pngBytes(5, 4).size()) + " " +
                   pngBytes(5, 4) + "}}"
            << QSize(5, 4) << QSizeF(5, 4);
        QImage jpegImage(6, 3, QImage::Format_RGB32);
        jpegImage.fill(Qt::darkGreen);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        jpegImage.save(&buffer, "JPEG");
        QTest::newRow("jpeg") << "{\\rtf1{\\pict\\jpegblip " + hex(jpeg) + "}}" << QSize(6, 3)
                              << QSizeF(6, 3);
        // A 2x2 24-bit DIB: header, then bottom-up rows padded to four bytes.
        const QByteArray dib = QByteArray::fromHex("28000000020000000200000001001800000000001000"
                                                   "0000130b0000130b00000000000000000000"
                                                   "0000ff00ff000000ff0000ffffff0000");
        QTest::newRow("dib") << "{\\rtf1{\\pict\\dibitmap0\\picw2\\pich2 " + hex(dib) + "}}"
                             << QSize(2, 2) << QSizeF(2, 2);
        QTest::newRow("device bitmap")
            << QByteArray("{\\rtf1{\\pict\\wbitmap0\\picw9\\pich2\\wbmbitspixel1\\wbmplanes1"
                          "\\wbmwidthbytes2 ff80 0000}}")
            << QSize(9, 2) << QSizeF(9, 2);
    }

    void picturesOfEveryKind()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QSize, imageSize);
        QFETCH(QSizeF, shownSize);
        QTextDocument document;
        QVERIFY(Rtf::read(rtf, &document));
        QCOMPARE(document.characterCount(), 2); // the picture and the paragraph end
        const QList<QTextImageFormat> pictures = images(document);
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(QSizeF(pictures[0].width(), pictures[0].height()), shownSize);
        const QImage image =
            document.resource(QTextDocument::ImageResource, QUrl(pictures[0].name()))
                .value<QImage>();
        QCOMPARE(image.size(), imageSize);
    }

    void dibAndDeviceBitmapPixels()
    {
        QTextDocument document;
        QVERIFY(
            Rtf::read("{\\rtf1{\\pict\\dibitmap0 "
                      "280000000200000002000000010018000000000010000000130b0000130b0000000000"
                      "00000000000000ff00ff000000ff0000ffffff0000}"
                      "{\\pict\\wbitmap0\\picw9\\pich2\\wbmbitspixel1\\wbmwidthbytes2 ff800000}}",
                      &document));
        const QList<QTextImageFormat> pictures = images(document);
        QCOMPARE(pictures.size(), 2);
        QVERIFY(pictures[0].name() != pictures[1].name());
        auto imageOf = [&](int i) {
            return document.resource(QTextDocument::ImageResource, QUrl(pictures[i].name()))
                .value<QImage>();
        };
        // Bottom-up rows: the first stored row is the lower one.
        QCOMPARE(QColor(imageOf(0).pixel(0, 1)), QColor(255, 0, 0));
        QCOMPARE(QColor(imageOf(0).pixel(1, 1)), QColor(0, 255, 0));
        QCOMPARE(QColor(imageOf(0).pixel(0, 0)), QColor(0, 0, 255));
        QCOMPARE(QColor(imageOf(0).pixel(1, 0)), QColor(255, 255, 255));
        QCOMPARE(QColor(imageOf(1).pixel(8, 0)), QColor(Qt::white));
        QCOMPARE(QColor(imageOf(1).pixel(8, 1)), QColor(Qt::black));
    }

    void metafilesShowTheirFallback()
    {
        QCOMPARE(readText("{\\rtf1 a{\\pict\\wmetafile8 0100090000}{\\*\\shppict{\\pict"
                          "\\emfblip 0102}}{\\nonshppict x}{\\shp{\\*\\shpinst y}{\\shprslt z}}b}"),
                 QStringLiteral("azb"));
    }

    // A picture that comes with a stand-in for other readers is shown once, as itself: the
    // picture of \\shppict, or a shape's own picture ("pib") in place of the shape's result;
    // never the \\nonshppict fallback. A shape without a picture that can be shown still
    // shows its result.
    void picturesWithStandInsShowOnce_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("color"); // of the one picture shown, if any
        const QByteArray red = pngHex(Qt::red);
        const QByteArray green = pngHex(Qt::green);
        const QString shown = QStringLiteral("a\uFFFCb");
        QTest::newRow("shppict, then its fallback")
            << "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + red +
                   "}}{\\nonshppict{\\pict\\pngblip " + green + "}}b}"
            << shown << QColor(Qt::red);
        QTest::newRow("the fallback first")
            << "{\\rtf1 a{\\nonshppict{\\pict\\pngblip " + green +
                   "}}\r\n{\\*\\shppict{\\pict\\pngblip " + red + "}}b}"
            << shown << QColor(Qt::red);
        QTest::newRow("shape with a picture")
            << "{\\rtf1 a{\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn shapeType}{\\sv 75}}"
               "{\\sp{\\sn pib}{\\sv {\\pict\\picscalex50\\pngblip " +
                   red + "}}}{\\*\\shptxt box text}}{\\shprslt {\\pict\\pngblip " + green + "}}}b}"
            << shown << QColor(Qt::red);
        QTest::newRow("shape without a picture")
            << QByteArray("{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn fillColor}{\\sv 255}}}"
                          "{\\shprslt z}}b}")
            << QStringLiteral("azb") << QColor();
        QTest::newRow("shape with a metafile")
            << QByteArray("{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict"
                          "\\wmetafile8 0100090000}}}}{\\shprslt z}}b}")
            << QStringLiteral("azb") << QColor();
        QTest::newRow("picture property of another name")
            << "{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn fillBlip}{\\sv {\\pict\\pngblip " + green +
                   "}}}}}b}"
            << QStringLiteral("ab") << QColor();
    }

    void picturesWithStandInsShowOnce()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QFETCH(QColor, color);
        QTextDocument document;
        QVERIFY(Rtf::read(rtf, &document));
        QCOMPARE(viewText(document), text);
        const QList<QTextImageFormat> pictures = images(document);
        QCOMPARE(pictures.size(), color.isValid() ? 1 : 0);
        if (color.isValid()) {
            const QImage image =
                document.resource(QTextDocument::ImageResource, QUrl(pictures[0].name()))
                    .value<QImage>();
            QCOMPARE(QColor(image.pixel(1, 1)), color);
        }
    }

    void notRtfIsRefused_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("plain text") << QByteArray("Hello {\\rtf1 world}");
        QTest::newRow("cut header") << QByteArray("{\\rt");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
        QTest::newRow("html") << QByteArray("<html>{\\rtf1}</html>");
    }

    void notRtfIsRefused()
    {
        QFETCH(QByteArray, data);
        QTextDocument document;
        document.setPlainText(QStringLiteral("previous book"));
        QString error;
        QVERIFY(!Rtf::read(data, &document, &error));
        QVERIFY(!error.isEmpty());
    }

    void headerMayFollowBomAndBlanks()
    {
        QCOMPARE(readText("\xEF\xBB\xBF \r\n\t{\\rtf1 ok}"), QStringLiteral("ok"));
    }

    void readReplacesTheContent()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("previous book"));
        QVERIFY(Rtf::read("{\\rtf1 new}", &document));
        QCOMPARE(document.toPlainText(), QStringLiteral("new"));
        QVERIFY(!document.isUndoAvailable());
    }

    void damagedFilesKeepTheirText_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("truncated in group")
            << QByteArray("{\\rtf1 Hello {\\b wor") << QStringLiteral("Hello wor");
        QTest::newRow("truncated in word")
            << QByteArray("{\\rtf1 Hello\\pa") << QStringLiteral("Hello");
        QTest::newRow("truncated hex")
            << QByteArray("{\\rtf1 a\\'e") << QStringLiteral("a\u000E").left(1);
        QTest::newRow("truncated picture")
            << "{\\rtf1 a{\\pict\\pngblip " + hex(pngBytes(3, 3)).left(40) << QStringLiteral("a");
        QTest::newRow("extra closing braces")
            << QByteArray("{\\rtf1 a}}}} b") << QStringLiteral("a");
        QTest::newRow("missing closing braces")
            << QByteArray("{\\rtf1 a{{{ b") << QStringLiteral("a b");
        QTest::newRow("huge numbers")
            << QByteArray("{\\rtf1\\fs99999999999999999999 a\\u99999999999?b\\li-99999999999 "
                          "c\\uc99999999 \\u65 xyz}")
            << QStringLiteral("a\uFFFFbcA");
        QTest::newRow("huge binary length")
            << QByteArray("{\\rtf1 a\\bin99999999999 bcd}") << QStringLiteral("a");
        QTest::newRow("negative binary length")
            << QByteArray("{\\rtf1 a\\bin-5 bcd}") << QStringLiteral("abcd");
        QTest::newRow("long control word")
            << "{\\rtf1 a\\" + QByteArray(100000, 'x') + "123 b}" << QStringLiteral("ab");
        QTest::newRow("bad hex") << QByteArray("{\\rtf1 a\\'zzb}") << QStringLiteral("azzb");
        QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b\x01"
                                                 "c}",
                                                 12)
                                   << QStringLiteral("abc");
        QTest::newRow("bad colour index")
            << QByteArray("{\\rtf1{\\colortbl;}\\cf99\\highlight-3 a}") << QStringLiteral("a");
        QTest::newRow("cell without table")
            << QByteArray("{\\rtf1 a\\cell b\\row c}") << QStringLiteral("a\n\nb\nc");
        QTest::newRow("row of many cells")
            << "{\\rtf1\\trowd\\cellx1\\pard\\intbl " + QByteArray("x\\cell ").repeated(200) +
                   "\\row\\pard end}"
            << QString();
    }

    void damagedFilesKeepTheirText()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QTextDocument document;
        QVERIFY(Rtf::read(rtf, &document));
        if (!text.isNull()) {
            QCOMPARE(viewText(document), text);
        } else {
            QVERIFY(viewText(document).contains(QStringLiteral("x")));
            QVERIFY(viewText(document).endsWith(QStringLiteral("end")));
        }
    }

    void deepNestingIsBounded()
    {
        const int depth = 100000;
        QByteArray open = "{\\rtf1 start";
        open += QByteArray(depth, '{') + "\\b deep";
        QTextDocument unclosed;
        QVERIFY(Rtf::read(open, &unclosed));
        QCOMPARE(viewText(unclosed), QStringLiteral("startdeep"));

        QTextDocument closed;
        QVERIFY(Rtf::read(open + QByteArray(depth, '}') + " after}", &closed));
        QCOMPARE(viewText(closed), QStringLiteral("startdeep after"));
        QCOMPARE(formatOf(closed, QStringLiteral("after")).fontWeight(), int(QFont::Normal));
    }

    void truncatedRealFilesStillLoad()
    {
        // Every cut of a real file loads and keeps the text before the cut.
        const QByteArray file = dataFile(QStringLiteral("word-2016.rtf"));
        QVERIFY(!file.isEmpty());
        const qsizetype title = file.indexOf("A Word Document");
        for (qsizetype cut = 5; cut < file.size(); cut += 97) {
            QTextDocument document;
            QVERIFY(Rtf::read(file.left(cut), &document));
            if (cut > title + 20) {
                QVERIFY2(document.toPlainText().startsWith(QStringLiteral("A Word Document")),
                         qPrintable(QString::number(cut)));
            }
        }
    }

    void randomBytesNeverCrash()
    {
        QRandomGenerator random(20240607);
        const QByteArray alphabet = "{}\\'*;0123456789abcdefuxbinpictparcell -\x80\xff";
        for (int round = 0; round < 300; ++round) {
            QByteArray data = "{\\rtf1 ";
            const int size = int(random.bounded(2000));
            for (int i = 0; i < size; ++i) {
                data.append(round % 2 ? char(random.bounded(256))
                                      : alphabet.at(random.bounded(int(alphabet.size()))));
            }
            QTextDocument document;
            QVERIFY(Rtf::read(data, &document));
            QVERIFY(document.characterCount() >= 1);
        }
    }

    // Hebrew (1255) and Vietnamese (1258) pages hold letters back for a combining mark: each
    // byte still decodes to its own letter.
    void hebrewAndVietnameseFontsDecode_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("hebrew") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset177 David;}}"
                                              "\\f0 \\'f9\\'ec\\'e5\\'ed \\'f2\\'e5\\'ec\\'ed}")
                                << QStringLiteral("שלום עולם");
        QTest::newRow("hebrew page")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1255 \\'f9\\'ec\\'e5\\'ed}")
            << QStringLiteral("שלום");
        QTest::newRow("vietnamese")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset163 Times;}}\\f0 "
                          "Ti\\'ea\\'ecng Vi\\'ea\\'f2t c\\'f3 d\\'e2\\'ecu}")
            << QStringLiteral("Tiếng Việt có dấu");
        QTest::newRow("arabic") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset178 Arial;}}"
                                              "\\f0 \\'e3\\'d1\\'cd\\'c8\\'c7}")
                                << QStringLiteral("مرحبا");
        QTest::newRow("thai") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset222 Tahoma;}}"
                                            "\\f0 \\'a4\\'d9}")
                              << QStringLiteral("คู");
        QTest::newRow("baltic") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset186 Arial;}}"
                                              "\\f0 \\'e0\\'f0}")
                                << QStringLiteral("ąš");
    }

    void hebrewAndVietnameseFontsDecode()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(readText(rtf).normalized(QString::NormalizationForm_C), text);
    }

    // "a footnote¹": the mark stays as a raised number holding the note's text; the note's
    // text is not in the running text.
    void footnoteMarksStayWithTheirNotes()
    {
        QTextDocument document;
        QVERIFY(Rtf::read(dataFile(QStringLiteral("../rtf-books/libreoffice-odt-book.rtf")),
                          &document));
        QString text = viewText(document);
        QVERIFY(text.contains(QStringLiteral("thirty years.1 The lamp")));
        QVERIFY(!text.contains(QStringLiteral("11,000 evenings")));
        const QTextCharFormat mark = formatOf(document, QStringLiteral("1 The lamp"));
        QCOMPARE(mark.verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(mark.property(Rtf::NoteTextProperty).toString(),
                 QStringLiteral("1\tHe had counted them once: 11,000 evenings."));

        // Word's own style: the mark in a character style, the note's mark inside the note.
        QVERIFY(Rtf::read(dataFile(QStringLiteral("../rtf-books/word-style-book.rtf")), &document));
        QVERIFY(viewText(document).contains(QStringLiteral("thirty years.1  The lamp")));
        QCOMPARE(formatOf(document, QStringLiteral("1  The lamp"))
                     .property(Rtf::NoteTextProperty)
                     .toString(),
                 QStringLiteral("1 He had counted them once: 11,000 evenings."));
        // A column break ends the paragraph as a page break does.
        QCOMPARE(readText("{\\rtf1 left\\column right\\page next}"),
                 QStringLiteral("left\nright\nnext"));
    }

    // Ten thousand rows read into one table of the right shape; a row far wider than any
    // table keeps its extra cells in its last column.
    void longAndWideTablesKeepTheirCells()
    {
        QByteArray rtf = "{\\rtf1\\ansi ";
        for (int r = 0; r < 10000; ++r) {
            rtf += "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl r" +
                   QByteArray::number(r) + "a\\cell b\\cell c\\cell\\row\n";
        }
        rtf += "\\pard after\\par}";
        QTextDocument document;
        QVERIFY(Rtf::read(rtf, &document));
        QTextTable* table = firstTable(document);
        QVERIFY(table);
        QCOMPARE(table->rows(), 10000);
        QCOMPARE(table->columns(), 3);
        QTextCursor last = table->cellAt(9999, 0).firstCursorPosition();
        last.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QCOMPARE(last.selectedText(), QStringLiteral("r9999a"));
        QVERIFY(viewText(document).endsWith(QStringLiteral("c\nafter")));

        QByteArray wide = "{\\rtf1\\ansi\\trowd\\cellx100 ";
        for (int c = 0; c < 100; ++c) {
            wide += "\\pard\\intbl x" + QByteArray::number(c) + "\\cell ";
        }
        wide += "\\row\\pard after\\par}";
        QVERIFY(Rtf::read(wide, &document));
        table = firstTable(document);
        QVERIFY(table);
        QCOMPARE(table->columns(), 64);
        QTextCursor lastCell = table->cellAt(0, 63).firstCursorPosition();
        lastCell.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QVERIFY(lastCell.selectedText().startsWith(QStringLiteral("x63\tx64\t")));
        QVERIFY(lastCell.selectedText().endsWith(QStringLiteral("\tx99")));
    }
    // Rows are counted ahead of a table; a count that is too high (a table right after
    // another, with no paragraph mark between) or too low (rows without a cell mark) still
    // gives each table exactly its rows.
    void tablesGetTheirRowsWhateverTheCountAhead()
    {
        QByteArray rtf = "{\\rtf1\\ansi ";
        for (int r = 0; r < 300; ++r) {
            rtf += "\\trowd\\cellx1000\\cellx2000\\pard\\intbl a" + QByteArray::number(r) +
                   "\\cell b\\cell\\row\\row\n";
        }
        rtf += "\\pard between";
        for (int r = 0; r < 400; ++r) {
            rtf += "\\trowd\\cellx1000\\pard\\intbl c" + QByteArray::number(r) + "\\row\n";
        }
        rtf += "\\pard after\\par}";
        QTextDocument document;
        QVERIFY(Rtf::read(rtf, &document));
        const QList<QTextFrame*> frames = document.rootFrame()->childFrames();
        QCOMPARE(frames.size(), 2);
        auto* first = qobject_cast<QTextTable*>(frames[0]);
        auto* second = qobject_cast<QTextTable*>(frames[1]);
        QVERIFY(first && second);
        QCOMPARE(first->rows(), 300);
        QCOMPARE(second->rows(), 400);
        QCOMPARE(second->columns(), 1);
        QTextCursor last = second->cellAt(399, 0).firstCursorPosition();
        last.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QCOMPARE(last.selectedText(), QStringLiteral("c399"));
        QVERIFY(viewText(document).contains(QStringLiteral("a299\nb\nbetween\n")));
        QVERIFY(viewText(document).endsWith(QStringLiteral("c399\nafter")));
    }

    void tableColumnsTakeTheFilesWidths()
    {
        // Word-style: \trleft-108 and edges 1332, 7092, 8532 twips, 15 twips a pixel.
        QTextDocument word;
        QVERIFY(Rtf::read(dataFile(QStringLiteral("word-breaks.rtf")), &word));
        QTextTable* table = firstTable(word);
        QVERIFY(table);
        QList<QTextLength> widths = table->format().columnWidthConstraints();
        QCOMPARE(widths.size(), 3);
        for (const QTextLength& width : widths) {
            QCOMPARE(width.type(), QTextLength::FixedLength);
        }
        QCOMPARE(widths[0].rawValue(), 96.0);
        QCOMPARE(widths[1].rawValue(), 384.0);
        QCOMPARE(widths[2].rawValue(), 96.0);

        // LibreOffice from HTML columns of 100 and 300: the second stays about three times
        // as wide as the first.
        QTextDocument office;
        QVERIFY(Rtf::read(dataFile(QStringLiteral("libreoffice-formats.rtf")), &office));
        table = firstTable(office);
        QVERIFY(table);
        QCOMPARE(table->rows(), 2);
        widths = table->format().columnWidthConstraints();
        QCOMPARE(widths.size(), 2);
        const double ratio = widths[1].rawValue() / widths[0].rawValue();
        QVERIFY2(ratio > 2.5 && ratio < 3.5, qPrintable(QString::number(ratio)));

        // Edges out of order give no widths; a row wider than its edges leaves the extra
        // columns open to share the rest.
        QVERIFY(Rtf::read("{\\rtf1\\ansi\\trowd\\cellx2000\\cellx1000\\pard\\intbl a\\cell "
                          "b\\cell\\row}",
                          &word));
        QVERIFY(firstTable(word)->format().columnWidthConstraints().isEmpty());
        QVERIFY(
            Rtf::read("{\\rtf1\\ansi\\trowd\\cellx1500\\pard\\intbl a\\cell b\\cell\\row}", &word));
        widths = firstTable(word)->format().columnWidthConstraints();
        QCOMPARE(widths.size(), 2);
        QCOMPARE(widths[0], QTextLength(QTextLength::FixedLength, 100));
        QCOMPARE(widths[1].type(), QTextLength::VariableLength);
    }

    void pageBreaksStartNewPagesWithoutChangingTheText()
    {
        QTextDocument document;
        QVERIFY(Rtf::read(dataFile(QStringLiteral("word-breaks.rtf")), &document));
        // The text is as before: a page break ends a paragraph that has text, no more.
        QVERIFY(viewText(document).startsWith(
            QStringLiteral("Chapter one ends on this line.\nChapter two starts here, on a page "
                           "of its own.\nSome doubly underlined and some single and Small Caps "
                           "text.\nThen a break\nmid paragraph.\n")));
        auto breakBefore = [&document](const QString& text) {
            return bool(document.find(text).block().blockFormat().pageBreakPolicy() &
                        QTextFormat::PageBreak_AlwaysBefore);
        };
        QVERIFY(!breakBefore(QStringLiteral("Chapter one")));
        QVERIFY(breakBefore(QStringLiteral("Chapter two")));
        QVERIFY(!breakBefore(QStringLiteral("Some doubly")));
        QVERIFY(!breakBefore(QStringLiteral("Then a break")));
        QVERIFY(breakBefore(QStringLiteral("mid paragraph")));
        QVERIFY(!breakBefore(QStringLiteral("After the table")));
        // The paragraph keeps its own format as well.
        QCOMPARE(document.find(QStringLiteral("Chapter two")).block().blockFormat().bottomMargin(),
                 200 / 15.0);

        QVERIFY(Rtf::read(dataFile(QStringLiteral("libreoffice-formats.rtf")), &document));
        QVERIFY(breakBefore(QStringLiteral("Second chapter")));
        QVERIFY(!breakBefore(QStringLiteral("First chapter")));
        QVERIFY(!breakBefore(QStringLiteral("Small Capitals")));
    }

    void smallCapsAndDoubleUnderline()
    {
        QTextDocument document;
        QVERIFY(Rtf::read(dataFile(QStringLiteral("word-breaks.rtf")), &document));
        const QTextCharFormat doubled = formatOf(document, QStringLiteral("doubly"));
        QVERIFY(doubled.fontUnderline());
        QVERIFY(doubled.boolProperty(Rtf::DoubleUnderlineProperty));
        const QTextCharFormat single = formatOf(document, QStringLiteral("single"));
        QVERIFY(single.fontUnderline());
        QVERIFY(!single.boolProperty(Rtf::DoubleUnderlineProperty));
        const QTextCharFormat after = formatOf(document, QStringLiteral("and some"));
        QVERIFY(!after.fontUnderline());
        QVERIFY(!after.boolProperty(Rtf::DoubleUnderlineProperty));
        QCOMPARE(formatOf(document, QStringLiteral("Small Caps")).fontCapitalization(),
                 QFont::SmallCaps);
        QCOMPARE(formatOf(document, QStringLiteral(" text.")).fontCapitalization(),
                 QFont::MixedCase);

        QVERIFY(Rtf::read(dataFile(QStringLiteral("libreoffice-formats.rtf")), &document));
        QCOMPARE(formatOf(document, QStringLiteral("Small Capitals")).fontCapitalization(),
                 QFont::SmallCaps);
        QCOMPARE(formatOf(document, QStringLiteral("double underlined")).fontCapitalization(),
                 QFont::MixedCase);
    }
    void listItemsShowTheirLevelsMarker()
    {
        QTextDocument document;
        QVERIFY(Rtf::read(dataFile(QStringLiteral("nested-list.rtf")), &document));
        auto listOf = [&document](const QString& text) {
            return document.find(text).block().textList();
        };
        auto styleOf = [&listOf](const QString& text) {
            QTextList* list = listOf(text);
            return list ? list->format().style() : QTextListFormat::ListStyleUndefined;
        };
        // Each level's own bullet from the list table: Symbol's disc, Courier's "o",
        // Wingdings' square; numbers count on across items of the same list.
        QCOMPARE(styleOf(QStringLiteral("Fruit")), QTextListFormat::ListDisc);
        QCOMPARE(styleOf(QStringLiteral("Apples")), QTextListFormat::ListCircle);
        QCOMPARE(styleOf(QStringLiteral("Green ones")), QTextListFormat::ListSquare);
        QCOMPARE(listOf(QStringLiteral("Bread")), listOf(QStringLiteral("Fruit")));
        QCOMPARE(styleOf(QStringLiteral("First step")), QTextListFormat::ListDecimal);
        QTextList* steps = listOf(QStringLiteral("Second step"));
        QVERIFY(steps);
        QCOMPARE(steps->itemText(document.find(QStringLiteral("Second step")).block()),
                 QStringLiteral("2."));
        // A marker the file writes out is the paragraph's own text: no second marker, and
        // the paragraphs around the list are no items.
        QVERIFY(!listOf(QStringLiteral("Given marker")));
        QVERIFY(!listOf(QStringLiteral("After the list")));
        QVERIFY(!listOf(QStringLiteral("Shopping")));
        QCOMPARE(document.find(QStringLiteral("Apples")).block().blockFormat().leftMargin(),
                 1440 / 15.0);

        QVERIFY(Rtf::read(dataFile(QStringLiteral("libreoffice-formats.rtf")), &document));
        QVERIFY(!listOf(QStringLiteral("Inner item")));
    }
};

QUILLMERE_TEST_MAIN(TestRtfReader)
#include "tst_rtf_reader.moc"
