#include "views/FindBar.h"

#include "core/BusyPointer.h"
#include "views/EpubSession.h"
#include "views/PdfView.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

namespace {
// Matches highlighted around the one shown: a book may hold tens of thousands.
constexpr int HighlightedAround = 1000;
} // namespace

FindBar::FindBar(ReadingPane& pane, QWidget* parent) : QWidget(parent), m_pane(pane)
{
    setObjectName(QStringLiteral("findBar"));
    setAccessibleName(tr("Find bar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(tr("Find:"), this);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("findText"));
    m_field->setAccessibleName(tr("Text to find"));
    label->setBuddy(m_field);
    auto button = [this](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        return b;
    };
    m_previous = button("findPrevious", tr("Previous"), tr("Find Previous (Shift+F3)"));
    m_next = button("findNext", tr("Next"), tr("Find Next (F3)"));
    m_countLabel = new QLabel(this);
    m_countLabel->setObjectName(QStringLiteral("findCount"));
    m_countLabel->setAccessibleName(tr("Matches"));
    m_close = button("findClose", tr("Close"), tr("Close the find bar (Esc)"));
    row->addWidget(label);
    row->addWidget(m_field, 1);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_countLabel, 1);
    row->addWidget(m_close);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textChanged, this, &FindBar::search);
    connect(m_previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(m_next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(m_close, &QToolButton::clicked, this, &FindBar::close);
    connect(m_pane.web(), &WebView::foundInPage, this, &FindBar::webFound);
    connect(m_pane.pdf(), &PdfView::foundChanged, this, &FindBar::pdfFound);
    // Another book in the pane: its matches are not the old book's.
    connect(&m_pane, &ReadingPane::interfaceChanged, this, [this] {
        m_chapterTexts.clear();
        if (isVisible()) {
            search();
        }
    });
    hide();
}

QString FindBar::text() const
{
    return m_field->text();
}

void FindBar::setText(const QString& text)
{
    m_field->setText(text);
}

void FindBar::open()
{
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    if (!m_field->text().isEmpty()) {
        search();
    }
}

void FindBar::close()
{
    clearHighlights();
    hide();
    emit closed();
    switch (target()) {
    case Target::Text:
        m_pane.text()->setFocus();
        break;
    case Target::Web:
        m_pane.web()->setFocus();
        break;
    case Target::Pdf:
        m_pane.pdf()->setFocus();
        break;
    case Target::None:
        break;
    }
}

FindBar::Target FindBar::target() const
{
    const BookKind kind = m_pane.state().Kind;
    switch (BookKinds::row(kind).view) {
    case BookKinds::View::Text:
        return Target::Text;
    case BookKinds::View::Web:
        return Target::Web;
    case BookKinds::View::Pdf:
        return Target::Pdf;
    case BookKinds::View::Document:
    case BookKinds::View::Explanation:
        break;
    }
    return Target::None;
}

void FindBar::search()
{
    m_current = -1;
    m_count = 0;
    m_countDone = true;
    m_before = 0;
    const QString text = m_field->text();
    switch (target()) {
    case Target::Text: {
        countChapters();
        collectTextMatches();
        // The first match on or after the top of the view.
        RichTextView* view = m_pane.text();
        // A pixel below the top, as the view counts the line it shows first.
        const int top = view->cursorForPosition(QPoint(0, 1)).position();
        const auto at = std::lower_bound(m_offsets.cbegin(), m_offsets.cend(), top);
        if (at != m_offsets.cend()) {
            showTextMatch(int(at - m_offsets.cbegin()));
        } else if (!text.isEmpty() && !turnChapter(false) && !m_offsets.isEmpty()) {
            showTextMatch(0);
        }
        break;
    }
    case Target::Web:
        m_countDone = text.isEmpty();
        m_pane.web()->findText(text);
        break;
    case Target::Pdf:
        m_countDone = text.isEmpty();
        m_pane.pdf()->find(text);
        break;
    case Target::None:
        break;
    }
    showCount();
}

void FindBar::findNext()
{
    step(false);
}

void FindBar::findPrevious()
{
    step(true);
}

void FindBar::step(bool backward)
{
    const QString text = m_field->text();
    if (text.isEmpty()) {
        return;
    }
    switch (target()) {
    case Target::Text: {
        const int n = int(m_offsets.size());
        const bool pastEnd = backward ? m_current <= 0 : m_current >= n - 1;
        if (pastEnd && turnChapter(backward)) {
            break;
        }
        if (n > 0) {
            showTextMatch(m_current < 0 ? 0 : (m_current + (backward ? n - 1 : 1)) % n);
        }
        break;
    }
    case Target::Web:
        m_pane.web()->findText(text, backward);
        break;
    case Target::Pdf:
        m_pane.pdf()->findNext(backward);
        break;
    case Target::None:
        break;
    }
    showCount();
}

void FindBar::collectTextMatches()
{
    m_offsets.clear();
    const QString text = m_field->text();
    if (text.isEmpty()) {
        highlightText();
        return;
    }
    QTextDocument* document = m_pane.text()->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QString blockText = block.text();
        // A typed space finds a non-breaking space too, as Search does.
        blockText.replace(QChar::Nbsp, QLatin1Char(' '));
        for (qsizetype at = blockText.indexOf(text, 0, Qt::CaseInsensitive); at >= 0;
             at = blockText.indexOf(text, at + text.size(), Qt::CaseInsensitive)) {
            m_offsets.append(block.position() + int(at));
        }
    }
    m_count = int(m_offsets.size());
    m_before = 0;
    if (isEpub() && !m_chapterMatches.isEmpty()) {
        // The whole book's count: the chapter shown as it is now, the others as counted.
        const int shown = m_pane.epub()->currentChapter();
        for (int chapter = 0; chapter < m_chapterMatches.size(); ++chapter) {
            if (chapter < shown) {
                m_before += m_chapterMatches.at(chapter);
            }
            if (chapter != shown) {
                m_count += m_chapterMatches.at(chapter);
            }
        }
    }
}

bool FindBar::isEpub() const
{
    const EpubSession* epub = m_pane.epub();
    return epub && epub->isOpen() && m_pane.state().Kind == BookKind::Epub;
}

void FindBar::countChapters()
{
    m_chapterMatches.clear();
    const QString text = m_field->text();
    if (!isEpub() || text.isEmpty()) {
        return;
    }
    EpubSession* epub = m_pane.epub();
    const int count = int(epub->book().chapters().size());
    if (m_chapterTexts.size() != count) {
        // Every chapter is converted once for the book, then searched as the user types.
        BusyPointer busy;
        m_chapterTexts.clear();
        for (int chapter = 0; chapter < count; ++chapter) {
            m_chapterTexts.append(epub->plainTextOf(chapter));
        }
    }
    for (const QString& chapterText : std::as_const(m_chapterTexts)) {
        m_chapterMatches.append(int(chapterText.count(text, Qt::CaseInsensitive)));
    }
}

void FindBar::showTextMatch(int index)
{
    m_current = index;
    RichTextView* view = m_pane.text();
    QTextCursor match(view->document());
    match.setPosition(m_offsets.at(index));
    match.setPosition(m_offsets.at(index) + int(m_field->text().size()), QTextCursor::KeepAnchor);
    view->setTextCursor(match);
    view->ensureCursorVisible();
    highlightText();
}

void FindBar::highlightText()
{
    RichTextView* view = m_pane.text();
    QList<QTextEdit::ExtraSelection> selections;
    const int length = int(m_field->text().size());
    const QColor colour = view->palette().color(QPalette::Base).lightness() < 128
                              ? QColor(120, 100, 0)
                              : QColor(255, 230, 90);
    const int first = qMax(0, m_current - HighlightedAround);
    const int last = qMin(int(m_offsets.size()), qMax(0, m_current) + HighlightedAround);
    for (int i = first; i < last; ++i) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(view->document());
        selection.cursor.setPosition(m_offsets.at(i));
        selection.cursor.setPosition(m_offsets.at(i) + length, QTextCursor::KeepAnchor);
        selection.format.setBackground(colour);
        selections.append(selection);
    }
    view->setExtraSelections(selections);
}

bool FindBar::turnChapter(bool backward)
{
    EpubSession* epub = m_pane.epub();
    if (!epub || !epub->isOpen() || m_pane.state().Kind != BookKind::Epub) {
        return false;
    }
    const int count = int(m_chapterMatches.size());
    const int start = epub->currentChapter();
    // The chapters after (or before) this one, round to this one again.
    for (int i = 1; i < count; ++i) {
        const int chapter = backward ? (start - i + count) % count : (start + i) % count;
        if (m_chapterMatches.value(chapter) == 0) {
            continue;
        }
        if (!epub->showWholeChapter(chapter)) {
            return false;
        }
        collectTextMatches();
        if (m_offsets.isEmpty()) {
            return false;
        }
        showTextMatch(backward ? int(m_offsets.size()) - 1 : 0);
        return true;
    }
    return false;
}

void FindBar::clearHighlights()
{
    m_offsets.clear();
    m_current = -1;
    switch (target()) {
    case Target::Text:
        m_pane.text()->setExtraSelections({});
        break;
    case Target::Web:
        m_pane.web()->findText(QString());
        break;
    case Target::Pdf:
        m_pane.pdf()->find(QString());
        break;
    case Target::None:
        break;
    }
}

QString FindBar::countText() const
{
    return m_countLabel->text();
}

void FindBar::showCount()
{
    QString shown;
    if (m_field->text().isEmpty()) {
        shown.clear();
    } else if (m_count == 0) {
        shown = m_countDone ? tr("No matches") : tr("Searching...");
    } else {
        shown = tr("%1 of %2").arg(m_before + m_current + 1).arg(m_count);
        if (!m_countDone) {
            shown += tr(" (searching...)");
        }
    }
    m_countLabel->setText(shown);
}

void FindBar::webFound(int active, int matches)
{
    m_current = active - 1;
    m_count = matches;
    m_countDone = true;
    showCount();
}

void FindBar::pdfFound(int current, int matches, bool done)
{
    m_current = current;
    m_count = matches;
    m_countDone = done;
    showCount();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    // Esc closes the bar before it leaves full screen.
    if (watched == m_field && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            step(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
