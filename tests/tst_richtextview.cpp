// The book view: loading, offsets and selection, formats, find, pictures, saving, printing
// and the mouse. Everything runs on real files, a real shown widget and real PDF printing.
#include "formats/rtf/PlainTextDecoder.h"
#include "support/FileBytes.h"
#include "support/PdfText.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/RichTextView.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPlainTextDocumentLayout>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextLayout>

#include <csignal>
#include <sys/resource.h>

namespace {
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

QTextCharFormat formatAt(const RichTextView& view, int offset)
{
    QTextCursor cursor(view.document());
    cursor.setPosition(offset + 1);
    return cursor.charFormat();
}

// The writer is still a placeholder until the RTF codec lands; tests that need real RTF skip.
// Fails every write past the given size in this process, root or not, until it goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};
} // namespace

class TestRichTextView : public QObject
{
    Q_OBJECT
private slots:
    void loadPlainText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x80\x94 na\xc3\xafve\nline two")
                               << QStringLiteral("café — naïve\nline two");
        QTest::newRow("windows-1252")
            << QByteArray("caf\xe9 \x93quoted\x94\n\x80") << QStringLiteral("café “quoted”\n€");
        QTest::newRow("crlf") << QByteArray("one\r\ntwo\r\n\r\nfour")
                              << QStringLiteral("one\ntwo\n\nfour");
    }

    void loadPlainText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(PlainText::decode(bytes), expected);
        QTemporaryDir dir;
        RichTextView view;
        view.setText(QStringLiteral("an older book that must go"));
        QString error;
        QVERIFY(view.LoadFile(writeFile(dir, QStringLiteral("book.txt"), bytes),
                              RichTextView::LoadPlainText, &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(view.text(), expected);
        // One offset per character, one per line end, the caret at the start.
        QCOMPARE(view.characterCount(), int(expected.size()));
        QCOMPARE(view.SelStart(), 0);
        QCOMPARE(view.SelLength(), 0);
        const int lineEnd = int(expected.indexOf(QLatin1Char('\n')));
        view.setSelStart(lineEnd);
        view.setSelLength(1);
        QCOMPARE(view.SelText(), QStringLiteral("\r"));
    }

    void failedLoadLeavesTheViewEmpty_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::newRow("missing file") << "missing.txt" << int(RichTextView::LoadPlainText);
        QTest::newRow("folder") << "" << int(RichTextView::LoadPlainText);
        QTest::newRow("plain text as rtf") << "plain.txt" << int(RichTextView::LoadRtf);
    }

    void failedLoadLeavesTheViewEmpty()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QTemporaryDir dir;
        writeFile(dir, QStringLiteral("plain.txt"), "Just words, no RTF here.\n");
        RichTextView view;
        view.setText(QStringLiteral("the previous book"));
        view.setSelStart(4);
        QString error;
        QVERIFY(!view.LoadFile(dir.filePath(name), RichTextView::LoadKind(kind), &error));
        QVERIFY2(!error.isEmpty(), "a failed load explains itself");
        QCOMPARE(view.text(), QString());
        QCOMPARE(view.characterCount(), 0);
        QCOMPARE(view.SelStart(), 0);
    }

    void setTextEmptiesTheView()
    {
        RichTextView view;
        view.setText(QStringLiteral("some text"));
        view.setSelStart(3);
        view.setText(QString());
        QCOMPARE(view.characterCount(), 0);
        QCOMPARE(view.SelStart(), 0);
        QCOMPARE(view.SelText(), QString());
    }

    void selectionOffsets_data()
    {
        // Text "ab\ncd": offsets a0 b1 end-of-line2 c3 d4, end 5.
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("selText");
        QTest::newRow("one character") << 1 << 1 << 1 << 1 << "b";
        QTest::newRow("paragraph end") << 2 << 1 << 2 << 1 << "\r";
        QTest::newRow("across paragraph end") << 1 << 3 << 1 << 3 << "b\rc";
        QTest::newRow("last character") << 4 << 1 << 4 << 1 << "d";
        QTest::newRow("at the end") << 5 << 1 << 5 << 0 << "";
        QTest::newRow("past the end") << 50 << 1 << 5 << 0 << "";
        QTest::newRow("negative start") << -3 << 2 << 0 << 2 << "ab";
        QTest::newRow("length past the end") << 3 << 99 << 3 << 2 << "cd";
        QTest::newRow("huge length") << 3 << INT_MAX << 3 << 2 << "cd";
        QTest::newRow("whole text") << 0 << 5 << 0 << 5 << "ab\rcd";
    }

    void selectionOffsets()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, selText);
        RichTextView view;
        view.setText(QStringLiteral("ab\ncd"));
        QCOMPARE(view.characterCount(), 5);
        view.setSelStart(start);
        view.setSelLength(length);
        QCOMPARE(view.SelStart(), selStart);
        QCOMPARE(view.SelLength(), selLength);
        QCOMPARE(view.SelText(), selText);
    }

    void setSelStartCollapsesAndScrollsIntoView()
    {
        QString book;
        for (int i = 0; i < 5000; ++i) {
            book += QStringLiteral("Line %1 of a long book\n").arg(i);
        }
        RichTextView view;
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(book);
        view.setSelStart(10);
        view.setSelLength(20);
        const int target = int(book.indexOf(QStringLiteral("Line 4000 ")));
        view.setSelStart(target);
        QCOMPARE(view.SelStart(), target);
        QCOMPARE(view.SelLength(), 0);
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
        QVERIFY(view.cursorForPosition(view.cursorRect().center())
                    .block()
                    .text()
                    .startsWith(QStringLiteral("Line 4000 ")));
        // Back to the top and to the very end.
        view.setSelStart(0);
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
        view.setSelStart(INT_MAX);
        QCOMPARE(view.SelStart(), view.characterCount());
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
        // A match far down is shown too.
        view.setSelStart(0);
        QCOMPARE(view.Find(QStringLiteral("line 4500 "), 0, {}), int(book.indexOf("Line 4500 ")));
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
    }

    void find_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("options");
        QTest::addColumn<int>("found");
        // "The cat and the catalogue.\nA Cat, xcat cat!" offsets: cat 4, catalogue 16,
        // Cat 29, xcat 34 (cat 35), cat 39.
        QTest::newRow("first") << "cat" << 0 << 0 << 4;
        QTest::newRow("from an offset") << "cat" << 5 << 0 << 16;
        QTest::newRow("at the start offset") << "cat" << 16 << 0 << 16;
        QTest::newRow("next paragraph") << "cat" << 17 << 0 << 29;
        QTest::newRow("whole word skips catalogue") << "cat" << 5 << 2 << 29;
        QTest::newRow("match case skips Cat") << "cat" << 17 << 4 << 35;
        QTest::newRow("whole word and case") << "cat" << 17 << 6 << 39;
        QTest::newRow("case upper") << "Cat" << 0 << 4 << 29;
        QTest::newRow("whole word after a near miss") << "cat" << 30 << 2 << 39;
        QTest::newRow("phrase") << "the catalogue" << 0 << 0 << 12;
        QTest::newRow("no wrap") << "The" << 1 << 4 << -1;
        QTest::newRow("not there") << "dog" << 0 << 0 << -1;
        QTest::newRow("past the end") << "cat" << 1000 << 0 << -1;
        QTest::newRow("negative start") << "The" << -7 << 0 << 0;
        QTest::newRow("empty text") << "" << 0 << 0 << -1;
    }

    void find()
    {
        QFETCH(QString, what);
        QFETCH(int, start);
        QFETCH(int, options);
        QFETCH(int, found);
        RichTextView view;
        view.setText(QStringLiteral("The cat and the catalogue.\nA Cat, xcat cat!"));
        view.setSelStart(2);
        view.setSelLength(3);
        QCOMPARE(view.Find(what, start, RichTextView::FindOptions(options)), found);
        if (found >= 0) {
            QCOMPARE(view.SelStart(), found);
            QCOMPARE(view.SelText().compare(what, Qt::CaseInsensitive), 0);
        } else {
            // Nothing found: the selection stays where it was.
            QCOMPARE(view.SelStart(), 2);
            QCOMPARE(view.SelLength(), 3);
        }
    }

    void findOverlappingWholeWord()
    {
        // The first candidate is part of a longer word; the whole-word match right after it
        // overlaps that candidate and must still be found.
        RichTextView view;
        view.setText(QStringLiteral("xa a a"));
        QCOMPARE(view.Find(QStringLiteral("a a"), 0, RichTextView::FindWholeWord), 3);
    }

    void selectionEffects()
    {
        // Colour, bold, italic, underline, strike-through and raised/lowered, as one string.
        auto effects = [](const QTextCharFormat& f) {
            return QStringLiteral("%1 %2%3%4%5 %6")
                .arg(f.foreground().color().name(), f.fontWeight() == QFont::Bold ? "b" : "-",
                     f.fontItalic() ? "i" : "-", f.fontUnderline() ? "u" : "-",
                     f.fontStrikeOut() ? "s" : "-")
                .arg(int(f.verticalAlignment()));
        };
        RichTextView view;
        view.setText(QStringLiteral("plain marked plain"));
        const QString plain = effects(formatAt(view, 0));
        view.setSelStart(6);
        view.setSelLength(6);
        view.setSelColor(QColor(128, 0, 0));
        view.setSelBold(true);
        view.setSelItalic(true);
        view.setSelUnderline(true);
        view.setSelStrikeThru(true);
        view.setSelCharOffset(3);
        const QString marked =
            QStringLiteral("#800000 bius %1").arg(QTextCharFormat::AlignSuperScript);
        QCOMPARE(effects(formatAt(view, 6)), marked);
        QCOMPARE(effects(formatAt(view, 11)), marked);
        QCOMPARE(effects(formatAt(view, 5)), plain);
        QCOMPARE(effects(formatAt(view, 12)), plain);
        view.setSelCharOffset(-2);
        QCOMPARE(formatAt(view, 8).verticalAlignment(), QTextCharFormat::AlignSubScript);
        // Switching everything off again, as erasing and a fresh load do.
        view.setSelColor(Qt::black);
        view.setSelBold(false);
        view.setSelItalic(false);
        view.setSelUnderline(false);
        view.setSelStrikeThru(false);
        view.setSelCharOffset(0);
        QCOMPARE(effects(formatAt(view, 8)), QStringLiteral("#000000 ---- 0"));
        QCOMPARE(view.text(), QStringLiteral("plain marked plain"));
    }

    void effectsWithoutSelectionSetTheCaretFormat()
    {
        RichTextView view;
        view.setText(QStringLiteral("abc"));
        view.setSelStart(1);
        view.setSelBold(true);
        view.setSelColor(Qt::red);
        QCOMPARE(view.SelLength(), 0);
        QCOMPARE(view.currentCharFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(view.currentCharFormat().foreground().color(), QColor(Qt::red));
        // No character changed.
        for (int offset = 0; offset < 3; ++offset) {
            QVERIFY(formatAt(view, offset).fontWeight() != QFont::Bold);
        }
    }

    void fontSizeAppliesToTextWithoutSizeOfItsOwn()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("book.txt"), "First line\nSecond\n");
        RichTextView view;
        view.resize(500, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setFontSize(10);
        QVERIFY(view.LoadFile(path, RichTextView::LoadPlainText));
        // A run that names its own size, as an RTF book's text does.
        QTextCursor cursor(view.document()->lastBlock());
        cursor.movePosition(QTextCursor::EndOfBlock);
        QTextCharFormat own;
        own.setFontPointSize(30);
        cursor.insertText(QStringLiteral("Sized"), own);
        auto lineHeight = [&](int blockNumber) {
            const QTextBlock block = view.document()->findBlockByNumber(blockNumber);
            return view.document()->documentLayout()->blockBoundingRect(block).height();
        };
        const qreal small = lineHeight(0);
        const qreal sized = lineHeight(2);
        view.setFontSize(20);
        QCOMPARE(view.fontSize(), 20);
        QCOMPARE(view.document()->defaultFont().pointSize(), 20);
        QVERIFY2(lineHeight(0) > small * 1.5, "plain text follows the base size");
        QCOMPARE(lineHeight(2), sized);
        // A later load keeps the base size.
        QVERIFY(view.LoadFile(path, RichTextView::LoadPlainText));
        QCOMPARE(view.document()->defaultFont().pointSize(), 20);
        QVERIFY(lineHeight(0) > small * 1.5);
        // Sizes the view cannot take are brought into range.
        view.setFontSize(0);
        QCOMPARE(view.fontSize(), FontSizePolicy::Default);
        view.setFontSize(100000);
        QCOMPARE(view.fontSize(), FontSizePolicy::Largest);
    }

    void typingDoesNotChangeTheBook()
    {
        RichTextView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(QStringLiteral("Keep this text"));
        view.setFocus();
        view.setSelStart(5);
        QTest::keyClicks(&view, QStringLiteral("typed"));
        QTest::keyClick(&view, Qt::Key_Backspace);
        QTest::keyClick(&view, Qt::Key_Delete);
        QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(view.text(), QStringLiteral("Keep this text"));
        // The keyboard still moves the caret and selects.
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(view.SelText(), QStringLiteral("th"));
        QVERIFY(!view.document()->isUndoRedoEnabled());
    }

    void pictureIsOneCharacter()
    {
        RichTextView view;
        view.setText(QStringLiteral("before after"));
        view.setSelStart(7);
        view.setSelLength(2);
        QVERIFY(view.AddPicture(QStringLiteral(QUILLMERE_APPDATA "/bookmark.bmp")));
        QCOMPARE(view.characterCount(), 13);
        QCOMPARE(view.SelStart(), 8);
        QCOMPARE(view.SelLength(), 0);
        QVERIFY(view.isPictureAt(7));
        QVERIFY(!view.isPictureAt(6));
        QVERIFY(!view.isPictureAt(8));
        QVERIFY(!view.isPictureAt(-1));
        QVERIFY(!view.isPictureAt(1000));
        view.setSelStart(7);
        view.setSelLength(1);
        QCOMPARE(view.SelText(), QString(QChar::ObjectReplacementCharacter));
        // Deleting the one character removes the picture and nothing else.
        view.setSelText(QString());
        QCOMPARE(view.text(), QStringLiteral("before after"));
        QVERIFY(!view.isPictureAt(7));
        QVERIFY(!view.AddPicture(QStringLiteral("/no/such/picture.bmp")));
        QCOMPARE(view.characterCount(), 12);
        // A picture that came with the book is a picture, but not the program's own.
        view.document()->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("fig1")),
                                     QImage(4, 4, QImage::Format_RGB32));
        QTextImageFormat format;
        format.setName(QStringLiteral("fig1"));
        QTextCursor(view.document()).insertImage(format);
        QCOMPARE(view.SelText(), QString()); // the selection went with the deleted picture
        QVERIFY(!view.isPictureAt(0));
    }

    // A paragraph whose text changes drops the lines laid out for its old text at once: the
    // cursor that takes a bookmark picture out of a justified paragraph on screen reads its
    // lines right away, and old lines reach past the end of the new text (a crash).
    void aChangedParagraphKeepsNoOldLines()
    {
        QTemporaryDir dir;
        QByteArray words;
        for (int i = 0; i < 60; ++i) {
            words += "justified words ";
        }
        const QString path =
            writeFile(dir, QStringLiteral("book.rtf"), "{\\rtf1\\qj " + words + "\\par}");
        RichTextView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.LoadFile(path, RichTextView::LoadRtf));
        view.setSelStart(40);
        QVERIFY(view.AddPicture(QStringLiteral(QUILLMERE_APPDATA "/bookmark.bmp")));
        view.setSelStart(40);
        view.viewport()->repaint();
        const QTextBlock block = view.document()->findBlock(40);
        QVERIFY(block.layout()->lineCount() > 2);
        // Taken out as setSelText does, and looked at before anything lays the view out anew.
        QTextCursor cursor(view.document());
        cursor.setPosition(40);
        cursor.setPosition(41, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            QVERIFY(line.textStart() + line.textLength() <= block.text().size());
        }
        QCOMPARE(view.text(), QString::fromLatin1(words));
    }

    void formatsAndPicturesAreDrawn()
    {
        QTemporaryDir dir;
        QImage magenta(24, 24, QImage::Format_RGB32);
        magenta.fill(QColor(255, 0, 255));
        const QString path = dir.filePath(QStringLiteral("mark.png"));
        QVERIFY(magenta.save(path));
        RichTextView view;
        view.resize(300, 200);
        view.setFontSize(20);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(QStringLiteral("text with a mark MMMM"));
        auto pixelsOf = [&](const QColor& colour) {
            const QImage shot = view.viewport()->grab().toImage();
            int count = 0;
            for (int y = 0; y < shot.height(); ++y) {
                for (int x = 0; x < shot.width(); ++x) {
                    count += shot.pixelColor(x, y) == colour;
                }
            }
            return count;
        };
        const QColor green(0, 160, 0);
        QCOMPARE(pixelsOf(QColor(255, 0, 255)), 0);
        QCOMPARE(pixelsOf(green), 0);
        view.setSelStart(17);
        view.setSelLength(4);
        view.setSelColor(green);
        view.setSelStart(5);
        QVERIFY(view.AddPicture(path));
        QTRY_VERIFY(pixelsOf(QColor(255, 0, 255)) >= 20 * 20);
        QVERIFY2(pixelsOf(green) > 20, "coloured text is shown in its colour");
    }

    void rtfRoundTrip()
    {
        QTemporaryDir dir;
        RichTextView view;
        view.setText(QStringLiteral("Plain start, red words, end.\nSecond paragraph."));
        view.setSelStart(13);
        view.setSelLength(9);
        view.setSelColor(QColor(128, 0, 0));
        view.setSelUnderline(true);
        view.setSelStart(4);
        QVERIFY(view.AddPicture(QStringLiteral(QUILLMERE_APPDATA "/bookmark.bmp")));
        const QString text = view.text();
        const QString path = dir.filePath(QStringLiteral("book.rtf"));
        QString error;
        QVERIFY2(view.SaveFile(path, &error), qPrintable(error));
        QVERIFY(fileBytes(path).startsWith("{\\rtf"));

        RichTextView reopened;
        QVERIFY2(reopened.LoadFile(path, RichTextView::LoadRtf, &error), qPrintable(error));
        QCOMPARE(reopened.text(), text);
        QVERIFY(reopened.isPictureAt(4));
        QCOMPARE(formatAt(reopened, 15).foreground().color(), QColor(128, 0, 0));
        QVERIFY(formatAt(reopened, 15).fontUnderline());
        QVERIFY(!formatAt(reopened, 2).fontUnderline());

        // The selection as RTF holds just the selection.
        reopened.setSelStart(14);
        reopened.setSelLength(9);
        const QString selected = reopened.SelText();
        const QString part = writeFile(dir, QStringLiteral("part.rtf"), reopened.SelRTF());
        RichTextView pasted;
        QVERIFY(pasted.LoadFile(part, RichTextView::LoadRtf));
        QCOMPARE(pasted.text(), selected);
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("disk full") << false;
    }

    void failedSaveKeepsTheOldFile()
    {
        QFETCH(bool, readOnlyFolder);
        QTemporaryDir dir;
        const QByteArray old = "{\\rtf1 the old book}";
        const QString path = writeFile(dir, QStringLiteral("book.rtf"), old);
        RichTextView view;
        view.setText(QString(20000, QLatin1Char('x')));
        QString error;
        bool saved = false;
        if (readOnlyFolder) {
            QVERIFY(
                QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            QFile probe(dir.filePath(QStringLiteral("probe")));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
                QSKIP("this user may write into read-only folders");
            }
            saved = view.SaveFile(path, &error);
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        } else {
            FileSizeLimit limit(4096);
            saved = view.SaveFile(path, &error);
        }
        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileBytes(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("book.rtf")});
    }

    void selPrint_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QStringList>("notPrinted");
        QTest::addColumn<int>("pictures");
        const QString text = QStringLiteral("Alpha opening\nBravo middle\nCharlie closing");
        QTest::newRow("selection")
            << int(text.indexOf(QStringLiteral("Bravo"))) << 12
            << QStringList{QStringLiteral("Bravo middle")}
            << QStringList{QStringLiteral("Alpha"), QStringLiteral("Charlie")} << 0;
        QTest::newRow("whole document")
            << 5 << 0
            << QStringList{QStringLiteral("Alpha opening"), QStringLiteral("Bravo middle"),
                           QStringLiteral("Charlie closing")}
            << QStringList() << 1;
    }

    void selPrint()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QStringList, printed);
        QFETCH(QStringList, notPrinted);
        QFETCH(int, pictures);
        QTemporaryDir dir;
        RichTextView view;
        view.setText(QStringLiteral("Alpha opening\nBravo middle\nCharlie closing"));
        view.setSelStart(0);
        QVERIFY(view.AddPicture(QStringLiteral(QUILLMERE_APPDATA "/bookmark.bmp")));
        view.setSelStart(start + 1);
        view.setSelLength(length);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(view.SelPrint(&printer));
        const QString text = pdfText(pdf);
        for (const QString& words : printed) {
            QVERIFY2(text.contains(words), qPrintable(text));
        }
        for (const QString& words : notPrinted) {
            QVERIFY2(!text.contains(words), qPrintable(text));
        }
        // The bookmark picture at the start is printed with the whole document only.
        QProcess images;
        images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        QVERIFY(images.waitForFinished(30000));
        const QStringList rows = QString::fromUtf8(images.readAllStandardOutput())
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(rows.size() - 2, pictures); // two header lines
        // Printing leaves the view as it was.
        QCOMPARE(view.SelStart(), start + 1);
        QCOMPARE(view.SelLength(), length);
    }

    void mouseDownReportsTheButton()
    {
        RichTextView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(QStringLiteral("click me"));
        QSignalSpy spy(&view, &RichTextView::mouseDown);
        QTest::mouseClick(view.viewport(), Qt::RightButton, {}, QPoint(20, 10));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(30, 12));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
        QCOMPARE(spy.at(0).at(1).toPoint(), QPoint(20, 10));
        QCOMPARE(spy.at(1).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
        // The view has no menu of its own on the right button: the main window's shows.
        QCOMPARE(view.contextMenuPolicy(), Qt::PreventContextMenu);
    }
};

QUILLMERE_TEST_MAIN(TestRichTextView)
#include "tst_richtextview.moc"
