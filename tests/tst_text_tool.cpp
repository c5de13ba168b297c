// quillmere-text: the text of a book of every kind, compared with what the main window holds
// after opening the same book, and the same refusals with the same words.
#include "formats/epub/ChapterText.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/DocumentView.h"
#include "views/EpubSession.h"
#include "views/RichTextView.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QProcess>

namespace {

const QString Tool = QStringLiteral(QUILLMERE_BINARY_DIR "/tools/quillmere-text");
const QString ToolPrefix = QStringLiteral("quillmere-text: ");

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run runTool(const QStringList& arguments)
{
    QProcess process;
    process.start(Tool, arguments);
    Run run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// What the window holds of the open book, in the tool's form.
QString heldByTheWindow(frmMain& window)
{
    switch (window.state().Kind) {
    case BookKind::WordDocument:
        return window.ole1->text();
    case BookKind::Epub:
    case BookKind::Fb2:
    case BookKind::Mobi:
    case BookKind::Docx:
    case BookKind::Odt:
    case BookKind::Markdown:
    case BookKind::Comic: {
        EpubSession* session = window.epubSession();
        QString text;
        for (int chapter = 0; chapter < session->book().chapters().size(); ++chapter) {
            session->showChapter(chapter);
            text += Epub::readableText(*window.txtBook->document()) + QLatin1Char('\n');
        }
        return text;
    }
    default:
        return window.txtBook->heldText();
    }
}

QByteArray png()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestTextTool : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(QFile::exists(Tool), qPrintable(Tool)); }

    void textIsWhatTheWindowHolds_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        // Words of the book's first and last parts, so neither side can be empty or cut short.
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        // clang-format off
        QTest::newRow("plain text") << "lighthouse.txt" << "lighthouse.txt"
            << int(BookKind::PlainText) << "Quiet Lighthouse" << "forty years";
        QTest::newRow("RTF") << "rtf-books/word-style-book.rtf" << "book.RTF"
            << int(BookKind::Rtf) << "" << "";
        QTest::newRow("EPUB, every chapter") << "epub/pandoc-epub3.epub" << "keeper.epub"
            << int(BookKind::Epub) << "The keeper climbed" << "The Storm";
        QTest::newRow("Word document") << "lighthouse.doc" << "lighthouse.doc"
            << int(BookKind::WordDocument) << "Quiet Lighthouse" << "forty years";
        QTest::newRow("FB2") << "books/calibre.fb2" << "harbour.fb2"
            << int(BookKind::Fb2) << "The harbour master walked" << "still as glass";
        QTest::newRow("zipped FB2") << "books/pandoc.fb2.zip" << "harbour.FB2.ZIP"
            << int(BookKind::Fb2) << "The harbour master walked" << "still as glass";
        QTest::newRow("AZW3") << "books/calibre.azw3" << "harbour.azw3"
            << int(BookKind::Mobi) << "The harbour master walked" << "still as glass";
        QTest::newRow("MOBI") << "books/calibre.mobi" << "harbour.mobi"
            << int(BookKind::Mobi) << "The harbour master walked" << "still as glass";
        QTest::newRow("DOCX") << "books/libreoffice.docx" << "tide.docx"
            << int(BookKind::Docx) << "High water came at six" << "the long pull";
        QTest::newRow("ODT") << "books/pandoc.odt" << "harbour.odt"
            << int(BookKind::Odt) << "The harbour master walked" << "still as glass";
        QTest::newRow("flat ODT") << "books/source/tide.fodt" << "tide.fodt"
            << int(BookKind::Odt) << "High water came at six" << "the long pull";
        QTest::newRow("Markdown") << "books/source/shore.md" << "shore.md"
            << int(BookKind::Markdown) << "Рыбаки вышли" << "Последняя строка";
        // Books of other producers; calibre's from HTML holds ruby and a drawing with words.
        QTest::newRow("calibre from HTML") << QStringLiteral("epub/calibre-html.epub") << QStringLiteral("harbour.epub")
            << int(BookKind::Epub) << QStringLiteral("\u6F22(\u304B\u3093)\u5B57(\u3058) were")
            << QStringLiteral("[Pier map]");
        QTest::newRow("calibre from text") << QStringLiteral("epub/calibre-text.epub") << QStringLiteral("log.epub")
            << int(BookKind::Epub) << QStringLiteral("The Harbour Log") << QStringLiteral("net loft");
        QTest::newRow("calibre from DOCX") << QStringLiteral("epub/calibre-docx.epub") << QStringLiteral("notes.epub")
            << int(BookKind::Epub) << QStringLiteral("grey water") << QStringLiteral("shingle");
        QTest::newRow("calibre from ODT") << QStringLiteral("epub/calibre-odt.epub") << QStringLiteral("sheet.epub")
            << int(BookKind::Epub) << QStringLiteral("grey water") << QStringLiteral("shingle");
        QTest::newRow("DocBook XSL") << QStringLiteral("epub/docbook.epub") << QStringLiteral("manual.epub")
            << int(BookKind::Epub) << QStringLiteral("Chapter 1. The Wall") << QStringLiteral("Gull");
        QTest::newRow("Sphinx") << QStringLiteral("epub/sphinx.epub") << QStringLiteral("guide.epub")
            << int(BookKind::Epub) << QStringLiteral("Keep clear of the quay") << QStringLiteral("print(\"gull\")");
        // clang-format on
    }

    void textIsWhatTheWindowHolds()
    {
        QFETCH(QString, data);
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, first);
        QFETCH(QString, last);
        TestAppFolder app;
        const QString path = app.addBookFromData(data, name);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, name));
        QCOMPARE(int(window.state().Kind), kind);
        const QString held = heldByTheWindow(window);
        QVERIFY(!held.trimmed().isEmpty());
        QVERIFY2(held.indexOf(first) < held.lastIndexOf(last) || first.isEmpty(),
                 qPrintable(held.left(200)));

        const Run run = runTool({path});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        QCOMPARE(QString::fromUtf8(run.out), held);
    }

    // What the window refuses to show, the tool refuses with the words the window shows.
    void refusedAsTheWindowRefuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage named rtf") << "book.rtf" << QByteArray("garbage \x01 {\\rtf1 x}");
        QTest::newRow("picture") << "photo.png" << png();
        QTest::newRow("not an EPUB") << "book.epub" << QByteArray("not a zip at all");
        QTest::newRow("not a Word document") << "letter.doc" << QByteArray("just some words");
        QTest::newRow("DOCX not a zip") << "letter.docx" << QByteArray("just some words");
        QTest::newRow("FB2 not XML") << "tale.fb2" << QByteArray("<FictionBook><body>");
        QTest::newRow("MOBI without records") << "book.mobi" << QByteArray(100, '\0');
        QTest::newRow("comic without pages")
            << "strip.cbz" << QByteArray("PK\5\6") + QByteArray(18, '\0');
    }

    void refusedAsTheWindowRefuses()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        TestAppFolder app;
        const QString path = app.addBook(name, content);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, name));
        const auto* message = window.findChild<QLabel*>(QStringLiteral("bookMessage"));
        const QString shown = message->isVisibleTo(&window) ? message->text() : window.ole1->text();

        const Run run = runTool({path});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith(ToolPrefix) && run.err.endsWith(QLatin1Char('\n')),
                 qPrintable(run.err));
        const QString reason = run.err.mid(ToolPrefix.size()).chopped(1);
        QVERIFY2(!reason.isEmpty() && shown.contains(reason),
                 qPrintable(reason + QStringLiteral(" / ") + shown));
    }

    // The web and PDF views show pages and hold no text: the tool says what the book is.
    void pagesWithoutText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("said");
        QTest::newRow("HTML") << "page.html"
                              << "an HTML book";
        QTest::newRow("PDF") << "paper.PDF"
                             << "a PDF book";
    }

    void pagesWithoutText()
    {
        QFETCH(QString, name);
        QFETCH(QString, said);
        TestAppFolder app;
        const Run run = runTool({app.addBook(name, "<p>words</p>")});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
    }
};

QUILLMERE_TEST_MAIN(TestTextTool)
#include "tst_text_tool.moc"
