// Reading comfort: themes, zoom, the comfortable column, the find bar, full screen and the
// usual shortcuts, on real books loaded into a real reading pane.
#include "core/ViewSettings.h"
#include "mainwindow/ViewCommands.h"
#include "mainwindow/frmMain.h"
#include "support/EpubFiles.h"
#include "support/MainWindowDriver.h"
#include "support/PdfBooks.h"
#include "support/PdfText.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/LibraryTree.h"
#include "views/EpubSession.h"
#include "views/FindBar.h"
#include "views/PdfView.h"
#include "views/PrintDialog.h"
#include "views/ReadingLook.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/ThemeColours.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolButton>
#include <QWheelEvent>
#include <QWidget>

namespace {
// A plain-text book of numbered lines, every tenth holding "apple".
QByteArray numberedLines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i) {
        text += "Line " + QByteArray::number(i) + " of the book";
        if (i % 10 == 0) {
            text += " with an apple";
        }
        text += "\r\n";
    }
    return text;
}

// An RTF book of paragraphs, some in the red of a red-pen mark.
QByteArray markedRtf(int paragraphs)
{
    QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Serif;}}{\\colortbl;\\red128\\green0\\blue0;}\\f0 ";
    for (int i = 1; i <= paragraphs; ++i) {
        rtf += "Paragraph " + QByteArray::number(i) +
               " plain words, then {\\cf1\\ul marked words in red} and more plain words.\\par\n";
    }
    return rtf + "}";
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList epubChapters(int count, int linesEach)
{
    QStringList chapters;
    for (int c = 1; c <= count; ++c) {
        QString body = QStringLiteral("<h1>Chapter %1</h1>").arg(c);
        for (int i = 1; i <= linesEach; ++i) {
            body += QStringLiteral("<p>Chapter %1 line %2 of the story.</p>").arg(c).arg(i);
        }
        chapters << body;
    }
    return chapters;
}

// How much of an image is dark, light, and in a clearly red hue.
struct Tones
{
    double dark = 0;
    double light = 0;
    int red = 0;
};

Tones tonesOf(const QImage& image)
{
    Tones tones;
    qint64 dark = 0;
    qint64 light = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int l = c.lightness();
            dark += l < 60;
            light += l > 150;
            tones.red +=
                c.red() > 120 && c.red() > 2 * c.green() + 30 && c.red() > 2 * c.blue() + 30;
        }
    }
    const double all = double(image.width()) * image.height();
    tones.dark = dark / all;
    tones.light = light / all;
    return tones;
}

// Pages saying hello, the even ones twice.
bool writePdf(const QString& path, int pages)
{
    QStringList texts;
    for (int page = 1; page <= pages; ++page) {
        texts << QStringLiteral("Page %1 says hello").arg(page) +
                     (page % 2 == 0 ? QStringLiteral("\nAn even page says hello again")
                                    : QString());
    }
    return PdfBooks::write(path, texts);
}

// A reading pane with its look and find bar, as the main window holds them.
struct Pane
{
    QWidget client;
    ReaderState state;
    ReadingPane pane;
    ReadingLook look;
    FindBar findBar;

    explicit Pane(const QString& records, const ViewSettings& settings = ViewSettings())
        : pane(state, &client), look(pane, settings), findBar(pane, &client)
    {
        client.resize(900, 700);
        pane.attachEpubSession(records, nullptr, false);
        client.show();
        pane.fitToClient();
    }
};

int topPosition(RichTextView* view)
{
    // A pixel below the top, so that the end of a line above does not count.
    return view->cursorForPosition(QPoint(0, 1)).position();
}

// Scrolls the line holding offset to the top of the view.
void scrollToOffset(RichTextView* view, int offset)
{
    QTextCursor cursor(view->document());
    cursor.setPosition(offset);
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->value() + view->cursorRect(cursor).top() + 1);
}

int offsetOf(RichTextView* view, const QString& text)
{
    return int(view->document()->toPlainText().indexOf(text));
}

// The text line holding a position (a plain-text book's lines are one paragraph).
QString lineAt(RichTextView* view, int position)
{
    const QString text = view->document()->toPlainText();
    const qsizetype start = text.lastIndexOf(QLatin1Char('\n'), qMax(0, position - 1)) + 1;
    qsizetype end = text.indexOf(QLatin1Char('\n'), position);
    return text.mid(start, (end < 0 ? text.size() : end) - start);
}
} // namespace

class TestReadingComfort : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Writes the book of a kind and opens it in the pane.
    bool openBook(Pane& p, const QString& kind)
    {
        QString error;
        if (kind == QLatin1String("plain text")) {
            return writeFile(path(QStringLiteral("lines.txt")), numberedLines(2000)) &&
                   p.pane.open(path(QStringLiteral("lines.txt")), BookKind::PlainText, &error);
        }
        if (kind == QLatin1String("RTF")) {
            return writeFile(path(QStringLiteral("marked.rtf")), markedRtf(400)) &&
                   p.pane.open(path(QStringLiteral("marked.rtf")), BookKind::Rtf, &error);
        }
        return EpubFiles::write(path(QStringLiteral("story.epub")), QStringLiteral("Story"),
                                epubChapters(3, 300)) &&
               p.pane.open(path(QStringLiteral("story.epub")), BookKind::Epub, &error);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init()
    {
        // Each test starts from settings never changed.
        QSettings().remove(QStringLiteral("View"));
    }

    void bookColoursStayReadable_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("theme");
        QTest::addColumn<bool>("kept");
        QTest::newRow("mark red on night")
            << QColor(128, 0, 0) << int(ReadingTheme::Night) << false;
        QTest::newRow("black on night") << QColor(Qt::black) << int(ReadingTheme::Night) << false;
        QTest::newRow("navy link on night")
            << QColor(0, 0, 128) << int(ReadingTheme::Night) << false;
        QTest::newRow("white on night") << QColor(Qt::white) << int(ReadingTheme::Night) << true;
        QTest::newRow("yellow on sepia")
            << QColor(255, 255, 0) << int(ReadingTheme::Sepia) << false;
        QTest::newRow("mark red on sepia") << QColor(128, 0, 0) << int(ReadingTheme::Sepia) << true;
    }

    void bookColoursStayReadable()
    {
        QFETCH(QColor, colour);
        QFETCH(int, theme);
        QFETCH(bool, kept);
        const ThemeColours colours = ThemeColours::of(ReadingTheme(theme));
        const QColor shown = ReadableColour::against(colour, colours.background);
        QVERIFY(ReadableColour::contrast(shown, colours.background) >=
                ReadableColour::MinimumContrast);
        QCOMPARE(shown == colour, kept);
        if (colour.hslSaturation() > 0 && !kept) {
            // The hue stays: a red mark is still red, a blue link still blue.
            QVERIFY(qAbs(shown.hslHue() - colour.hslHue()) <= 3);
        }
    }

    void settingsAreKeptAndBroughtIntoRange()
    {
        ViewSettings fresh = ViewSettings::load();
        QCOMPARE(fresh.theme, ReadingTheme::Day);
        QVERIFY(fresh.comfortableWidth);
        QCOMPARE(fresh.zoom(BookKind::Pdf), 100);

        fresh.theme = ReadingTheme::Sepia;
        fresh.comfortableWidth = false;
        fresh.setZoom(BookKind::Epub, 150);
        fresh.setZoom(BookKind::Html, 9999);
        fresh.save();
        const ViewSettings read = ViewSettings::load();
        QCOMPARE(read.theme, ReadingTheme::Sepia);
        QVERIFY(!read.comfortableWidth);
        QCOMPARE(read.zoom(BookKind::Epub), 150);
        QCOMPARE(read.zoom(BookKind::Html), ViewSettings::LargestZoom);
        // A kind never zoomed keeps the default, and a refused book shares plain text's.
        QCOMPARE(read.zoom(BookKind::Rtf), 100);
        QCOMPARE(read.zoom(BookKind::Refused), read.zoom(BookKind::PlainText));

        QSettings store;
        store.setValue(QStringLiteral("View/Theme"), QStringLiteral("purple"));
        store.setValue(QStringLiteral("View/LineSpacing"), 5000);
        store.setValue(QStringLiteral("View/Zoom/Pdf"), QStringLiteral("lots"));
        store.sync();
        const ViewSettings odd = ViewSettings::load();
        QCOMPARE(odd.theme, ReadingTheme::Day);
        QCOMPARE(odd.lineSpacing, ViewSettings::LargestLineSpacing);
        QCOMPARE(odd.zoom(BookKind::Pdf), 100);

        QCOMPARE(ViewSettings::zoomedIn(100), 110);
        QCOMPARE(ViewSettings::zoomedOut(100), 90);
        QCOMPARE(ViewSettings::zoomedIn(ViewSettings::LargestZoom), ViewSettings::LargestZoom);
        QCOMPARE(ViewSettings::zoomedOut(ViewSettings::SmallestZoom), ViewSettings::SmallestZoom);
        QCOMPARE(ViewSettings::zoomedIn(104), 110); // off the steps: to the next one
    }

    void nightIsDarkWithTheMarkStillRed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("plain text") << QStringLiteral("plain text");
        QTest::newRow("RTF") << QStringLiteral("RTF");
        QTest::newRow("EPUB") << QStringLiteral("EPUB");
    }

    void nightIsDarkWithTheMarkStillRed()
    {
        QFETCH(QString, kind);
        Pane p(path(QStringLiteral("records")));
        QVERIFY(openBook(p, kind));
        RichTextView* view = p.pane.text();
        const Tones day = tonesOf(view->grab().toImage());
        QVERIFY2(day.light > 0.8, qPrintable(QString::number(day.light)));

        p.look.setTheme(ReadingTheme::Night);
        const Tones night = tonesOf(view->grab().toImage());
        QVERIFY2(night.dark > 0.8, qPrintable(QString::number(night.dark)));
        // Light text on the dark background.
        QVERIFY2(night.light > 0.01, qPrintable(QString::number(night.light)));
        if (kind == QLatin1String("RTF")) {
            QVERIFY(day.red > 200);
            QVERIFY2(night.red > 200, qPrintable(QString::number(night.red)));
        }
        // The theme is shown only: the book's own colours are not changed.
        if (kind == QLatin1String("RTF")) {
            QTextCursor cursor(view->document());
            const int red = view->document()->toPlainText().indexOf(QLatin1String("marked"));
            cursor.setPosition(red + 1);
            QCOMPARE(cursor.charFormat().foreground().color(), QColor(128, 0, 0));
        }
        QCOMPARE(ViewSettings::load().theme, ReadingTheme::Night);
    }

    void zoomKeepsTheFirstLine_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("plain text") << QStringLiteral("plain text");
        QTest::newRow("RTF") << QStringLiteral("RTF");
        QTest::newRow("EPUB") << QStringLiteral("EPUB");
    }

    void zoomKeepsTheFirstLine()
    {
        QFETCH(QString, kind);
        Pane p(path(QStringLiteral("records")));
        QVERIFY(openBook(p, kind));
        RichTextView* view = p.pane.text();
        const QString target = kind == QLatin1String("EPUB")  ? QStringLiteral("line 150 ")
                               : kind == QLatin1String("RTF") ? QStringLiteral("Paragraph 150 ")
                                                              : QStringLiteral("Line 150 ");
        scrollToOffset(view, offsetOf(view, target));
        const QString before = lineAt(view, topPosition(view));
        QVERIFY2(before.contains(target), qPrintable(before));
        QTextCursor probe(view->document());
        probe.setPosition(offsetOf(view, target));
        const int heightBefore = view->cursorRect(probe).height();

        p.look.zoomIn();
        p.look.zoomIn();
        QCOMPARE(p.look.zoom(), 125);
        QCOMPARE(lineAt(view, topPosition(view)), before);
        QVERIFY(view->cursorRect(probe).height() > heightBefore);
        // The Options size, the base of the view, is not what changed.
        QCOMPARE(view->fontSize(), FontSizePolicy::Default);

        p.look.resetZoom();
        QCOMPARE(lineAt(view, topPosition(view)), before);
        QCOMPARE(view->cursorRect(probe).height(), heightBefore);
    }

    void zoomIsKeptPerKind()
    {
        {
            Pane p(path(QStringLiteral("records")));
            QVERIFY(openBook(p, QStringLiteral("RTF")));
            p.look.zoomOut();
        }
        const ViewSettings kept = ViewSettings::load();
        QCOMPARE(kept.zoom(BookKind::Rtf), 90);
        QCOMPARE(kept.zoom(BookKind::PlainText), 100);
        Pane again(path(QStringLiteral("records")), kept);
        QVERIFY(openBook(again, QStringLiteral("RTF")));
        QCOMPARE(again.pane.text()->look().zoom, 0.9);
        QVERIFY(openBook(again, QStringLiteral("plain text")));
        QCOMPARE(again.pane.text()->look().zoom, 1.0);
    }

    void textSettingsReachPlainTextAndEpubOnly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("follows");
        QTest::newRow("plain text") << QStringLiteral("plain text") << true;
        QTest::newRow("EPUB") << QStringLiteral("EPUB") << true;
        QTest::newRow("RTF keeps its own") << QStringLiteral("RTF") << false;
    }

    void textSettingsReachPlainTextAndEpubOnly()
    {
        QFETCH(QString, kind);
        QFETCH(bool, follows);
        Pane p(path(QStringLiteral("records")));
        QVERIFY(openBook(p, kind));
        RichTextView* view = p.pane.text();
        // The distance between the tops of two lines of the same paragraph style.
        auto lineGap = [view] {
            QTextCursor cursor(view->document());
            cursor.setPosition(offsetOf(view, QStringLiteral("10 ")));
            const int first = view->cursorRect(cursor).top();
            cursor.setPosition(offsetOf(view, QStringLiteral("11 ")));
            return view->cursorRect(cursor).top() - first;
        };
        const int before = lineGap();
        p.look.setTextSettings(QStringLiteral("Monospace"), 200);
        QCOMPARE(ViewSettings::load().lineSpacing, 200);
        QCOMPARE(ViewSettings::load().textFont, QStringLiteral("Monospace"));
        if (follows) {
            // Twice the line's height; the space between paragraphs stays as the book sets it.
            QVERIFY2(lineGap() > before + 12,
                     qPrintable(QStringLiteral("%1 %2").arg(lineGap()).arg(before)));
            QCOMPARE(view->fontFamily(), QStringLiteral("Monospace"));
        } else {
            QCOMPARE(lineGap(), before);
            QVERIFY(view->fontFamily().isEmpty());
        }
    }

    void ctrlWheelZoomsTheBook()
    {
        Pane p(path(QStringLiteral("records")));
        QVERIFY(openBook(p, QStringLiteral("plain text")));
        RichTextView* view = p.pane.text();
        const QPoint middle = view->viewport()->rect().center();
        QWheelEvent up(middle, view->viewport()->mapToGlobal(middle), QPoint(), QPoint(0, 120),
                       Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view->viewport(), &up);
        QCOMPARE(p.look.zoom(), 110);
        QCOMPARE(view->look().zoom, 1.1);
        // Not the editor's own zoom, which would change the Options size.
        QCOMPARE(view->fontSize(), FontSizePolicy::Default);
        QWheelEvent down(middle, view->viewport()->mapToGlobal(middle), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view->viewport(), &down);
        QCOMPARE(p.look.zoom(), 100);
        // A wheel without Ctrl scrolls.
        const int top = view->verticalScrollBar()->value();
        QWheelEvent plain(middle, view->viewport()->mapToGlobal(middle), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view->viewport(), &plain);
        QVERIFY(view->verticalScrollBar()->value() > top);
        QCOMPARE(p.look.zoom(), 100);
    }

    void comfortableWidthNarrowsTheColumn()
    {
        Pane p(path(QStringLiteral("records")));
        p.client.resize(1800, 700);
        p.pane.fitToClient();
        QVERIFY(openBook(p, QStringLiteral("plain text")));
        RichTextView* view = p.pane.text();
        const QFontMetricsF metrics(view->document()->defaultFont());
        const qreal column = view->viewport()->width();
        QVERIFY2(column < 90 * metrics.averageCharWidth(), qPrintable(QString::number(column)));
        // Centred: the margins on either side are alike.
        const int right = view->width() - view->verticalScrollBar()->width() -
                          view->viewport()->geometry().right();
        QVERIFY(view->viewport()->x() > 100);
        QVERIFY(qAbs(view->viewport()->x() - right) <= 3);

        p.look.setComfortableWidth(false);
        QVERIFY(view->viewport()->width() > view->width() - 2 * view->verticalScrollBar()->width());
    }

    void findBarCountsAndWraps()
    {
        Pane p(path(QStringLiteral("records")));
        QVERIFY(writeFile(path(QStringLiteral("short.txt")), numberedLines(50)));
        QString error;
        QVERIFY(p.pane.open(path(QStringLiteral("short.txt")), BookKind::PlainText, &error));
        p.findBar.open();
        p.findBar.setText(QStringLiteral("APPLE"));
        QCOMPARE(p.findBar.countText(), QStringLiteral("1 of 5"));
        QCOMPARE(p.pane.text()->textCursor().selectedText(), QStringLiteral("apple"));
        for (int i = 0; i < 4; ++i) {
            p.findBar.findNext();
        }
        QCOMPARE(p.findBar.countText(), QStringLiteral("5 of 5"));
        p.findBar.findNext();
        QCOMPARE(p.findBar.countText(), QStringLiteral("1 of 5"));
        p.findBar.findPrevious();
        QCOMPARE(p.findBar.countText(), QStringLiteral("5 of 5"));
        QCOMPARE(lineAt(p.pane.text(), p.pane.text()->textCursor().position()),
                 QStringLiteral("Line 50 of the book with an apple"));
        // Every match is highlighted, not only the current one.
        QCOMPARE(p.pane.text()->extraSelections().size(), 5);

        p.findBar.setText(QStringLiteral("pear"));
        QCOMPARE(p.findBar.countText(), QStringLiteral("No matches"));
        p.findBar.close();
        QVERIFY(p.pane.text()->extraSelections().isEmpty());
    }

    void findBarStartsFromThePlaceRead()
    {
        Pane p(path(QStringLiteral("records")));
        QVERIFY(openBook(p, QStringLiteral("plain text")));
        RichTextView* view = p.pane.text();
        scrollToOffset(view, offsetOf(view, QStringLiteral("Line 995 ")));
        const int top = topPosition(view);
        QVERIFY(top > 0);
        p.findBar.open();
        p.findBar.setText(QStringLiteral("apple"));
        // Lines 1000, 1010, ... hold it: the first shown is the first at or after the top.
        QCOMPARE(p.findBar.countText(), QStringLiteral("100 of 200"));
        QVERIFY(view->textCursor().selectionStart() >= top);
        QCOMPARE(lineAt(view, view->textCursor().position()),
                 QStringLiteral("Line 1000 of the book with an apple"));
    }

    void findBarGoesOnIntoLaterChapters()
    {
        Pane p(path(QStringLiteral("records")));
        QStringList chapters = epubChapters(3, 40);
        chapters[2] += QStringLiteral("<p>The hidden zeppelin waits here.</p>");
        QVERIFY(EpubFiles::write(path(QStringLiteral("later.epub")), QStringLiteral("Later"),
                                 chapters));
        QString error;
        QVERIFY(p.pane.open(path(QStringLiteral("later.epub")), BookKind::Epub, &error));
        QCOMPARE(p.pane.epub()->currentChapter(), 0);
        p.findBar.open();
        p.findBar.setText(QStringLiteral("zeppelin"));
        QCOMPARE(p.pane.epub()->currentChapter(), 2);
        QCOMPARE(p.pane.text()->textCursor().selectedText(), QStringLiteral("zeppelin"));
        QCOMPARE(p.findBar.countText(), QStringLiteral("1 of 1"));
        // From the last chapter the next match is found again round the book.
        p.findBar.findNext();
        QCOMPARE(p.pane.epub()->currentChapter(), 2);
        QCOMPARE(p.pane.text()->textCursor().selectedText(), QStringLiteral("zeppelin"));

        // The count is the whole book's, and goes on from chapter to chapter.
        p.pane.epub()->showChapter(0);
        p.findBar.setText(QStringLiteral("of the story"));
        QCOMPARE(p.findBar.countText(), QStringLiteral("1 of 120"));
        QCOMPARE(p.findBar.matchCount(), 120);
        p.findBar.findPrevious();
        QCOMPARE(p.pane.epub()->currentChapter(), 2);
        QCOMPARE(p.findBar.countText(), QStringLiteral("120 of 120"));
        p.findBar.findNext();
        QCOMPARE(p.pane.epub()->currentChapter(), 0);
        for (int i = 0; i < 40; ++i) {
            p.findBar.findNext();
        }
        QCOMPARE(p.pane.epub()->currentChapter(), 1);
        QCOMPARE(p.findBar.countText(), QStringLiteral("41 of 120"));
    }

    void pdfPageBoxZoomAndFind()
    {
        QVERIFY(writePdf(path(QStringLiteral("pages.pdf")), 6));
        Pane p(path(QStringLiteral("records")));
        QString error;
        QVERIFY(p.pane.open(path(QStringLiteral("pages.pdf")), BookKind::Pdf, &error));
        PdfView* pdf = p.pane.pdf();
        auto* box = pdf->findChild<QLineEdit*>(QStringLiteral("pdfPageBox"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("1"));
        box->setText(QStringLiteral("4"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(pdf->currentPage(), 3);
        QCOMPARE(box->text(), QStringLiteral("4"));
        // A number past the end goes to the last page.
        box->setText(QStringLiteral("99"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(pdf->currentPage(), 5);

        const qreal fitted = pdf->zoomFactor();
        p.look.zoomIn();
        QCOMPARE(pdf->fit(), PdfPagesEngine::Fit::None);
        QVERIFY(qAbs(pdf->zoomFactor() - ViewSettings::zoomedIn(qRound(fitted * 100)) / 100.0) <
                0.01);
        auto* zoomBox = pdf->findChild<QComboBox*>(QStringLiteral("pdfZoom"));
        zoomBox->setCurrentIndex(1);
        emit zoomBox->activated(1);
        QCOMPARE(pdf->fit(), PdfPagesEngine::Fit::Page);

        p.findBar.open();
        p.findBar.setText(QStringLiteral("says hello"));
        QTRY_COMPARE(p.findBar.matchCount(), 9);
        QTRY_VERIFY(p.findBar.countText().endsWith(QLatin1String(" of 9")));
        pdf->goToPage(0);
        p.findBar.setText(QStringLiteral("even page"));
        QTRY_COMPARE(p.findBar.countText(), QStringLiteral("1 of 3"));
        const int first = pdf->currentPage();
        p.findBar.findNext();
        QTRY_COMPARE(p.findBar.countText(), QStringLiteral("2 of 3"));
        QVERIFY(pdf->currentPage() != first);
    }

    void printingAPdfPrintsItsPagesInTheRange_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QStringList>("pages");
        QTest::newRow("all") << 0 << 0
                             << QStringList({QStringLiteral("1"), QStringLiteral("2"),
                                             QStringLiteral("3"), QStringLiteral("4")});
        QTest::newRow("two to three")
            << 2 << 3 << QStringList({QStringLiteral("2"), QStringLiteral("3")});
        QTest::newRow("past the end") << 4 << 9 << QStringList({QStringLiteral("4")});
    }

    void printingAPdfPrintsItsPagesInTheRange()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QStringList, pages);
        TestAppFolder app;
        QVERIFY(writePdf(app.booksPath() + QStringLiteral("pages.pdf"), 4));
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("pages.pdf")));
        QTRY_COMPARE(window.state().Kind, BookKind::Pdf);
        QVERIFY(window.mnuFilePrint->isEnabled());
        const QString out = path(QStringLiteral("printed-%1-%2.pdf").arg(first).arg(last));
        PrintDialog::setNextAnswer(out, first, last);
        window.mnuFilePrint->trigger();
        const QStringList printed = pdfPageTexts(out);
        QCOMPARE(printed.size(), pages.size());
        for (int i = 0; i < pages.size(); ++i) {
            QVERIFY2(printed[i].contains(QStringLiteral("Page %1 says hello").arg(pages[i])),
                     qPrintable(printed[i]));
        }
    }

    void fullScreenShowsThePaneAlone()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("lines.txt"), numberedLines(100));
        frmMain window(app.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint place = window.txtBook->pos();
        ViewCommands* commands = window.viewCommands();
        commands->fullScreen->trigger();
        QVERIFY(commands->isFullScreen());
        QVERIFY(window.TreeView1->isHidden());
        QVERIFY(window.btnPrint->isHidden());
        QVERIFY(window.menuBar()->isHidden());
        QCOMPARE(window.txtBook->pos(), QPoint(0, 0));
        QCOMPARE(window.txtBook->width(), window.centralWidget()->width());
        // Esc leaves, and everything is back where it was.
        QVERIFY(commands->leaveFullScreen->isEnabled());
        commands->leaveFullScreen->trigger();
        QVERIFY(!commands->isFullScreen());
        QVERIFY(!window.TreeView1->isHidden());
        QVERIFY(!window.menuBar()->isHidden());
        QCOMPARE(window.txtBook->pos(), place);
        QVERIFY(window.btnBack->isHidden());
    }

    void theWindowShowsTheThemeAndTheFindBarUnderThePane()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("lines.txt"), numberedLines(300));
        frmMain window(app.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(Driver::clickNode(window, QStringLiteral("lines.txt")));
        QTRY_COMPARE(window.state().Kind, BookKind::PlainText);
        // The window's skin style sheet must not keep the pane white.
        window.findChild<QAction*>(QStringLiteral("mnuThemenight"))->trigger();
        QVERIFY(tonesOf(window.txtBook->grab().toImage()).dark > 0.8);

        window.findChild<QAction*>(QStringLiteral("mnuViewFind"))->trigger();
        FindBar* bar = window.viewCommands()->findBar();
        QVERIFY(bar->isVisible());
        QVERIFY(window.focusWidget() && bar->isAncestorOf(window.focusWidget()));
        QVERIFY(window.txtBook->geometry().bottom() < bar->geometry().top());
        bar->setText(QStringLiteral("apple"));
        QCOMPARE(bar->countText(), QStringLiteral("1 of 30"));
        QTest::keyClick(window.focusWidget(), Qt::Key_Escape);
        QVERIFY(bar->isHidden());
        QCOMPARE(window.txtBook->geometry().bottom(), window.centralWidget()->height() - 1);
    }

    void theFocusedControlShowsARing()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        for (QWidget* control :
             {static_cast<QWidget*>(window.btnPrint), static_cast<QWidget*>(window.TreeView1)}) {
            window.txtBook->setFocus(Qt::TabFocusReason);
            const QImage before = control->grab().toImage();
            control->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(control->hasFocus());
            QVERIFY2(control->grab().toImage() != before, qPrintable(control->objectName()));
        }
    }

    void escClosesTheFindBarBeforeLeavingFullScreen()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("lines.txt"), numberedLines(100));
        frmMain window(app.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(Driver::clickNode(window, QStringLiteral("lines.txt")));
        ViewCommands* commands = window.viewCommands();
        QTest::keyClick(window.txtBook, Qt::Key_F11);
        QVERIFY(commands->isFullScreen());
        QTest::keyClick(window.txtBook, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(commands->findBar()->isVisible());
        QTRY_VERIFY(window.focusWidget() &&
                    commands->findBar()->isAncestorOf(window.focusWidget()));
        QTest::keyClick(window.focusWidget(), Qt::Key_Escape);
        QVERIFY(commands->findBar()->isHidden());
        QVERIFY(commands->isFullScreen());
        QTest::keyClick(window.txtBook, Qt::Key_Escape);
        QVERIFY(!commands->isFullScreen());
        QVERIFY(!window.TreeView1->isHidden());
    }

    void theCommandsHaveTheirShortcuts_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("find") << QStringLiteral("mnuViewFind") << QKeySequence(QKeySequence::Find);
        QTest::newRow("find next") << QStringLiteral("mnuViewFindNext") << QKeySequence(Qt::Key_F3);
        QTest::newRow("find previous")
            << QStringLiteral("mnuViewFindPrevious") << QKeySequence(Qt::SHIFT | Qt::Key_F3);
        QTest::newRow("print") << QStringLiteral("mnuFilePrint")
                               << QKeySequence(Qt::CTRL | Qt::Key_P);
        QTest::newRow("exit") << QStringLiteral("mnuFileExit")
                              << QKeySequence(Qt::CTRL | Qt::Key_Q);
        QTest::newRow("bookmark") << QStringLiteral("mnuEditBookmark")
                                  << QKeySequence(Qt::CTRL | Qt::Key_D);
        QTest::newRow("manual") << QStringLiteral("mnuHelpContents") << QKeySequence(Qt::Key_F1);
        QTest::newRow("full screen")
            << QStringLiteral("mnuViewFullScreen") << QKeySequence(Qt::Key_F11);
        QTest::newRow("zoom in") << QStringLiteral("mnuViewZoomIn")
                                 << QKeySequence(Qt::CTRL | Qt::Key_Plus);
        QTest::newRow("zoom out") << QStringLiteral("mnuViewZoomOut")
                                  << QKeySequence(Qt::CTRL | Qt::Key_Minus);
        QTest::newRow("actual size")
            << QStringLiteral("mnuViewZoomReset") << QKeySequence(Qt::CTRL | Qt::Key_0);
    }

    void theCommandsHaveTheirShortcuts()
    {
        QFETCH(QString, action);
        QFETCH(QKeySequence, keys);
        TestAppFolder app;
        frmMain window(app.path());
        auto* a = window.findChild<QAction*>(action);
        QVERIFY(a);
        QCOMPARE(a->shortcut(), keys);
        // The menus show the keys, and the window holds them for full screen.
        QVERIFY(window.actions().contains(a));
        bool inMenu = false;
        for (QMenu* menu : window.menuBar()->findChildren<QMenu*>()) {
            inMenu = inMenu || menu->actions().contains(a);
        }
        QVERIFY(inMenu ||
                window.findChild<QMenu*>(QStringLiteral("mnuView"))->actions().contains(a));
        // The manual lists them.
        QFile manual(QStringLiteral(QUILLMERE_APPDATA "/books/manual.rtf"));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        QVERIFY2(QString::fromLatin1(manual.readAll()).contains(keys.toString()),
                 qPrintable(keys.toString()));
    }
};

QUILLMERE_TEST_MAIN(TestReadingComfort)
#include "tst_reading_comfort.moc"
