// The RTF writer: what it writes, and that our own reader gives back the same document.
#include "formats/rtf/RtfReader.h"
#include "formats/rtf/RtfWriter.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

namespace {

QImage testImage(int width, int height, QRgb base)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(
                x, y, qRgba(qRed(base) ^ (x * 17), qGreen(base) ^ (y * 29), qBlue(base), 255 - x));
        }
    }
    return image;
}

void addImage(QTextDocument* document, QTextCursor& cursor, const QString& name,
              const QImage& image, double width, double height)
{
    document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(width);
    format.setHeight(height);
    cursor.insertImage(format);
    cursor.setCharFormat(QTextCharFormat()); // the text after a picture is text
}

// A document that uses every character format the view holds, paragraph alignment and
// indents, pictures, a link and characters from outside Latin-1.
void buildSample(QTextDocument* document)
{
    QTextCursor cursor(document);
    auto run = [&](const QString& text, auto&& setUp) {
        QTextCharFormat format;
        setUp(format);
        cursor.insertText(text, format);
    };
    run(QStringLiteral("plain "), [](QTextCharFormat&) {});
    run(QStringLiteral("bold "), [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    run(QStringLiteral("italic "), [](QTextCharFormat& f) { f.setFontItalic(true); });
    run(QStringLiteral("under "), [](QTextCharFormat& f) { f.setFontUnderline(true); });
    run(QStringLiteral("dash "),
        [](QTextCharFormat& f) { f.setUnderlineStyle(QTextCharFormat::DashUnderline); });
    run(QStringLiteral("struck "), [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    run(QStringLiteral("sup"),
        [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); });
    run(QStringLiteral("sub"),
        [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); });
    run(QStringLiteral("raised"), [](QTextCharFormat& f) {
        f.setFontPointSize(10);
        f.setBaselineOffset(30); // 3 points of 10
    });
    run(QStringLiteral("lowered"), [](QTextCharFormat& f) { f.setBaselineOffset(-25); });
    run(QStringLiteral(" big"), [](QTextCharFormat& f) { f.setFontPointSize(21.5); });
    run(QStringLiteral(" mono"),
        [](QTextCharFormat& f) { f.setFontFamilies({QStringLiteral("Courier New")}); });
    run(QStringLiteral(" red"), [](QTextCharFormat& f) { f.setForeground(QColor(200, 10, 20)); });
    run(QStringLiteral(" marked"), [](QTextCharFormat& f) {
        f.setForeground(QColor(255, 0, 0));
        f.setBackground(QColor(255, 255, 0));
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontFamilies({QStringLiteral("Gentium Book")});
    });
    run(QStringLiteral(" link"), [](QTextCharFormat& f) {
        f.setAnchor(true);
        f.setAnchorHref(QStringLiteral("https://example.org/a?b=\"c\"&d=\\e"));
    });

    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centred);
    run(QStringLiteral("Grüße, Привет, 日本語, € and \U0001F600 {brace} back\\slash\ttab"),
        [](QTextCharFormat&) {});
    cursor.insertText(QString(QChar::LineSeparator) + QStringLiteral("next line"));

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    right.setLeftMargin(48);
    right.setRightMargin(24);
    right.setTextIndent(-16);
    right.setTopMargin(8);
    right.setBottomMargin(4);
    cursor.insertBlock(right);
    cursor.insertText(QStringLiteral("picture "));
    addImage(document, cursor, QStringLiteral("bookmark.bmp"), testImage(16, 12, qRgb(10, 80, 200)),
             16, 12);
    cursor.insertText(QStringLiteral(" twice "));
    addImage(document, cursor, QStringLiteral("bookmark.bmp"), testImage(16, 12, qRgb(10, 80, 200)),
             32, 24);
    cursor.insertText(QStringLiteral(" other "));
    addImage(document, cursor, QStringLiteral("pictures/Ünïcode name {1}.png"),
             testImage(7, 5, qRgb(250, 3, 90)), 7, 5);

    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    cursor.insertBlock(justified);
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(QStringLiteral("last"));
}

struct CharacterView
{
    QChar character;
    QTextCharFormat format;
    QTextBlockFormat block;
};

// Every position of the document with its character, its format and its paragraph's format.
QList<CharacterView> characters(const QTextDocument& document)
{
    QList<CharacterView> result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            for (const QChar c : fragment.text()) {
                result.append({c, fragment.charFormat(), block.blockFormat()});
            }
        }
        result.append({QChar::ParagraphSeparator, block.charFormat(), block.blockFormat()});
    }
    return result;
}

QImage imageNamed(const QTextDocument& document, const QString& name)
{
    return document.resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT
private slots:
    void readingWhatWeWroteGivesTheSameDocument()
    {
        QTextDocument original;
        buildSample(&original);
        const QByteArray rtf = Rtf::write(&original);
        QTextDocument copy;
        QVERIFY(Rtf::read(rtf, &copy));
        QCOMPARE(copy.toRawText(), original.toRawText());
        QCOMPARE(copy.blockCount(), original.blockCount());

        const QList<CharacterView> before = characters(original);
        const QList<CharacterView> after = characters(copy);
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const QString where =
                QStringLiteral("position %1 '%2'").arg(i).arg(before[i].character);
            if (before[i].character == QChar::ParagraphSeparator) {
                QVERIFY2(after[i].block.properties() == before[i].block.properties(),
                         qPrintable(where));
                continue;
            }
            if (before[i].format.isImageFormat()) {
                const QTextImageFormat a = before[i].format.toImageFormat();
                const QTextImageFormat b = after[i].format.toImageFormat();
                QCOMPARE(b.name(), a.name());
                QCOMPARE(b.width(), a.width());
                QCOMPARE(b.height(), a.height());
                QCOMPARE(imageNamed(copy, b.name()), imageNamed(original, a.name()));
                continue;
            }
            // Formats compare by their properties; the order they were set in does not matter.
            QVERIFY2(after[i].format.properties() == before[i].format.properties(),
                     qPrintable(where));
        }
    }

    // Books written by other programs keep every character when we write them and read them
    // back: saving a book with a mark in it must not lose any of its text.
    void realFilesKeepTheirTextWrittenAndReadAgain_data()
    {
        QTest::addColumn<QString>("path");
        const QString data = QStringLiteral(QUILLMERE_TEST_DATA);
        for (const QString& folder :
             {data + QStringLiteral("/rtf"), data + QStringLiteral("/rtf-books"),
              data + QStringLiteral("/../../fuzz/corpus")}) {
            const QDir dir(folder);
            for (const QString& name : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files)) {
                QTest::newRow(qPrintable(QDir(folder).dirName() + u'/' + name))
                    << dir.filePath(name);
            }
        }
    }

    void realFilesKeepTheirTextWrittenAndReadAgain()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument original;
        QVERIFY(Rtf::read(file.readAll(), &original));
        QVERIFY(!original.isEmpty());
        QTextDocument copy;
        QVERIFY(Rtf::read(Rtf::write(&original), &copy));
        QCOMPARE(copy.toRawText(), original.toRawText());
    }

    void writingTwiceGivesTheSameBytes()
    {
        QTextDocument original;
        buildSample(&original);
        const QByteArray first = Rtf::write(&original);
        QTextDocument copy;
        QVERIFY(Rtf::read(first, &copy));
        QCOMPARE(Rtf::write(&copy), first);
    }

    void outputIsPlainRtf()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("a€\U0001F600\uFFFF"));
        const QByteArray rtf = Rtf::write(&document);
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
        QVERIFY(rtf.contains("{\\fonttbl"));
        QVERIFY(rtf.contains("{\\colortbl"));
        // Above 32767 the number is negative; a character outside the BMP is two \u.
        QVERIFY(rtf.contains("a\\u8364?\\u-10179?\\u-8704?\\u-1?"));
        for (const char c : rtf) {
            QVERIFY(uchar(c) < 0x80);
        }
    }

    void tablesKeepTheirCells()
    {
        QTextDocument original;
        QTextCursor cursor(&original);
        cursor.insertText(QStringLiteral("before"));
        QTextTable* table = cursor.insertTable(2, 3);
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 3; ++c) {
                table->cellAt(r, c).firstCursorPosition().insertText(
                    QStringLiteral("r%1c%2").arg(r).arg(c));
            }
        }
        table->cellAt(1, 1).lastCursorPosition().insertBlock();
        table->cellAt(1, 1).lastCursorPosition().insertText(QStringLiteral("second"));
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("after"));

        QTextDocument copy;
        QVERIFY(Rtf::read(Rtf::write(&original), &copy));
        QCOMPARE(copy.toRawText(), original.toRawText());
        QTextTable* read = nullptr;
        for (QTextFrame* frame : copy.rootFrame()->childFrames()) {
            read = read ? read : qobject_cast<QTextTable*>(frame);
        }
        QVERIFY(read);
        QCOMPARE(read->rows(), 2);
        QCOMPARE(read->columns(), 3);
    }

    void rangeIsWrittenAsADocument_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("text");
        // "first line\nsecond\nthird"
        QTest::newRow("inside a paragraph") << 2 << 7 << QStringLiteral("rst l");
        QTest::newRow("across paragraphs") << 6 << 14 << QStringLiteral("line\nsec");
        QTest::newRow("ending with the paragraph mark") << 11 << 18 << QStringLiteral("second\n");
        QTest::newRow("whole") << 0 << 100 << QStringLiteral("first line\nsecond\nthird");
        QTest::newRow("empty") << 4 << 4 << QString();
        QTest::newRow("reversed") << 9 << 3 << QString();
    }

    void rangeIsWrittenAsADocument()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, text);
        QTextDocument document;
        document.setPlainText(QStringLiteral("first line\nsecond\nthird"));
        QTextCursor bold(&document);
        bold.setPosition(6);
        bold.setPosition(10, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setFontWeight(QFont::Bold);
        bold.mergeCharFormat(format);

        QTextDocument copy;
        QVERIFY(Rtf::read(Rtf::writeRange(&document, start, end), &copy));
        QCOMPARE(copy.toPlainText(), text);
        const QTextCursor found = copy.find(QStringLiteral("line"));
        if (!found.isNull()) {
            QCOMPARE(found.charFormat().fontWeight(), int(QFont::Bold));
        }
    }

    void aPictureWithoutDataIsLeftOut()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.insertText(QStringLiteral("a"));
        QTextImageFormat missing;
        missing.setName(QStringLiteral("no-such-picture"));
        cursor.insertImage(missing);
        cursor.insertText(QStringLiteral("b"));
        QTextDocument copy;
        QVERIFY(Rtf::read(Rtf::write(&document), &copy));
        QCOMPARE(copy.toPlainText(), QStringLiteral("ab"));
    }

    void libreOfficeReadsOurFiles()
    {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty()) {
            QSKIP("LibreOffice is not installed");
        }
        QTextDocument document;
        buildSample(&document);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath(QStringLiteral("ours.rtf")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Rtf::write(&document));
        file.close();

        QProcess office;
        office.setWorkingDirectory(dir.path());
        office.start(soffice, {QStringLiteral("-env:UserInstallation=file://") +
                                   dir.filePath(QStringLiteral("profile")),
                               QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                               QStringLiteral("txt:Text (encoded):UTF8"),
                               QStringLiteral("--outdir"), dir.path(), file.fileName()});
        QVERIFY(office.waitForFinished(120000));
        QFile text(dir.filePath(QStringLiteral("ours.txt")));
        QVERIFY2(text.open(QIODevice::ReadOnly), office.readAllStandardError().constData());
        QString converted = QString::fromUtf8(text.readAll());
        converted.remove(QChar(0xFEFF));
        // LibreOffice writes paragraph ends as line ends and leaves pictures out.
        QString expected = document.toPlainText();
        expected.remove(QChar::ObjectReplacementCharacter);
        expected.replace(QChar::LineSeparator, u'\n');
        QCOMPARE(converted.trimmed().split(u'\n'), expected.trimmed().split(u'\n'));
    }
};

QUILLMERE_TEST_MAIN(TestRtfWriter)
#include "tst_rtf_writer.moc"
