#include "views/DocumentView.h"

#include "views/ExplanationLabel.h"

#include "views/WordConverter.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QScrollBar>
#include <QStackedLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

DocumentView::DocumentView(QWidget* parent) : QWidget(parent)
{
    m_converter = new WordConverter(this);

    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("documentText"));
    m_text->setAccessibleName(tr("Word document text"));
    m_text->setReadOnly(true);
    m_text->setUndoRedoEnabled(false);
    m_text->setAcceptRichText(false);
    m_text->setLineWrapMode(QTextEdit::WidgetWidth);
    // Not active until activated: the document is shown but takes no input.
    m_text->setEnabled(false);

    m_message = makeExplanationLabel(this, "documentMessage", tr("Word document message"));

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_text);
    m_stack->addWidget(m_message);
    setFocusProxy(m_text);
    connect(m_text->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &DocumentView::placeChanged);
}

DocumentView::~DocumentView() = default;

bool DocumentView::CreateEmbedFromFile(const QString& path, QString* error)
{
    Deactivate();
    m_text->clear();

    QString converted;
    QString failure;
    if (!m_converter->convert(path, &converted, &failure)) {
        explain(tr("This Word document cannot be shown.\n\n%1\n\n%2")
                    .arg(QDir::toNativeSeparators(QFileInfo(path).fileName()), failure));
        if (error) {
            *error = failure;
        }
        return false;
    }
    // The converter starts with an empty line and ends with line breaks of its own.
    while (converted.startsWith(QLatin1Char('\n'))) {
        converted.remove(0, 1);
    }
    while (converted.endsWith(QLatin1Char('\n'))) {
        converted.chop(1);
    }
    showText(converted);
    m_message->clear();
    m_stack->setCurrentWidget(m_text);
    return true;
}

void DocumentView::showText(const QString& text)
{
    m_text->setPlainText(text);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (m_text->font().pointSizeF() > 0) {
        fixed.setPointSizeF(m_text->font().pointSizeF());
    }
    QTextCharFormat tableText;
    tableText.setFont(fixed);
    QTextBlockFormat tableRow;
    tableRow.setNonBreakableLines(true);
    QTextCursor cursor(m_text->document());
    cursor.beginEditBlock();
    for (QTextBlock block = m_text->document()->begin(); block.isValid(); block = block.next()) {
        if (!WordConverter::isTableRow(block.text())) {
            continue;
        }
        cursor.setPosition(block.position());
        cursor.mergeBlockFormat(tableRow);
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(tableText);
    }
    cursor.endEditBlock();
}

void DocumentView::DoVerb(int verb)
{
    if (verb != VerbUiActivate && verb != VerbShow && verb != VerbPrimary) {
        return;
    }
    m_active = true;
    m_text->setEnabled(true);
    if (isVisible()) {
        m_text->setFocus(Qt::OtherFocusReason);
    }
}

void DocumentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Activated before it was shown: the focus follows as soon as it can.
    if (m_active && !showsExplanation()) {
        m_text->setFocus(Qt::OtherFocusReason);
    }
}

void DocumentView::Deactivate()
{
    m_active = false;
    if (m_text->hasFocus()) {
        m_text->clearFocus();
    }
    m_text->setEnabled(false);
}

bool DocumentView::isActive() const
{
    return m_active;
}

QString DocumentView::text() const
{
    return showsExplanation() ? m_message->text() : m_text->toPlainText();
}

const QTextDocument* DocumentView::document() const
{
    return m_text->document();
}

int DocumentView::topOffset() const
{
    QTextCursor top = m_text->cursorForPosition(QPoint(0, 0));
    // The top edge in the space below a paragraph is the start of the next one: that is the
    // text the reader sees first.
    if (top.atBlockEnd() && m_text->cursorRect(top).bottom() < 1 && !top.atEnd()) {
        top.movePosition(QTextCursor::NextCharacter);
    }
    return top.position();
}

void DocumentView::showOffset(int offset)
{
    QTextCursor at(m_text->document());
    at.setPosition(qBound(0, offset, m_text->document()->characterCount() - 1));
    const int top = m_text->cursorRect(at).top();
    QScrollBar* bar = m_text->verticalScrollBar();
    bar->setValue(bar->value() + top);
}

bool DocumentView::showsExplanation() const
{
    return m_stack->currentWidget() == m_message;
}

void DocumentView::explain(const QString& text)
{
    m_message->setText(text);
    m_stack->setCurrentWidget(m_message);
}
