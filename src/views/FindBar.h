#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;
class ReadingPane;

// The find bar under the reading pane: as the user types, every match in the book shown is
// highlighted and counted ("12 of 222"); Enter and F3 go to the next match, Shift+Enter and
// Shift+F3 to the previous, wrapping round at either end; the first match shown is the first
// after the place being read. Esc closes it. Text books are searched here (an EPUB book on
// into its later chapters), web pages and PDF books by their engines.
class FindBar : public QWidget
{
    Q_OBJECT
public:
    explicit FindBar(ReadingPane& pane, QWidget* parent = nullptr);

    // Shows the bar with the text field focused and its text selected.
    void open();
    // Hides the bar, takes the highlights away and gives the focus back to the book.
    void close();
    void findNext();
    void findPrevious();

    QString text() const;
    void setText(const QString& text);
    // What the count says ("12 of 222", "No matches").
    QString countText() const;
    // The match shown (from 0; -1 for none) and how many there are.
    int currentMatch() const { return m_current; }
    int matchCount() const { return m_count; }

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Target
    {
        Text,
        Web,
        Pdf,
        None
    };
    Target target() const;
    // The text changed: a new search from the place being read.
    void search();
    void step(bool backward);
    // Text view: every match's offset in the document shown, and the one shown.
    void collectTextMatches();
    void showTextMatch(int index);
    void highlightText();
    // Goes on into the next EPUB chapter holding the text (wrapping to the first); false
    // when no other chapter does.
    bool turnChapter(bool backward);
    void clearHighlights();
    void showCount();
    void webFound(int active, int matches);
    void pdfFound(int current, int matches, bool done);

    ReadingPane& m_pane;
    QLineEdit* m_field;
    QLabel* m_countLabel;
    QToolButton* m_previous;
    QToolButton* m_next;
    QToolButton* m_close;
    QList<int> m_offsets;
    int m_current = -1;
    int m_count = 0;
    bool m_countDone = true;
    // An EPUB book: each chapter's text (made once per book) and its matches, and the
    // matches in the chapters before the one shown.
    bool isEpub() const;
    void countChapters();
    QStringList m_chapterTexts;
    QList<int> m_chapterMatches;
    int m_before = 0;
};
