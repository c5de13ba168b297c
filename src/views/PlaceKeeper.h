#pragma once

#include "core/BookKinds.h"
#include "formats/record/ReadingRecord.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class DocumentView;
class PdfView;
class QTextDocument;
class QTimer;
class RichTextView;
class WebView;

// Keeps where the open book is being read in its reading record, for the books the reading
// pane shows itself (EPUB books and the others read as chapters keep theirs in their session,
// in the same records): a text anchor for a book shown as text (plain text, RTF, a Word
// document), the page and how far down it for a PDF book, how far down the page for a web
// page. Anchors are offsets with the text around them, never pixels, so a place holds when the
// font or the window's width changes.
//
// The place is written 2 s after the reader last moved, when another book opens and when the
// program ends; the book's own file is never written. A place-only save does not wait for the
// device (it is cheap to lose and written often) but, like every save of a record, replaces the
// record whole or not at all.
class PlaceKeeper : public QObject
{
    Q_OBJECT
public:
    static constexpr int SaveDelayMs = 2000;
    // A web page says nothing when it scrolls: it is looked at this often.
    static constexpr int WebPollMs = 1000;

    PlaceKeeper(RichTextView* text, PdfView* pdf, WebView* web, DocumentView* document,
                const QString& recordsFolder, QObject* parent = nullptr);
    ~PlaceKeeper() override;

    QString recordsFolder() const { return m_folder; }

    // The book at path was opened as kind: its place is kept from now on. Kinds shown
    // elsewhere (EPUB) or not at all are let go.
    void bookOpened(const QString& path, BookKind kind);
    // Writes the place down (when it moved) and lets the book go.
    void close();
    bool isKeeping() const { return m_kind != BookKind::None; }
    QString path() const { return m_path; }

    // Shows the place where the book was left; false when it has none.
    bool restore();
    // Writes the place down now, when it moved since it was last written.
    bool saveNow();

    // The book's file is about to be written (its marks): its record is found while the file
    // is still the one it knows. bookWritten then follows the file as it is now, under newPath
    // (a plain-text book saved as RTF).
    void bookAboutToBeWritten();
    void bookWritten(const QString& newPath);

    // Where the reader is now, as the record keeps it (nothing without a book).
    std::optional<Reading::TextAnchor> currentAnchor() const;
    std::optional<Reading::PagePlace> currentPagePlace() const;

signals:
    // The reader moved (the place is written a little later).
    void moved();

private:
    Reading::ReadingRecord* record();
    void noteMove();
    const QTextDocument* textDocument() const;
    // Puts the anchor back in the text: the offset where its snippets still match there, or
    // the place the snippets match nearest to it.
    int placeInText(const Reading::TextAnchor& anchor) const;
    void showTextAt(int offset);

    RichTextView* m_text;
    PdfView* m_pdf;
    WebView* m_web;
    DocumentView* m_document;
    QString m_folder;
    QString m_path;
    BookKind m_kind = BookKind::None;
    std::unique_ptr<Reading::ReadingRecord> m_record;
    QTimer* m_saveTimer;
    QTimer* m_webPoll;
    double m_lastWebFraction = -1;
    bool m_moved = false;
};
