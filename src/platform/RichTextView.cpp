#include "platform/RichTextView.h"

#include "platform/AtomicFile.h"
#include "platform/BookPictureHandler.h"
#include "platform/DocumentPrinter.h"
#include "platform/FillingDocumentLayout.h"
#include "platform/rtf/PlainTextDecoder.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfSourceBook.h"
#include "platform/rtf/RtfWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

const QString RichTextView::PictureNamePrefix = QStringLiteral("quillmere-bookmark:");

namespace {
// Far beyond any real book; a larger file would not fit in memory once decoded, so it is
// refused with a message instead.
constexpr qint64 MaxBookBytes = qint64(256) * 1024 * 1024;

bool isWordCharacter(const QString& text, qsizetype index)
{
    return index >= 0 && index < text.size() && text.at(index).isLetterOrNumber();
}

// Keeps the busy pointer up while the whole book is laid out for the printer.
class BusyPointer
{
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};
} // namespace

RichTextView::RichTextView(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("txtBook"));
    setAccessibleName(tr("Book"));
    // A reader never saves what was typed by accident, so typing cannot change the book; the
    // caret and keyboard selection stay, since bookmarks, lookups and search work from them.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The right button belongs to the main window's lookup menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    QFont base = font();
    base.setPointSize(m_fontSize);
    setFont(base);
    adoptDocument(newDocument());
}

RichTextView::~RichTextView() = default;

QTextDocument* RichTextView::newDocument()
{
    auto* document = new QTextDocument(this);
    document->setUndoRedoEnabled(false);
    QFont base = font();
    base.setPointSize(m_fontSize);
    document->setDefaultFont(base);
    document->setDocumentLayout(new FillingDocumentLayout(document));
    return document;
}

void RichTextView::adoptDocument(QTextDocument* document)
{
    auto* layout = new QPlainTextDocumentLayout(document);
    BookPictureHandler::install(layout);
    document->setDocumentLayout(layout);
    QTextDocument* old = QPlainTextEdit::document();
    // The first document is the editor's own and goes with it; later ones are ours.
    const bool ours = old && old->parent() == this;
    setDocument(document);
    if (ours && old != document) {
        delete old;
    }
}

void RichTextView::setText(const QString& text)
{
    m_source.reset();
    QTextDocument* document = newDocument();
    document->setPlainText(text);
    adoptDocument(document);
}

QString RichTextView::text() const
{
    return toPlainText();
}

int RichTextView::characterCount() const
{
    return document()->characterCount() - 1;
}

bool RichTextView::LoadFile(const QString& path, int kind, QString* error)
{
    m_source.reset();
    auto fail = [&](const QString& text) {
        adoptDocument(newDocument());
        if (error) {
            *error = text;
        }
        return false;
    };
    const QString shownPath = QDir::toNativeSeparators(path);
    if (kind != LoadRtf && kind != LoadPlainText) {
        return fail(tr("%1 cannot be opened: unknown kind of file.").arg(shownPath));
    }
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        return fail(tr("%1 cannot be opened: %2").arg(shownPath, file.errorString()));
    }
    if (file.size() > MaxBookBytes) {
        return fail(tr("%1 is too large to open as a book.").arg(shownPath));
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return fail(tr("%1 cannot be read: %2").arg(shownPath, file.errorString()));
    }
    file.close();

    // The book is built in a document without a layout, so filling it costs no layout work;
    // the view then lays out only what it shows.
    QTextDocument* document = newDocument();
    if (kind == LoadRtf) {
        QString readError;
        Rtf::RtfSourceMap map;
        if (!Rtf::read(data, document, &readError, &map)) {
            delete document;
            return fail(tr("%1 is not an RTF file: %2").arg(shownPath, readError));
        }
        if (map.isMappable()) {
            m_source = std::make_unique<Rtf::RtfSourceBook>(data, std::move(map));
        }
    } else {
        document->setPlainText(PlainText::decode(data));
    }
    adoptDocument(document);
    return true;
}

bool RichTextView::SaveFile(const QString& path, QString* error)
{
    const QByteArray data = m_source ? m_source->bytes() : Rtf::write(document());
    if (data.isEmpty()) {
        if (error) {
            *error = tr("%1 cannot be written: the book could not be turned into RTF.")
                         .arg(QDir::toNativeSeparators(path));
        }
        return false;
    }
    return writeFileAtomically(path, data, error);
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
    ensureCursorVisible();
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
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void RichTextView::setSelText(const QString& text)
{
    QTextCursor cursor = textCursor();
    // Removing one of our pictures is followed in the source; any other edit is not.
    if (m_source && !(text.isEmpty() && cursor.selectionEnd() - cursor.selectionStart() == 1 &&
                      isPictureAt(cursor.selectionStart()) &&
                      m_source->removePicture(cursor.selectionStart()))) {
        m_source.reset();
    }
    if (text.isEmpty()) {
        cursor.removeSelectedText();
    } else {
        cursor.insertText(text);
    }
    setTextCursor(cursor);
}

QByteArray RichTextView::SelRTF() const
{
    const QTextCursor cursor = textCursor();
    return Rtf::writeRange(document(), cursor.selectionStart(), cursor.selectionEnd());
}

void RichTextView::mergeSelectionFormat(const QTextCharFormat& format)
{
    // Only the text colour and underlining (the red pen and the eraser) are followed in the
    // source; any other change has the book written whole.
    const QTextCursor cursor = textCursor();
    if (m_source && cursor.hasSelection()) {
        const int start = cursor.selectionStart();
        const int end = cursor.selectionEnd();
        const auto properties = format.properties();
        const int only = properties.size() == 1 ? properties.firstKey() : -1;
        bool followed = false;
        if (only == QTextFormat::ForegroundBrush) {
            followed = m_source->setColor(*document(), start, end, format.foreground().color());
        } else if (only == QTextFormat::TextUnderlineStyle) {
            followed = m_source->setUnderline(
                *document(), start, end, format.underlineStyle() != QTextCharFormat::NoUnderline);
        }
        if (!followed) {
            m_source.reset();
        }
    }
    mergeCurrentCharFormat(format);
}

void RichTextView::setSelColor(const QColor& color)
{
    QTextCharFormat format;
    format.setForeground(color);
    mergeSelectionFormat(format);
}

void RichTextView::setSelBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeSelectionFormat(format);
}

void RichTextView::setSelItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    mergeSelectionFormat(format);
}

void RichTextView::setSelUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    mergeSelectionFormat(format);
}

void RichTextView::setSelStrikeThru(bool on)
{
    QTextCharFormat format;
    format.setFontStrikeOut(on);
    mergeSelectionFormat(format);
}

void RichTextView::setSelCharOffset(int points)
{
    QTextCharFormat format;
    format.setVerticalAlignment(points > 0   ? QTextCharFormat::AlignSuperScript
                                : points < 0 ? QTextCharFormat::AlignSubScript
                                             : QTextCharFormat::AlignNormal);
    if (points == 0) {
        // A book may raise text by an exact offset of its own; offset 0 clears that too.
        format.setBaselineOffset(0);
    }
    mergeSelectionFormat(format);
}

void RichTextView::setFontSize(int points)
{
    m_fontSize = points <= 0 ? DefaultFontSize : qMin(points, MaxFontSize);
    QFont base = font();
    base.setPointSize(m_fontSize);
    // The editor hands its own font to the document as the default font: text that sets no
    // size of its own (all of a plain-text book) follows it.
    setFont(base);
    if (document()->defaultFont() != base) {
        document()->setDefaultFont(base);
    }
}

int RichTextView::fontSize() const
{
    return m_fontSize;
}

int RichTextView::Find(const QString& text, int start, int options)
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
                ensureCursorVisible();
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
    if (m_source && !m_source->insertPicture(cursor.position(), name, image)) {
        m_source.reset();
    }
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

void RichTextView::mousePressEvent(QMouseEvent* event)
{
    emit mouseDown(event->button(), event->pos());
    QPlainTextEdit::mousePressEvent(event);
}
