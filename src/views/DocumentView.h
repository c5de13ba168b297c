#pragma once

#include <QWidget>

class QLabel;
class QTextDocument;
class QTextEdit;
class QStackedLayout;
class WordConverter;

// ole1: shows a word-processor document (".doc") read-only, converted by an outside converter.
// Its tables are shown with their columns lined up.
class DocumentView : public QWidget
{
    Q_OBJECT
public:
    enum Verb
    {
        VerbPrimary = 0,
        VerbShow = -1,
        VerbUiActivate = -4
    };

    explicit DocumentView(QWidget* parent = nullptr);
    ~DocumentView() override;

    // Builds the document from the file; false when it cannot be shown (the view then explains).
    bool CreateEmbedFromFile(const QString& path, QString* error = nullptr);
    // Activation with a verb (-4: user-interface activation) and its undoing before hiding.
    void DoVerb(int verb);
    void Deactivate();
    bool isActive() const;
    // The text the view shows.
    QString text() const;
    // True when the view shows an explanation instead of a document.
    bool showsExplanation() const;

    // The document as shown (one paragraph a line of the converted text).
    const QTextDocument* document() const;
    // Where the reader is: the offset of the first character at the view's top edge.
    int topOffset() const;
    // Scrolls the line of offset to the view's top edge.
    void showOffset(int offset);

signals:
    // The reader moved through the document.
    void placeChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void explain(const QString& text);
    // Shows the converted text: prose in the view's font, wrapped to the view's width; table
    // rows in a font of one width for every character, never wrapped (the view scrolls
    // sideways), so their columns line up.
    void showText(const QString& text);

    QTextEdit* m_text = nullptr;
    QLabel* m_message = nullptr;
    QStackedLayout* m_stack = nullptr;
    WordConverter* m_converter = nullptr;
    bool m_active = false;
};
