// Decoding plain-text books: byte order marks, every encoding users meet, line ends, binary files.
#include "formats/rtf/PlainTextDecoder.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/MarkColor.h"
#include "views/RichTextView.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextLayout>

namespace {
QByteArray encodingFile(const QString& name)
{
    QFile file(QStringLiteral(QUILLMERE_TEST_DATA "/encodings/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestPlainText : public QObject
{
    Q_OBJECT
private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("ascii") << QByteArray("plain text") << QStringLiteral("plain text");
        QTest::newRow("utf-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC")
                               << QStringLiteral("café €");
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBFok\xC3\xA9") << QStringLiteral("oké");
        QTest::newRow("utf-16 le bom") << QByteArray("\xFF\xFE"
                                                     "a\0\xAC\x20\n\0",
                                                     8)
                                       << QStringLiteral("a€\n");
        QTest::newRow("utf-16 be bom")
            << QByteArray("\xFE\xFF\0a\x20\xAC\0\r\0\n", 10) << QStringLiteral("a€\n");
        QTest::newRow("invalid utf-8 is 1252")
            << QByteArray("caf\xE9 \x93quoted\x94 \x80") << QStringLiteral("café “quoted” €");
        // UTF-8 with one stray byte stays UTF-8: only that byte is lost.
        QTest::newRow("one bad byte stays one")
            << QByteArray("\xC3\xA9 then \xFF") << QStringLiteral("é then \uFFFD");
        QTest::newRow("unassigned 1252") << QByteArray("a\x81\x8D\x8F\x90\x9Dz")
                                         << QStringLiteral("a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n");
        QTest::newRow("cr") << QByteArray("a\rb\r\rc") << QStringLiteral("a\nb\n\nc");
        QTest::newRow("lf") << QByteArray("a\nb\n\n") << QStringLiteral("a\nb\n\n");
        QTest::newRow("mixed") << QByteArray("a\r\n\rb\n\r\nc") << QStringLiteral("a\n\nb\n\nc");
        QTest::newRow("lf cr is two") << QByteArray("a\n\rb") << QStringLiteral("a\n\nb");
        QTest::newRow("nul") << QByteArray("a\0b\0\0c", 6)
                             << QStringLiteral("a\uFFFDb\uFFFD\uFFFDc");
        QTest::newRow("controls") << QByteArray("\x01\t\x1B\x7F")
                                  << QStringLiteral("\uFFFD\t\uFFFD\uFFFD");
        QTest::newRow("frame markers")
            << QByteArray("\xEF\xB7\x90x\xEF\xB7\x91") << QStringLiteral("\uFFFDx\uFFFD");
        QTest::newRow("utf-16 odd length") << QByteArray("\xFF\xFE"
                                                         "a\0b",
                                                         5)
                                           << QStringLiteral("a\uFFFD");
    }

    void decode()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        QCOMPARE(PlainText::decode(data), text);
    }

    void binaryKeepsOneCharacterPerByte()
    {
        // Not valid UTF-8: every byte is one character, line ends aside.
        QByteArray data;
        QRandomGenerator random(7);
        for (int i = 0; i < 100000; ++i) {
            char c = char(random.bounded(256));
            data.append(c == '\r' || c == '\n' ? 'x' : c);
        }
        data.append('\xFF');
        const QString text = PlainText::decode(data);
        QCOMPARE(text.size(), data.size());
        for (const QChar c : text) {
            QVERIFY(c.unicode() >= 0x20 || c == u'\t');
        }
    }

    void everyBookShowsInItsOwnScript_data()
    {
        QTest::addColumn<QString>("name");
        const QDir dir(QStringLiteral(QUILLMERE_TEST_DATA "/encodings"));
        const QStringList files = dir.entryList(QDir::Files);
        for (const QString& file : files) {
            if (!file.endsWith(QLatin1String(".txt")) && file != QLatin1String("README")) {
                QTest::newRow(qPrintable(file)) << file;
            }
        }
        QVERIFY(files.size() > 20);
    }

    void everyBookShowsInItsOwnScript()
    {
        QFETCH(QString, name);
        const QString text = QString::fromUtf8(encodingFile(name.section(u'.', 0, 0) + ".txt"));
        QVERIFY(!text.isEmpty());
        const PlainText::Book book = PlainText::decodeBook(encodingFile(name));
        QVERIFY(!book.binary);
        QCOMPARE(book.text, text);
        QVERIFY2(!book.replacedBytes, book.encoding.constData());
    }

    // One stray byte costs one character, not every accented letter of the book.
    void aStrayByteInUtf8StaysUtf8()
    {
        QByteArray bytes = encodingFile(QStringLiteral("french.txt"));
        const qsizetype at = bytes.indexOf("crépuscule");
        QVERIFY(at > 0);
        bytes[at] = '\xE9'; // a Latin-1 byte where UTF-8 was expected
        const PlainText::Book book = PlainText::decodeBook(bytes);
        QCOMPARE(book.encoding, QByteArray("UTF-8"));
        QVERIFY(book.replacedBytes);
        QString expected = QString::fromUtf8(encodingFile(QStringLiteral("french.txt")));
        expected.replace(expected.indexOf(u"crépuscule"), 1, QChar(0xFFFD));
        QCOMPARE(book.text, expected);
    }

    void binaryFilesAreNotText_data()
    {
        QTest::addColumn<QByteArray>("data");
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        QTest::newRow("png") << png;
        QTest::newRow("pdf") << QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj");
        QTest::newRow("zip") << QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
        QByteArray noise(4096, 0);
        for (char& c : noise) {
            c = char(QRandomGenerator::global()->bounded(256));
        }
        noise[0] = 'x'; // no signature: the control bytes tell
        QTest::newRow("noise") << noise;
    }

    void binaryFilesAreNotText()
    {
        QFETCH(QByteArray, data);
        QVERIFY(PlainText::decodeBook(data).binary);
    }

    // A text with a form feed, an escape and one NUL is still a text.
    void aFewControlBytesAreStillText()
    {
        QByteArray bytes = encodingFile(QStringLiteral("french.txt"));
        bytes.insert(40, '\f');
        bytes.insert(80, '\x1B');
        bytes.insert(120, '\0');
        const PlainText::Book book = PlainText::decodeBook(bytes);
        QVERIFY(!book.binary);
        QCOMPARE(book.encoding, QByteArray("UTF-8"));
    }

    // A Windows-1251 book shows in Cyrillic in the view, and marks convert it as before.
    void aRussianBookOpensInCyrillic()
    {
        RichTextView view;
        const QString path = QStringLiteral(QUILLMERE_TEST_DATA "/encodings/russian.koi8r");
        QVERIFY(view.LoadFile(path, RichTextView::LoadPlainText));
        QVERIFY(view.text().startsWith(QStringLiteral("Смотритель маяка")));
        QVERIFY(view.marksRefusal().isEmpty());
    }

    // A picture named .txt is refused with its kind named; nothing of it is shown as text.
    void aBinaryFileIsRefusedWithItsKind()
    {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::blue);
        TestAppFolder app;
        const QString path = app.booksPath() + QStringLiteral("Photo.txt");
        QVERIFY(image.save(path, "PNG"));
        RichTextView view;
        QString error;
        QVERIFY(!view.LoadFile(path, RichTextView::LoadPlainText, &error));
        QVERIFY2(error.contains(QStringLiteral("PNG picture")), qPrintable(error));
        QCOMPARE(view.characterCount(), 0);
    }

    // A book whose bytes did not all decode takes no mark: the red pen says why, and the
    // file is neither converted nor deleted.
    void theRedPenLeavesAMisDecodedBookAlone()
    {
        TestAppFolder app;
        QByteArray bytes = encodingFile(QStringLiteral("french.txt"));
        bytes[bytes.indexOf("crépuscule") + 3] = '\xE9';
        const QString path = app.addBook(QStringLiteral("Phare.txt"), bytes);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Phare.txt")));
        QVERIFY(window.txtBook->text().contains(QStringLiteral("gardien du phare")));
        QVERIFY(!window.txtBook->marksRefusal().isEmpty());
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        window.txtBook->setSelStart(4);
        window.txtBook->setSelLength(7);
        window.HighlightIt();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.contains(QStringLiteral("cannot keep marks")));
        QCOMPARE(QDir(app.booksPath()).entryList(QDir::Files), QStringList{"Phare.txt"});
        QCOMPARE(app.readFile(path), bytes);
        // Nor does a bookmark convert it.
        MessageBox::clearShown();
        window.state().ChangesPending = true;
        window.SaveChanges();
        QCOMPARE(QDir(app.booksPath()).entryList(QDir::Files), QStringList{"Phare.txt"});
        QCOMPARE(app.readFile(path), bytes);
    }

    // A hard-wrapped book is read as paragraphs of joined lines: every line still starts a
    // line on screen, every character keeps its offset, no paragraph outgrows the limit, and a
    // mark set in the middle of a paragraph is where it was once the book is RTF.
    void wrappedLinesJoinIntoParagraphsAtTheSameOffsets()
    {
        QString text;
        QList<int> paragraphLines;
        for (const int lines : {3, 1, 200, 7, 64, 65}) {
            paragraphLines.append(lines);
            for (int l = 0; l < lines; ++l) {
                text += QStringLiteral("Line %1 of a paragraph of %2 lines.\n").arg(l).arg(lines);
            }
            text += lines == 7 ? QStringLiteral("\n\n\n") : QStringLiteral("\n");
        }
        text += QStringLiteral("The last line has no end");
        TestAppFolder app;
        app.addBook(QStringLiteral("Wrapped.txt"), text.toUtf8().replace("\n", "\r\n"));
        frmMain window(app.path());
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(Driver::clickNode(window, QStringLiteral("Wrapped.txt")));
        RichTextView* view = window.txtBook;
        QCOMPARE(view->text(), text);
        QCOMPARE(view->characterCount(), int(text.size()));

        // Paragraphs of 3, 1, 64+64+64+8, 7, 64 and 64+1 lines, eight blank lines, the last line.
        int blocks = 0;
        for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
            ++blocks;
            const int lines = int(block.text().count(QChar::LineSeparator)) + 1;
            QVERIFY2(lines <= PlainText::MaxJoinedLines, qPrintable(block.text().left(40)));
        }
        QCOMPARE(blocks, 1 + 1 + 4 + 1 + 1 + 2 + 8 + 1);

        // On screen each line of the text is a line of its own.
        const int wide = int(text.indexOf(QStringLiteral("Line 10 of a paragraph of 200")));
        view->setSelStart(wide);
        QCoreApplication::processEvents();
        view->viewport()->grab();
        const QTextBlock shown = view->document()->findBlock(wide);
        QVERIFY(shown.layout()->lineCount() >= 64);
        QCOMPARE(view->cursorRect().left(),
                 view->cursorRect(QTextCursor(view->document()->findBlock(0))).left());

        // A mark in the middle of a paragraph: the book becomes RTF with the same text.
        const int word = wide + int(QStringLiteral("Line 10 of a ").size());
        view->setSelStart(word);
        view->setSelLength(9);
        QCOMPARE(view->SelText(), QStringLiteral("paragraph"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        window.HighlightIt();
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("Wrapped.rtf"));
        QVERIFY(Driver::clickNode(window, QStringLiteral("Wrapped.rtf")));
        QCOMPARE(window.txtBook->text(), text);
        QTextCursor marked(window.txtBook->document());
        marked.setPosition(word + 1);
        QCOMPARE(marked.charFormat().foreground().color(), MarkColor);
        marked.setPosition(word);
        QVERIFY(marked.charFormat().foreground().color() != MarkColor);
    }
};

QUILLMERE_TEST_MAIN(TestPlainText)
#include "tst_plain_text.moc"
