// The quillmere-rtf converter: its commands, atomic output and its failures.
#include "formats/rtf/RtfReader.h"
#include "support/FileBytes.h"
#include "support/TestMain.h"
#include "views/RichTextView.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

namespace {

const QString kTool = QStringLiteral(QUILLMERE_BINARY_DIR "/tools/quillmere-rtf");

struct Result
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result run(const QStringList& arguments)
{
    QProcess process;
    process.start(kTool, arguments);
    Result result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

class TestRtfTool : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(QFile::exists(kTool), qPrintable(kTool)); }

    // The name decides the kind, as in the reader: RTF when it ends in "rtf", else plain text.
    void textOfRtfAndPlainText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("rtf") << QStringLiteral("book.rtf")
                             << QByteArray("{\\rtf1 caf\\'e9\\par x{\\pict\\pngblip "
                                           "89504e470d0a1a0a0000000d4948445200000001000000010"
                                           "8000000003a7e9b550000000a4944415478016360000000020"
                                           "001737501180000000049454e44ae426082}y}")
                             << QByteArray("café\nx\xEF\xBF\xBCy");
        QTest::newRow("rtf after blanks")
            << QStringLiteral("book.RTF") << QByteArray("\r\n {\\rtf1 a\\line b}")
            << QByteArray("a\nb");
        QTest::newRow("rtf named as text")
            << QStringLiteral("book.txt") << QByteArray("{\\rtf1 a}") << QByteArray("{\\rtf1 a}");
        QTest::newRow("plain utf-8")
            << QStringLiteral("book.txt") << QByteArray("one\r\ntwo \xE2\x82\xAC\n")
            << QByteArray("one\ntwo \xE2\x82\xAC\n");
        QTest::newRow("plain 1252")
            << QStringLiteral("book") << QByteArray("caf\xE9") << QByteArray("caf\xC3\xA9");
        QTest::newRow("empty") << QStringLiteral("book.txt") << QByteArray() << QByteArray();
    }

    void textOfRtfAndPlainText()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        QTemporaryDir dir;
        const QString in = dir.filePath(name);
        writeFile(in, input);
        const Result result = run({QStringLiteral("text"), in});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, output);
    }

    // What the reader refuses to show as a book the tool refuses too, with the reader's own
    // words, and prints nothing.
    void textRefusesWhatTheReaderRefuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("input");
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        QTest::newRow("garbage named rtf")
            << QStringLiteral("book.rtf") << QByteArray("garbage \x01\x02 {\\rtf1 late}");
        QTest::newRow("picture named rtf") << QStringLiteral("photo.rtf") << png;
        QTest::newRow("picture") << QStringLiteral("photo.png") << png;
        QTest::newRow("picture named text") << QStringLiteral("photo.txt") << png;
        QTest::newRow("pdf") << QStringLiteral("paper")
                             << QByteArray("%PDF-1.4\n%\xE2\xE3\n1 0 obj");
        QTest::newRow("folder") << QStringLiteral("folder.rtf") << QByteArray();
    }

    void textRefusesWhatTheReaderRefuses()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, input);
        QTemporaryDir dir;
        const QString in = dir.filePath(name);
        if (name.startsWith(QLatin1String("folder"))) {
            QVERIFY(QDir(dir.path()).mkdir(name));
        } else {
            writeFile(in, input);
        }
        RichTextView view;
        QString refusal;
        QVERIFY(!view.LoadFile(in,
                               name.endsWith(QLatin1String("rtf")) ? RichTextView::LoadRtf
                                                                   : RichTextView::LoadPlainText,
                               &refusal));
        const Result result = run({QStringLiteral("text"), in});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(QString::fromUtf8(result.err), QStringLiteral("quillmere-rtf: %1\n").arg(refusal));
    }

    // Kinds the reader shows in other views have no text here.
    void textOfOtherKindsIsRefused()
    {
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("page.html"));
        writeFile(in, "<html><body>Hello</body></html>");
        const Result result = run({QStringLiteral("text"), in});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.out.isEmpty());
        QVERIFY(result.err.contains("another view"));
    }

    void resaveKeepsTheDocument()
    {
        QTemporaryDir dir;
        const QString in = QStringLiteral(QUILLMERE_TEST_DATA "/rtf/word-2016.rtf");
        const QString out = dir.filePath(QStringLiteral("out.rtf"));
        QCOMPARE(run({QStringLiteral("resave"), in, out}).exitCode, 0);
        QTextDocument original;
        QTextDocument resaved;
        QVERIFY(Rtf::read(fileBytes(in), &original));
        QVERIFY(Rtf::read(fileBytes(out), &resaved));
        QCOMPARE(resaved.toRawText(), original.toRawText());
        QCOMPARE(run({QStringLiteral("text"), out}).out, run({QStringLiteral("text"), in}).out);
    }

    // mark and bookmark splice into the book's own bytes: the header, note and styles stay,
    // the mark and the picture read back where they were set, and a second bookmark takes
    // the place of the first.
    void markAndBookmarkKeepTheBook()
    {
        QTemporaryDir dir;
        const QString in = QStringLiteral(QUILLMERE_TEST_DATA "/rtf-books/word-style-book.rtf");
        const QString marked = dir.filePath(QStringLiteral("marked.rtf"));
        const QString once = dir.filePath(QStringLiteral("once.rtf"));
        const QString twice = dir.filePath(QStringLiteral("twice.rtf"));
        QCOMPARE(
            run({QStringLiteral("mark"), in, marked, QStringLiteral("12"), QStringLiteral("7")})
                .exitCode,
            0);
        const QByteArray bytes = fileBytes(marked);
        QVERIFY(bytes.contains("{\\header ") && bytes.contains("{\\footnote "));
        QVERIFY(bytes.contains("\\red128\\green0\\blue0;}"));
        // One colour entry, "{\\cf3 " and "{\\ul " with their closing braces, nothing else.
        QCOMPARE(bytes.size() - fileBytes(in).size(), qsizetype(21 + 6 + 5 + 2));
        QTextDocument document;
        QVERIFY(Rtf::read(bytes, &document));
        QTextCursor cursor(&document);
        cursor.setPosition(13);
        QCOMPARE(cursor.charFormat().foreground().color(), QColor(128, 0, 0));
        QVERIFY(cursor.charFormat().fontUnderline());
        cursor.setPosition(20); // the character after the mark
        QVERIFY(!cursor.charFormat().fontUnderline());

        QCOMPARE(run({QStringLiteral("bookmark"), marked, once, QStringLiteral("30")}).exitCode, 0);
        QCOMPARE(run({QStringLiteral("bookmark"), once, twice, QStringLiteral("50")}).exitCode, 0);
        QVERIFY(Rtf::read(fileBytes(twice), &document));
        const QString text = document.toRawText();
        QCOMPARE(text.count(QChar::ObjectReplacementCharacter), 1);
        QCOMPARE(text.indexOf(QChar::ObjectReplacementCharacter), 49);
        QCOMPARE(fileBytes(twice).size(), fileBytes(once).size());
        QVERIFY(
            !run({QStringLiteral("mark"), in, marked, QStringLiteral("5"), QStringLiteral("99999")})
                 .err.isEmpty());
    }

    void fromTextWritesRtf()
    {
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("book.txt"));
        const QString out = dir.filePath(QStringLiteral("book.rtf"));
        writeFile(in, "Chapter 1\r\n\r\nGr\xFC\xDF"
                      "e {and} \\ back\r\n");
        QCOMPARE(run({QStringLiteral("from-text"), in, out}).exitCode, 0);
        const QByteArray rtf = fileBytes(out);
        QVERIFY(rtf.startsWith("{\\rtf1"));
        QTextDocument document;
        QVERIFY(Rtf::read(rtf, &document));
        QCOMPARE(document.toPlainText(), QStringLiteral("Chapter 1\n\nGrüße {and} \\ back\n"));
    }

    void failuresExitWithOne_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing input")
            << QStringList{QStringLiteral("text"), QStringLiteral("@none")} << QByteArray();
        QTest::newRow("resave of plain text")
            << QStringList{QStringLiteral("resave"), QStringLiteral("@in"), QStringLiteral("@out")}
            << QByteArray("not rtf");
        QTest::newRow("unwritable output")
            << QStringList{QStringLiteral("from-text"), QStringLiteral("@in"),
                           QStringLiteral("/proc/no/such/dir/out.rtf")}
            << QByteArray("text");
        QTest::newRow("unknown command")
            << QStringList{QStringLiteral("print"), QStringLiteral("@in")} << QByteArray("x");
        QTest::newRow("no arguments") << QStringList() << QByteArray();
        QTest::newRow("text of a picture")
            << QStringList{QStringLiteral("text"), QStringLiteral("@in")}
            << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        // Writing it whole would lose its header: the change is refused, not written.
        QTest::newRow("mark of a book nested too deeply")
            << QStringList{QStringLiteral("mark"), QStringLiteral("@in"), QStringLiteral("@out"),
                           QStringLiteral("0"), QStringLiteral("2")}
            << QByteArray("{\\rtf1{\\header H}" + QByteArray(600, '{') + "deep" +
                          QByteArray(600, '}') + "}");
    }

    void failuresExitWithOne()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("in")), content);
        const QString out = dir.filePath(QStringLiteral("out"));
        writeFile(out, "previous");
        for (QString& argument : arguments) {
            if (argument.startsWith(u'@')) {
                argument = dir.filePath(argument.mid(1));
            }
        }
        const Result result = run(arguments);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err.count('\n'), 1);
        QVERIFY(result.err.startsWith("quillmere-rtf: "));
        QCOMPARE(fileBytes(out), QByteArray("previous")); // nothing half-written
    }
};

QUILLMERE_TEST_MAIN(TestRtfTool)
#include "tst_rtf_tool.moc"
