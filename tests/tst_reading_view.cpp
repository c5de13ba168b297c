// How the book view lays books out: paragraph formats of a real LibreOffice book, tables and
// nested tables, the bookmark jump and resizing in a large book, the text staying still while
// heights above it become exact, the caret, selection and Find across a table, footnote marks,
// character extents for accessibility, wide pictures, and the render tool.
#include "support/TestMain.h"
#include "views/BookDocumentLayout.h"
#include "views/BookTextProperties.h"
#include "views/HeightIndex.h"
#include "views/RichTextView.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QFile>
#include <QHelpEvent>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QToolTip>

namespace {
const QString FormatsBook = QStringLiteral(QUILLMERE_TEST_DATA "/view/libreoffice-formats.rtf");

QTextBlock blockWith(const RichTextView& view, const QString& text)
{
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().contains(text)) {
            return block;
        }
    }
    return {};
}

int positionOf(const RichTextView& view, const QString& text)
{
    const QTextBlock block = blockWith(view, text);
    return block.isValid() ? block.position() + int(block.text().indexOf(text)) : -1;
}

QRect caretAt(RichTextView& view, int position)
{
    QTextCursor cursor(view.document());
    cursor.setPosition(position);
    return view.cursorRect(cursor);
}

BookDocumentLayout* layoutOf(const RichTextView& view)
{
    return qobject_cast<BookDocumentLayout*>(view.document()->documentLayout());
}

void paint(RichTextView& view)
{
    QCoreApplication::processEvents();
    view.viewport()->grab();
}

// A book of the given size in paragraphs of varied length, each starting with its number and
// followed by a blank line (so each is a block of its own, as such books are read).
QString longBook(int bytes)
{
    QString text;
    text.reserve(bytes + 200);
    QRandomGenerator random(7);
    for (int n = 0; text.size() < bytes; ++n) {
        text += QString::number(n) + QLatin1Char(' ');
        const int words = 3 + int(random.bounded(60));
        for (int w = 0; w < words; ++w) {
            text += QStringLiteral("word ");
        }
        text += QStringLiteral("\n\n");
    }
    return text;
}

QString writeBook(const QTemporaryDir& dir, const QString& text)
{
    const QString path = dir.filePath(QStringLiteral("book.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}
} // namespace

class TestReadingView : public QObject
{
    Q_OBJECT

private slots:
    void paragraphFormatsOfALibreOfficeBook()
    {
        RichTextView view;
        view.resize(700, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.LoadFile(FormatsBook, RichTextView::LoadRtf));
        paint(view);

        const int left = caretAt(view, positionOf(view, QStringLiteral("Space before"))).x();
        const QTextBlock right = blockWith(view, QStringLiteral("Right-aligned"));
        const int rightEdge = caretAt(view, right.position() + right.length() - 1).x();
        QVERIFY2(rightEdge > left + 550, "a right-aligned line ends at the right edge");
        QVERIFY(caretAt(view, right.position()).x() > left + 400);

        const QTextBlock centred = blockWith(view, QStringLiteral("centred heading"));
        const int centredStart = caretAt(view, centred.position()).x();
        const int centredEnd = caretAt(view, centred.position() + centred.length() - 1).x();
        QVERIFY(centredStart > left + 150);
        QVERIFY(qAbs((centredStart + centredEnd) / 2 - (left + rightEdge) / 2) <= 3);

        // A justified paragraph's first line reaches the right edge; its last line does not.
        const QTextBlock justified = blockWith(view, QStringLiteral("Justified paragraph"));
        const QTextLine first = justified.layout()->lineAt(0);
        QVERIFY(justified.layout()->lineCount() > 1);
        const int firstEnd = justified.position() + first.textStart() + first.textLength() - 1;
        QVERIFY(qAbs(caretAt(view, firstEnd).right() - rightEdge) <= 8);
        QVERIFY(caretAt(view, justified.position() + justified.length() - 1).x() < rightEdge - 100);

        // Two inches (2880 twips) from the left; the hanging paragraph starts half an inch in
        // and wraps to one inch.
        QCOMPARE(caretAt(view, positionOf(view, QStringLiteral("Indented two"))).x() - left, 192);
        const QTextBlock hanging = blockWith(view, QStringLiteral("Hanging indent"));
        QVERIFY(hanging.layout()->lineCount() > 1);
        QCOMPARE(caretAt(view, hanging.position()).x() - left, 48);
        const int secondLine = hanging.position() + hanging.layout()->lineAt(1).textStart();
        QCOMPARE(caretAt(view, secondLine).x() - left, 96);

        // Half an inch of space before, on top of the paragraph before's space after.
        const QRect spaced = caretAt(view, positionOf(view, QStringLiteral("Space before")));
        const QRect above = caretAt(view, hanging.position() + hanging.length() - 1);
        QVERIFY(spaced.top() - above.bottom() >= 48);

        // A bullet's tab reaches the paragraph's indent, not the next default tab stop.
        const int bulletText = positionOf(view, QStringLiteral("First bullet item"));
        const QTextBlock bullet = view.document()->findBlock(bulletText);
        const int indent = qRound(bullet.blockFormat().leftMargin());
        QVERIFY(indent > 0);
        QVERIFY(qAbs(caretAt(view, bulletText).x() - left - indent) <= 1);
    }

    void tableRowsAndNestedTables()
    {
        RichTextView view;
        view.resize(700, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.LoadFile(FormatsBook, RichTextView::LoadRtf));
        paint(view);
        // Cells of one row share a top; the next row starts below the row's tallest cell.
        const QRect first = caretAt(view, positionOf(view, QStringLiteral("Row one, first")));
        const QTextBlock tall = blockWith(view, QStringLiteral("Row one, second"));
        const QRect second = caretAt(view, tall.position());
        QCOMPARE(second.top(), first.top());
        QVERIFY(second.left() > first.left() + 100);
        QVERIFY(tall.layout()->lineCount() > 1);
        const QRect tallBottom = caretAt(view, tall.position() + tall.length() - 1);
        const QRect rowTwo = caretAt(view, positionOf(view, QStringLiteral("Row two, first")));
        QVERIFY(rowTwo.top() > tallBottom.bottom());
        QCOMPARE(rowTwo.left(), first.left());
        QVERIFY(caretAt(view, positionOf(view, QStringLiteral("After the table"))).top() >
                rowTwo.bottom());

        // A table inside a cell sits inside that cell, as a grid of its own.
        view.setText(QStringLiteral("Before"));
        QTextCursor cursor(view.document());
        cursor.movePosition(QTextCursor::End);
        QTextTableFormat format;
        format.setBorder(1);
        format.setCellPadding(3);
        QTextTable* outer = cursor.insertTable(2, 2, format);
        outer->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("Outer A"));
        outer->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("Outer B"));
        outer->cellAt(1, 0).firstCursorPosition().insertText(QStringLiteral("Outer C"));
        QTextCursor inCell = outer->cellAt(1, 1).firstCursorPosition();
        QTextTable* inner = inCell.insertTable(2, 2, format);
        inner->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("Inner A"));
        inner->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("Inner B"));
        inner->cellAt(1, 0).firstCursorPosition().insertText(QStringLiteral("Inner C"));
        paint(view);
        const QRect outerC = caretAt(view, positionOf(view, QStringLiteral("Outer C")));
        const QRect outerB = caretAt(view, positionOf(view, QStringLiteral("Outer B")));
        const QRect innerA = caretAt(view, positionOf(view, QStringLiteral("Inner A")));
        const QRect innerB = caretAt(view, positionOf(view, QStringLiteral("Inner B")));
        const QRect innerC = caretAt(view, positionOf(view, QStringLiteral("Inner C")));
        // Qt keeps an empty paragraph before a table inserted into a cell.
        QVERIFY(innerA.top() > outerC.top() && innerA.top() < outerC.bottom() + outerC.height());
        QVERIFY(innerA.left() >= outerB.left());
        QCOMPARE(innerB.top(), innerA.top());
        QVERIFY(innerB.left() > innerA.left() + 20);
        QVERIFY(innerC.top() > innerA.bottom());
        QCOMPARE(innerC.left(), innerA.left());
        const QRectF innerFrame = layoutOf(view)->frameBoundingRect(inner);
        const QRectF outerFrame = layoutOf(view)->frameBoundingRect(outer);
        QVERIFY(outerFrame.contains(innerFrame));
    }

    // A long table opens as a long book does: only the rows shown are laid out. A click finds
    // the cell under it far down, and a cell spanning two rows keeps them together.
    void aLongTableIsLaidOutOnlyWhereShown()
    {
        RichTextView view;
        view.resize(700, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTextDocument* document = view.prepareDocument();
        QTextCursor cursor(document);
        QTextTableFormat format;
        format.setBorder(1);
        format.setCellPadding(2);
        const int rows = 3000;
        QTextTable* table = cursor.insertTable(rows, 2, format);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 2; ++c) {
                table->cellAt(r, c).firstCursorPosition().insertText(
                    QStringLiteral("r%1c%2").arg(r).arg(c));
            }
        }
        table->mergeCells(2000, 0, 2, 1);
        view.showDocument(document);
        paint(view);
        BookDocumentLayout* layout = layoutOf(view);
        QVERIFY(layout->itemCount() > rows / 2);
        QVERIFY2(layout->laidOutItemCount() < 100, "only the rows on screen are laid out");

        const int far = positionOf(view, QStringLiteral("r2400c1"));
        view.setSelStart(far);
        paint(view);
        QVERIFY(layout->laidOutItemCount() < 200);
        const QRect caret = view.cursorRect();
        QVERIFY(view.viewport()->rect().contains(caret));
        QCOMPARE(view.cursorForPosition(caret.center()).block().text(), QStringLiteral("r2400c1"));

        // The merged cell covers rows 2000 and 2001: beside row 2001 is still its text.
        view.setSelStart(positionOf(view, QStringLiteral("r2001c1")));
        paint(view);
        const QRect beside = view.cursorRect();
        const QRect merged = caretAt(view, positionOf(view, QStringLiteral("r2000c0")));
        QVERIFY(beside.top() > merged.bottom());
        const int hit =
            view.cursorForPosition(QPoint(merged.left() + 2, beside.center().y())).position();
        QVERIFY(table->cellAt(hit) == table->cellAt(2000, 0));
        const QRect mergedEnd = caretAt(view, positionOf(view, QStringLiteral("r2001c0")));
        QVERIFY(caretAt(view, positionOf(view, QStringLiteral("r2002c0"))).top() >
                mergedEnd.bottom());
        // The table's frame reaches from its first row to its last.
        const QRectF frame = layout->frameBoundingRect(table);
        QVERIFY(frame.height() > rows * 10);
    }

    void caretSelectionAndFindAcrossATable()
    {
        RichTextView view;
        view.resize(700, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.LoadFile(FormatsBook, RichTextView::LoadRtf));
        paint(view);
        const int found = view.Find(QStringLiteral("second cell"), 0, {});
        QCOMPARE(found, positionOf(view, QStringLiteral("second cell")));
        QCOMPARE(view.SelText(), QStringLiteral("second cell"));
        // A click on a cell's text puts the caret there.
        const int target = positionOf(view, QStringLiteral("Row two, first"));
        const QRect rect = caretAt(view, target + 4);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rect.center() + QPoint(1, 0));
        QCOMPARE(view.SelStart(), target + 4);
        // The arrow key leaves the table at its end for the paragraph after it.
        view.setSelStart(positionOf(view, QStringLiteral("Row two, first")));
        QTest::keyClick(&view, Qt::Key_Down);
        QTest::keyClick(&view, Qt::Key_Down);
        QTest::keyClick(&view, Qt::Key_Down);
        QVERIFY(view.SelStart() > target);
        // A selection over the table holds the cells' text.
        const int from = positionOf(view, QStringLiteral("Space before"));
        view.setSelStart(from);
        view.setSelLength(positionOf(view, QStringLiteral("After the table")) - from);
        QVERIFY(view.SelText().contains(QStringLiteral("Row two, first cell")));
        QVERIFY(view.SelText().contains(QStringLiteral("wraps over lines")));
    }

    void bookmarkJumpInALargeBookLaysOutOnlyAroundIt()
    {
        QTemporaryDir dir;
        const QString text = longBook(20 * 1024 * 1024);
        const QString path = writeBook(dir, text);
        RichTextView view;
        view.resize(800, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.LoadFile(path, RichTextView::LoadPlainText));
        const int middle = view.characterCount() / 2;
        view.setSelStart(middle);
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
        paint(view);
        // Drawing the text above the caret made it exact; the caret stayed on screen.
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
        QCOMPARE(view.SelStart(), middle);
        BookDocumentLayout* layout = layoutOf(view);
        QVERIFY(layout->itemCount() > 100000);
        QVERIFY2(layout->laidOutItemCount() < 300, "only the screen and near it are laid out");
        // The point at the caret is the caret's place.
        QCOMPARE(view.cursorForPosition(view.cursorRect().center()).block().position(),
                 view.document()->findBlock(middle).position());
    }

    void bookmarkJumpInAStyledBookShowsTheCaret()
    {
        // Headings with room around them and hanging-indented verses: the estimated heights
        // are far from the laid-out ones, and the caret must still end up on screen.
        QByteArray rtf = "{\\rtf1\\ansi\\fs24\n";
        const QStringList lines =
            longBook(4 * 1024 * 1024).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (int i = 0; i < lines.size(); ++i) {
            rtf += i % 40 == 0 ? "\\pard\\qc\\sb480\\sa240{\\b\\fs40 Chapter}\\par\n" : "";
            rtf += "\\pard\\qj\\li360\\fi-360 " + lines[i].toLatin1() + "\\par\n";
        }
        rtf += "}";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("styled.rtf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rtf);
        file.close();
        RichTextView view;
        view.resize(1000, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.LoadFile(path, RichTextView::LoadRtf));
        for (const int part : {2, 3, 5}) {
            const int target = view.characterCount() * (part - 1) / part;
            view.setSelStart(target);
            paint(view);
            QCOMPARE(view.SelStart(), target);
            QVERIFY2(view.viewport()->rect().contains(view.cursorRect()),
                     qPrintable(QStringLiteral("jump to %1").arg(target)));
        }
    }

    void textStaysStillWhenHeightsAboveBecomeExact()
    {
        QTemporaryDir dir;
        RichTextView view;
        view.resize(800, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(
            view.LoadFile(writeBook(dir, longBook(2 * 1024 * 1024)), RichTextView::LoadPlainText));
        view.setSelStart(view.characterCount() / 2);
        paint(view);
        const int shown = view.cursorForPosition(QPoint(100, 300)).position();
        const QRect before = caretAt(view, shown);
        // Scrolling up into text never shown moves the shown text by exactly as much.
        QScrollBar* bar = view.verticalScrollBar();
        for (int step = 0; step < 30; ++step) {
            const QRect was = caretAt(view, shown);
            bar->setValue(bar->value() - 40);
            paint(view);
            // Within the rounding of fractional heights to whole pixels.
            QVERIFY(qAbs(caretAt(view, shown).top() - (was.top() + 40)) <= 1);
        }
        bar->setValue(bar->value() + 1200);
        paint(view);
        QVERIFY(qAbs(caretAt(view, shown).top() - before.top()) <= 1);
        const int laidOut = layoutOf(view)->laidOutItemCount();

        // Lays out a few screens above the shown text, as scrolling up or the arrow keys do.
        layoutOf(view)->layoutAbove(view.document()->findBlock(shown), 6000);
        QVERIFY(layoutOf(view)->laidOutItemCount() > laidOut + 20);
        paint(view);
        QVERIFY(qAbs(caretAt(view, shown).top() - before.top()) <= 1);

        // Page Up and back down returns to the same text.
        QTest::keyClick(&view, Qt::Key_PageUp);
        paint(view);
        QVERIFY(view.verticalScrollBar()->value() > 0);
        QTest::keyClick(&view, Qt::Key_PageDown);
        paint(view);
        QVERIFY(qAbs(caretAt(view, shown).top() - before.top()) < before.height() * 2);
    }

    void resizeKeepsTheTextAtTheTop()
    {
        QTemporaryDir dir;
        RichTextView view;
        view.resize(800, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(
            view.LoadFile(writeBook(dir, longBook(2 * 1024 * 1024)), RichTextView::LoadPlainText));
        view.setSelStart(view.characterCount() / 3);
        paint(view);
        const QTextBlock top = view.cursorForPosition(QPoint(10, 2)).block();
        for (const int width : {500, 1100, 650}) {
            view.resize(width, 600);
            paint(view);
            const int now = view.cursorForPosition(QPoint(10, 2)).position();
            QVERIFY2(now >= top.position() && now < top.position() + top.length(),
                     qPrintable(QStringLiteral("width %1").arg(width)));
        }
    }

    void footnoteMarkShowsItsNote()
    {
        RichTextView view;
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(QStringLiteral("Call me Ishmael. Some years ago"));
        QTextCursor cursor(view.document());
        cursor.setPosition(16);
        QTextCharFormat mark;
        mark.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        const QString note = QStringLiteral("Never mind how long precisely.");
        mark.setProperty(BookText::NoteTextProperty, note);
        cursor.insertText(QStringLiteral("1"), mark);
        paint(view);
        const QPoint markPoint = caretAt(view, 16).center() + QPoint(2, 0);
        QCOMPARE(view.noteAt(markPoint), note);
        QVERIFY(view.noteAt(caretAt(view, 3).center() + QPoint(2, 0)).isEmpty());
        QVERIFY(view.noteAt(QPoint(500, 300)).isEmpty());

        QHelpEvent hover(QEvent::ToolTip, markPoint, view.viewport()->mapToGlobal(markPoint));
        QCoreApplication::sendEvent(view.viewport(), &hover);
        QTRY_COMPARE(QToolTip::text(), note);
        QToolTip::hideText();
        QTRY_VERIFY(QToolTip::text().isEmpty());
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, markPoint);
        QTRY_COMPARE(QToolTip::text(), note);
        QToolTip::hideText();
    }

    // The reader keeps a Word book's footnote as a raised mark; pointing at it in the view
    // shows the note the reader attached.
    void aWordBooksFootnoteShowsInTheView()
    {
        RichTextView view;
        view.resize(900, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.LoadFile(QStringLiteral(QUILLMERE_TEST_DATA "/rtf/word-2016.rtf"),
                              RichTextView::LoadRtf));
        const int mark = positionOf(view, QStringLiteral("euro.")) + 5;
        view.setSelStart(mark);
        paint(view);
        const QPoint markPoint = caretAt(view, mark).center() + QPoint(2, 0);
        QVERIFY2(view.noteAt(markPoint).contains(QStringLiteral("Footnote text stays out.")),
                 qPrintable(view.noteAt(markPoint)));
    }

    void doubleUnderlineDrawsTwoLines()
    {
        RichTextView view;
        view.resize(600, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(QStringLiteral("single double"));
        QTextCursor single(view.document());
        single.setPosition(0);
        single.setPosition(6, QTextCursor::KeepAnchor);
        QTextCharFormat underline;
        underline.setFontUnderline(true);
        single.mergeCharFormat(underline);
        QTextCursor twice(view.document());
        twice.setPosition(7);
        twice.setPosition(13, QTextCursor::KeepAnchor);
        underline.setProperty(BookText::DoubleUnderlineProperty, true);
        twice.mergeCharFormat(underline);
        view.setSelStart(13);
        paint(view);
        const QImage shot = view.viewport()->grab().toImage();
        // Dark runs in one column below the baseline: one line, then two.
        const auto linesBelow = [&](int position) {
            const QRect caret = caretAt(view, position);
            const int x = caret.x() + 3;
            const int baseline =
                caret.top() + qRound(view.document()->begin().layout()->lineAt(0).ascent());
            int lines = 0;
            bool inLine = false;
            for (int y = baseline; y < caret.bottom() + 8; ++y) {
                const bool dark = qGray(shot.pixel(x, y)) < 128;
                lines += dark && !inLine ? 1 : 0;
                inLine = dark;
            }
            return lines;
        };
        QCOMPARE(linesBelow(1), 1);
        QCOMPARE(linesBelow(9), 2);
    }

    void characterExtentsFollowTheLines()
    {
        RichTextView view;
        view.resize(400, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(QString(QStringLiteral("many words here ")).repeated(40));
        paint(view);
        const QTextBlock block = view.document()->begin();
        QVERIFY(block.layout()->lineCount() > 3);
        const int thirdLine = block.layout()->lineAt(2).textStart() + 1;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(accessible && accessible->textInterface());
        const QRect firstChar = accessible->textInterface()->characterRect(1);
        const QRect lowerChar = accessible->textInterface()->characterRect(thirdLine);
        QVERIFY(firstChar.isValid() && lowerChar.isValid());
        QVERIFY(lowerChar.top() >= firstChar.bottom() + firstChar.height());
        const QPoint caretTop = view.viewport()->mapToGlobal(caretAt(view, thirdLine).topLeft());
        QVERIFY(qAbs(lowerChar.top() - caretTop.y()) <= 2);
    }

    void widePictureIsScaledToTheWidth()
    {
        QTemporaryDir dir;
        QImage wide(3000, 300, QImage::Format_RGB32);
        wide.fill(Qt::darkGreen);
        const QString path = dir.filePath(QStringLiteral("wide.png"));
        QVERIFY(wide.save(path));
        RichTextView view;
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(QStringLiteral("Picture:"));
        view.setSelStart(8);
        QVERIFY(view.AddPicture(path));
        paint(view);
        const QRectF rect =
            view.document()->documentLayout()->blockBoundingRect(view.document()->begin());
        QVERIFY(rect.right() <= view.viewport()->width());
        // Scaled with its proportions: 3000 x 300 shown under 600 wide is under 60 tall.
        QVERIFY(rect.height() < 150);
        QVERIFY(view.isPictureAt(8));
    }

    void pageBreakTakesRoomAndSpacingFollowsTheFormat()
    {
        RichTextView view;
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(QStringLiteral("One\nTwo\nThree\nFour"));
        const auto top = [&](int block) {
            return caretAt(view, view.document()->findBlockByNumber(block).position()).top();
        };
        paint(view);
        const int line = top(1) - top(0);
        QTextCursor cursor(view.document()->findBlockByNumber(1));
        QTextBlockFormat format;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor.mergeBlockFormat(format);
        QTextCursor spaced(view.document()->findBlockByNumber(2));
        QTextBlockFormat exact;
        exact.setLineHeight(40, QTextBlockFormat::FixedHeight);
        spaced.mergeBlockFormat(exact);
        paint(view);
        QVERIFY(top(1) - top(0) >= line + 20);
        // An exact line height of 40 pixels, the text on its bottom.
        QCOMPARE(top(3) - top(1), line + 40);
        QVERIFY(top(2) - top(1) > line);
    }

    void heightIndexSumsAndFinds()
    {
        QRandomGenerator random(3);
        std::vector<float> heights(1000);
        for (float& h : heights) {
            h = float(random.bounded(50.0));
        }
        heights[10] = 0;
        HeightIndex index;
        index.assign(heights);
        for (int round = 0; round < 200; ++round) {
            const int changed = int(random.bounded(1000));
            heights[size_t(changed)] = float(random.bounded(80.0));
            index.setHeight(changed, heights[size_t(changed)]);
            const int probe = int(random.bounded(1000));
            double sum = 0;
            for (int i = 0; i < probe; ++i) {
                sum += heights[size_t(i)];
            }
            QVERIFY(qAbs(index.top(probe) - sum) < 1e-6);
            if (heights[size_t(probe)] > 0) {
                QCOMPARE(index.indexAt(sum + heights[size_t(probe)] / 2), probe);
            }
        }
        QCOMPARE(index.indexAt(-5), 0);
        QCOMPARE(index.indexAt(index.total() + 100), 999);
        QCOMPARE(HeightIndex().indexAt(0), -1);
    }

    void renderToolDrawsABook()
    {
        QTemporaryDir dir;
        const QString tool = QStringLiteral(QUILLMERE_BINARY_DIR "/tools/quillmere-render");
        if (!QFile::exists(tool)) {
            QSKIP("quillmere-render is not built");
        }
        const QString out = dir.filePath(QStringLiteral("book.png"));
        QProcess process;
        process.start(tool, {FormatsBook, out, QStringLiteral("--width"), QStringLiteral("640"),
                             QStringLiteral("--at"), QStringLiteral("40")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QImage image(out);
        QCOMPARE(image.width(), 640);
        int dark = 0;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                dark += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
            }
        }
        QVERIFY2(dark > 500, "text was drawn");
        process.start(tool, {dir.filePath(QStringLiteral("missing.rtf")), out});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(!process.readAllStandardError().isEmpty());
    }
};

QUILLMERE_TEST_MAIN(TestReadingView)
#include "tst_reading_view.moc"
