#include "views/RichTextView.h"

#include "core/BusyPointer.h"
#include "formats/AtomicFile.h"
#include "formats/rtf/RtfSourceBook.h"
#include "formats/rtf/RtfWriter.h"
#include "formats/rtf/TextBookLoader.h"
#include "views/BookDocumentLayout.h"
#include "views/BookPictureHandler.h"
#include "views/BookTextProperties.h"
#include "views/DocumentPrinter.h"
#include "views/FillingDocumentLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>
#include <QtMath>

struct RichTextView::SourceBook : Rtf::RtfSourceBook
{
    using Rtf::RtfSourceBook::RtfSourceBook;
};

const QString RichTextView::PictureNamePrefix = QStringLiteral("quillmere-bookmark:");

namespace {
bool isWordCharacter(const QString& text, qsizetype index)
{
    return index >= 0 && index < text.size() && text.at(index).isLetterOrNumber();
}
} // namespace

RichTextView::RichTextView(QWidget* parent) : QTextEdit(parent)
{
    setObjectName(QStringLiteral("txtBook"));
    setAccessibleName(tr("Book"));
    // A reader never saves what was typed by accident, so typing cannot change the book; the
    // caret and keyboard selection stay, since bookmarks, lookups and search work from them.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The right button belongs to the main window's lookup menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    // A scroll bar that came and went would change the width, and with it every height.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The margins beside a narrowed column are painted in the view's background.
    setAutoFillBackground(true);
    setFont(baseFont());
    adoptDocument(newDocument());
}

RichTextView::~RichTextView() = default;

QTextDocument* RichTextView::newDocument()
{
    auto* document = new QTextDocument(this);
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(baseFont());
    document->setDocumentLayout(new FillingDocumentLayout(document));
    return document;
}

void RichTextView::adoptDocument(QTextDocument* document)
{
    auto* layout = new BookDocumentLayout(document);
    layout->setLook(m_look);
    BookPictureHandler::install(layout);
    document->setDocumentLayout(layout);
    connect(layout, &BookDocumentLayout::heightChangedAbove, this, &RichTextView::keepTextStill);
    connect(layout, &BookDocumentLayout::heightsReset, this, [this] { m_restoreTop = true; });
    QTextDocument* old = QTextEdit::document();
    // The first document is the editor's own and goes with it; later ones are ours.
    const bool ours = old && old->parent() == this;
    m_topPosition = 0;
    m_shiftRemainder = 0;
    // Highlights (the find bar's) point into the old document: they go while it still exists.
    setExtraSelections({});
    setDocument(document);
    m_restoreTop = false;
    verticalScrollBar()->setValue(0);
    if (ours && old != document) {
        delete old;
    }
}

QTextDocument* RichTextView::prepareDocument()
{
    return newDocument();
}

void RichTextView::showDocument(QTextDocument* document)
{
    // The document came from no file of this view's: no source bytes to splice into.
    m_source.reset();
    m_rtfBook = false;
    m_bytesAsRead.clear();
    document->setParent(this);
    adoptDocument(document);
}

void RichTextView::setText(const QString& text)
{
    m_source.reset();
    m_rtfBook = false;
    m_bytesAsRead.clear();
    m_marksRefusal.clear();
    m_changeRefusal.clear();
    QTextDocument* document = newDocument();
    document->setPlainText(text);
    adoptDocument(document);
}

QString RichTextView::text() const
{
    return toPlainText();
}

QString RichTextView::heldText() const
{
    QString text = document()->toRawText();
    for (QChar& c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // table and frame boundaries
        case 0xFDD1:
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

int RichTextView::characterCount() const
{
    return document()->characterCount() - 1;
}

bool RichTextView::LoadFile(const QString& path, LoadKind kind, QString* error)
{
    m_source.reset();
    m_rtfBook = false;
    m_bytesAsRead.clear();
    m_marksRefusal.clear();
    m_changeRefusal.clear();
    m_bookName = QFileInfo(path).fileName();
    if (kind != LoadRtf && kind != LoadPlainText) {
        adoptDocument(newDocument());
        if (error) {
            *error = tr("%1 cannot be opened: unknown kind of file.")
                         .arg(QDir::toNativeSeparators(path));
        }
        return false;
    }
    // The book is built in a document without a layout, so filling it costs no layout work;
    // the view then lays out only what it shows.
    QTextDocument* document = newDocument();
    TextBookLoader::Book book;
    if (!TextBookLoader::load(
            path, kind == LoadRtf ? TextBookLoader::Kind::Rtf : TextBookLoader::Kind::PlainText,
            document, &book, error)) {
        delete document;
        adoptDocument(newDocument());
        return false;
    }
    m_marksRefusal = book.marksRefusal;
    if (kind == LoadRtf) {
        m_rtfBook = true;
        if (book.followable) {
            m_source = std::make_unique<SourceBook>(std::move(book.bytes), std::move(book.map));
        } else {
            m_bytesAsRead = std::move(book.bytes);
        }
    }
    adoptDocument(document);
    return true;
}

bool RichTextView::SaveFile(const QString& path, QString* error)
{
    // An RTF book that could not be followed took no change: it is written as it was read.
    const QByteArray bytes = m_source    ? m_source->bytes()
                             : m_rtfBook ? m_bytesAsRead
                                         : Rtf::write(document());
    if (bytes.isEmpty()) {
        if (error) {
            *error = tr("%1 cannot be written: the book could not be turned into RTF.")
                         .arg(QDir::toNativeSeparators(path));
        }
        return false;
    }
    return writeFileAtomically(path, bytes, error);
}

int RichTextView::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextView::setSelStart(int offset)
{
    QTextCursor cursor(document());
    cursor.setPosition(qBound(0, offset, characterCount()));
    setTextCursor(cursor);
    showCaret();
}

void RichTextView::showCaret()
{
    auto* layout = qobject_cast<BookDocumentLayout*>(document()->documentLayout());
    if (!layout) {
        ensureCursorVisible();
        return;
    }
    m_restoreTop = false;
    const QTextCursor cursor = textCursor();
    // The caret counts as shown only once the text on screen above it is exact.
    const int shownTop = verticalScrollBar()->value();
    layout->layoutRange(shownTop, shownTop + viewport()->height());
    if (viewport()->rect().contains(cursorRect(cursor))) {
        return;
    }
    // A quarter of the screen above the caret is laid out first, so that the caret stays where
    // it is put when the text above it is drawn.
    const qreal above = viewport()->height() / 4.0;
    layout->layoutAbove(cursor.block(), above);
    const qreal top = layout->lineTop(cursor.position());
    verticalScrollBar()->setValue(qMax(0, qRound(top - above)));
    rememberTop();
    layoutScreenAbove();
}

int RichTextView::topOffset() const
{
    // After a change of font or width the text goes back to its top line at the next paint;
    // until then that line is where the reader is.
    if (m_restoreTop) {
        return m_topPosition;
    }
    return qMax(0, cursorForPosition(QPoint(0, 0)).position());
}

void RichTextView::showAtTop(int offset)
{
    auto* layout = qobject_cast<BookDocumentLayout*>(document()->documentLayout());
    const int at = qBound(0, offset, characterCount());
    if (!layout) {
        QTextCursor cursor(document());
        cursor.setPosition(at);
        verticalScrollBar()->setValue(verticalScrollBar()->value() + cursorRect(cursor).top());
        return;
    }
    // Only the text around the place and the screen above it are laid out; the rest of the
    // book keeps its estimated heights.
    m_restoreTop = false;
    layout->layoutAbove(document()->findBlock(at), viewport()->height());
    // Rounded up, as when the top is restored: the view's top pixel row is the line's own.
    const int top = qCeil(layout->lineTop(at));
    QScrollBar* bar = verticalScrollBar();
    bar->setMaximum(qMax(bar->maximum(), top));
    bar->setValue(top);
    rememberTop();
    layoutScreenAbove();
}

int RichTextView::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextView::setSelLength(int count)
{
    const int start = SelStart();
    const qint64 end = qBound(qint64(start), qint64(start) + count, qint64(characterCount()));
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichTextView::SelText() const
{
    // Every line end comes out as "\r": a paragraph's end, and a line broken within one (the
    // joined lines of a plain-text book, an RTF book's \line) alike.
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    text.replace(QChar::LineSeparator, QLatin1Char('\r'));
    return text;
}

bool RichTextView::setSelText(const QString& text)
{
    QTextCursor cursor = textCursor();
    // Removing one of our pictures is followed in the source; any other edit is not.
    if (m_rtfBook &&
        !(m_source && text.isEmpty() && cursor.selectionEnd() - cursor.selectionStart() == 1 &&
          isPictureAt(cursor.selectionStart()) &&
          m_source->removePicture(cursor.selectionStart()))) {
        return refuseChange();
    }
    m_changeRefusal.clear();
    if (text.isEmpty()) {
        cursor.removeSelectedText();
    } else {
        cursor.insertText(text);
    }
    setTextCursor(cursor);
    return true;
}

bool RichTextView::refuseChange()
{
    m_changeRefusal =
        !m_marksRefusal.isEmpty()
            ? m_marksRefusal
            : tr("This change cannot be written into \"%1\" at this place without writing the "
                 "whole book anew, which would lose parts of it that are not shown, such as "
                 "notes, headers and styles. The book is left as it is.")
                  .arg(m_bookName);
    return false;
}

QByteArray RichTextView::SelRTF() const
{
    const QTextCursor cursor = textCursor();
    return Rtf::writeRange(document(), cursor.selectionStart(), cursor.selectionEnd());
}

bool RichTextView::mergeSelectionFormat(const QTextCharFormat& format)
{
    const QTextCursor cursor = textCursor();
    if (!m_rtfBook || !cursor.hasSelection()) {
        m_changeRefusal.clear();
        mergeCurrentCharFormat(format);
        return true;
    }
    // Only the text colour and underlining (the red pen and the eraser) are followed in the
    // source of an RTF book; it takes no other change.
    const auto properties = format.properties();
    const int only = properties.size() == 1 ? properties.firstKey() : -1;
    if (!m_source ||
        (only != QTextFormat::ForegroundBrush && only != QTextFormat::TextUnderlineStyle)) {
        return refuseChange();
    }
    // A selection across the cells of a table takes in whole cells, a block of them: the
    // book gets the change cell by cell, just where the view shows it.
    std::vector<std::pair<int, int>> ranges;
    if (cursor.hasComplexSelection() && cursor.currentTable()) {
        int firstRow = 0;
        int rows = 0;
        int firstColumn = 0;
        int columns = 0;
        cursor.selectedTableCells(&firstRow, &rows, &firstColumn, &columns);
        const QTextTable* table = cursor.currentTable();
        for (int row = firstRow; row < firstRow + rows; ++row) {
            for (int column = firstColumn; column < firstColumn + columns; ++column) {
                const QTextTableCell cell = table->cellAt(row, column);
                // A cell spanning several places of the block is taken once.
                const std::pair<int, int> range(cell.firstPosition(), cell.lastPosition());
                if (cell.isValid() &&
                    std::find(ranges.begin(), ranges.end(), range) == ranges.end()) {
                    ranges.push_back(range);
                }
            }
        }
    } else {
        ranges.emplace_back(cursor.selectionStart(), cursor.selectionEnd());
    }
    for (const auto& [start, end] : ranges) {
        const bool followed =
            only == QTextFormat::ForegroundBrush
                ? m_source->setColor(*document(), start, end, format.foreground().color())
                : m_source->setUnderline(*document(), start, end,
                                         format.underlineStyle() != QTextCharFormat::NoUnderline);
        if (!followed) {
            // The cells before keep the change in both the view and the book's bytes.
            return refuseChange();
        }
        QTextCursor part(document());
        part.setPosition(start);
        part.setPosition(end, QTextCursor::KeepAnchor);
        part.mergeCharFormat(format);
    }
    m_changeRefusal.clear();
    return true;
}

bool RichTextView::setSelColor(const QColor& color)
{
    QTextCharFormat format;
    format.setForeground(color);
    return mergeSelectionFormat(format);
}

bool RichTextView::setSelBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    return mergeSelectionFormat(format);
}

bool RichTextView::setSelItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    return mergeSelectionFormat(format);
}

bool RichTextView::setSelUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    return mergeSelectionFormat(format);
}

bool RichTextView::setSelStrikeThru(bool on)
{
    QTextCharFormat format;
    format.setFontStrikeOut(on);
    return mergeSelectionFormat(format);
}

bool RichTextView::setSelCharOffset(int points)
{
    QTextCharFormat format;
    format.setVerticalAlignment(points > 0   ? QTextCharFormat::AlignSuperScript
                                : points < 0 ? QTextCharFormat::AlignSubScript
                                             : QTextCharFormat::AlignNormal);
    if (points == 0) {
        // A book may raise text by an exact offset of its own; offset 0 clears that too.
        format.setBaselineOffset(0);
    }
    return mergeSelectionFormat(format);
}

QFont RichTextView::baseFont() const
{
    QFont base = font();
    base.setPointSize(m_fontSize);
    if (!m_fontFamily.isEmpty()) {
        base.setFamilies({m_fontFamily});
    }
    return base;
}

void RichTextView::setFontSize(int points)
{
    m_fontSize = FontSizePolicy::effective(points);
    const QFont base = baseFont();
    // The editor hands its own font to the document as the default font: text that sets no
    // size of its own (all of a plain-text book) follows it.
    setFont(base);
    if (document()->defaultFont() != base) {
        document()->setDefaultFont(base);
    }
    if (updateColumn()) {
        relayoutForWidth();
    }
}

void RichTextView::setFontFamily(const QString& family)
{
    if (family == m_fontFamily) {
        return;
    }
    m_fontFamily = family;
    setFontSize(m_fontSize);
}

void RichTextView::setLook(const BookLook& look)
{
    m_look = look;
    // The theme's colours are the view's palette: the background (the margins beside a
    // narrowed column too), text that sets no colour, the selection.
    QPalette p = palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Base, look.background);
        p.setColor(group, QPalette::Window, look.background);
        p.setColor(group, QPalette::Text, look.text);
    }
    if (p != palette()) {
        setPalette(p);
        // A window's style sheet gives the viewport a palette of its own, which the view's
        // does not reach.
        viewport()->setPalette(p);
    }
    if (auto* layout = qobject_cast<BookDocumentLayout*>(document()->documentLayout())) {
        rememberTop();
        layout->setLook(look);
    }
    if (updateColumn()) {
        relayoutForWidth();
    }
    viewport()->update();
}

void RichTextView::setColumnCharacters(int characters)
{
    m_columnCharacters = qMax(0, characters);
    if (updateColumn()) {
        relayoutForWidth();
    }
}

bool RichTextView::updateColumn()
{
    int side = 0;
    if (m_columnCharacters > 0) {
        const QFontMetricsF metrics(baseFont());
        const qreal column = m_columnCharacters * metrics.averageCharWidth() * m_look.zoom +
                             2 * document()->documentMargin();
        const int room = contentsRect().width() - verticalScrollBar()->sizeHint().width();
        side = qMax(0, int((room - column) / 2));
    }
    if (viewportMargins() == QMargins(side, 0, side, 0)) {
        return false;
    }
    setViewportMargins(side, 0, side, 0);
    return true;
}

void RichTextView::relayoutForWidth()
{
    // The editor lays its document out for a new width only on a resize of its own.
    QResizeEvent event(size(), QSize(-1, -1));
    resizeEvent(&event);
}

int RichTextView::fontSize() const
{
    return m_fontSize;
}

int RichTextView::Find(const QString& text, int start, FindOptions options)
{
    if (text.isEmpty()) {
        return -1;
    }
    const Qt::CaseSensitivity sensitivity =
        (options & FindMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wholeWord = options & FindWholeWord;
    const int from = qBound(0, start, characterCount());
    for (QTextBlock block = document()->findBlock(from); block.isValid(); block = block.next()) {
        QString blockText = block.text();
        // A typed space finds a non-breaking space too.
        blockText.replace(QChar::Nbsp, QLatin1Char(' '));
        qsizetype index = qMax(0, from - block.position());
        while ((index = blockText.indexOf(text, index, sensitivity)) >= 0) {
            if (!wholeWord || (!isWordCharacter(blockText, index - 1) &&
                               !isWordCharacter(blockText, index + text.size()))) {
                const int offset = block.position() + int(index);
                QTextCursor match(document());
                match.setPosition(offset);
                match.setPosition(offset + int(text.size()), QTextCursor::KeepAnchor);
                setTextCursor(match);
                showCaret();
                return offset;
            }
            ++index;
        }
    }
    return -1;
}

bool RichTextView::SelPrint(QPrinter* printer)
{
    const QTextCursor cursor = textCursor();
    BusyPointer busy;
    if (cursor.hasSelection()) {
        return DocumentPrinter::printRange(document(), cursor.selectionStart(),
                                           cursor.selectionEnd(), printer);
    }
    return DocumentPrinter::printRange(document(), 0, characterCount(), printer);
}

bool RichTextView::AddPicture(const QString& path)
{
    const QImage image(path);
    if (image.isNull()) {
        return false;
    }
    // The name marks the picture as the program's own, so it can be told from pictures that
    // came with the book.
    const QString name = PictureNamePrefix + QFileInfo(path).fileName();
    document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    QTextCursor cursor = textCursor();
    cursor.setPosition(cursor.selectionStart());
    if (m_rtfBook && !(m_source && m_source->insertPicture(cursor.position(), name, image))) {
        return refuseChange();
    }
    m_changeRefusal.clear();
    cursor.insertImage(format);
    setTextCursor(cursor);
    return true;
}

bool RichTextView::isPictureAt(int offset) const
{
    if (offset < 0 || offset >= characterCount() ||
        document()->characterAt(offset) != QChar::ObjectReplacementCharacter) {
        return false;
    }
    QTextCursor cursor(document());
    cursor.setPosition(offset + 1);
    const QTextCharFormat format = cursor.charFormat();
    return format.isImageFormat() && format.toImageFormat().name().startsWith(PictureNamePrefix);
}

QString RichTextView::noteAt(const QPoint& point) const
{
    const QPointF documentPoint =
        point + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int position = document()->documentLayout()->hitTest(documentPoint, Qt::ExactHit);
    if (position < 0) {
        return {};
    }
    // The hit is the caret place nearest the point: the mark is the character after it or,
    // past the middle of the mark, the one before.
    for (const int offset : {position, position - 1}) {
        if (offset < 0 || offset >= characterCount()) {
            continue;
        }
        QTextCursor cursor(document());
        cursor.setPosition(offset + 1);
        const QString note = BookText::noteText(cursor.charFormat());
        if (!note.isEmpty()) {
            return note;
        }
    }
    return {};
}

bool RichTextView::event(QEvent* event)
{
    // The wheel turned over the margins beside a narrowed column scrolls the text as it does
    // over the text itself (and turns an EPUB book's chapters just the same).
    if (event->type() == QEvent::Wheel && viewportMargins() != QMargins() &&
        !viewport()->geometry().contains(static_cast<QWheelEvent*>(event)->position().toPoint())) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        QWheelEvent moved(viewport()->mapFrom(this, wheel->position()), wheel->globalPosition(),
                          wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(),
                          wheel->modifiers(), wheel->phase(), wheel->inverted(), wheel->source(),
                          wheel->pointingDevice());
        QCoreApplication::sendEvent(viewport(), &moved);
        event->setAccepted(moved.isAccepted());
        return true;
    }
    return QTextEdit::event(event);
}

void RichTextView::mousePressEvent(QMouseEvent* event)
{
    emit mouseDown(event->button(), event->pos());
    QTextEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        const QString note = noteAt(event->pos());
        if (!note.isEmpty()) {
            QToolTip::showText(viewport()->mapToGlobal(event->pos()), note, viewport());
        }
    }
}

bool RichTextView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString note = noteAt(help->pos());
        if (note.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), note, viewport());
        }
        return true;
    }
    return QTextEdit::viewportEvent(event);
}

void RichTextView::keepTextStill(qreal y, qreal delta)
{
    QScrollBar* bar = verticalScrollBar();
    if (y > bar->value() + 0.5) {
        return;
    }
    m_shiftRemainder += delta;
    const int whole = qRound(m_shiftRemainder);
    m_shiftRemainder -= whole;
    if (whole != 0) {
        bar->setMaximum(qMax(bar->maximum(), bar->value() + whole));
        bar->setValue(bar->value() + whole);
    }
}

void RichTextView::rememberTop()
{
    if (m_restoreTop || m_resizing) {
        return;
    }
    // A pixel below the top, so that a line ending exactly there does not count.
    const int position = document()->documentLayout()->hitTest(
        QPointF(document()->documentMargin(), verticalScrollBar()->value() + 1), Qt::FuzzyHit);
    m_topPosition = qMax(0, position);
}

void RichTextView::restoreTop()
{
    m_restoreTop = false;
    auto* layout = qobject_cast<BookDocumentLayout*>(document()->documentLayout());
    if (!layout) {
        return;
    }
    // Rounded up: the view's top pixel row is then the line's own, never the one above's.
    const int top = qCeil(layout->lineTop(qMin(m_topPosition, characterCount())));
    QScrollBar* bar = verticalScrollBar();
    bar->setMaximum(qMax(bar->maximum(), top));
    bar->setValue(top);
}

void RichTextView::scrollContentsBy(int dx, int dy)
{
    // Heights above may have become exact since the last paint, so the old pixels are not
    // moved: the viewport is drawn anew.
    Q_UNUSED(dx);
    Q_UNUSED(dy);
    viewport()->update();
    rememberTop();
    layoutScreenAbove();
}

void RichTextView::layoutScreenAbove()
{
    // Text scrolled into view from above is then exact already: the heights that change are
    // those above the screen, and keepTextStill makes up for them.
    auto* layout = qobject_cast<BookDocumentLayout*>(document()->documentLayout());
    if (!layout || m_layingOutAbove || m_restoreTop || m_resizing) {
        return;
    }
    m_layingOutAbove = true;
    layout->layoutAbove(document()->findBlock(m_topPosition), viewport()->height());
    m_layingOutAbove = false;
}

void RichTextView::resizeEvent(QResizeEvent* event)
{
    // The text at the top now, before the new width moves the scroll bar.
    rememberTop();
    m_resizing = true;
    updateColumn();
    QTextEdit::resizeEvent(event);
    m_resizing = false;
    if (m_restoreTop) {
        restoreTop();
    }
}

void RichTextView::paintEvent(QPaintEvent* event)
{
    if (m_restoreTop) {
        restoreTop();
    }
    QTextEdit::paintEvent(event);
}
