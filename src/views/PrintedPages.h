#pragma once

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

class QPrinter;
class QTextDocument;

// Draws laid-out documents onto a printer one page after another, as every printout of the
// program looks: 2 cm margins and the page number in the foot, numbered through all that is
// printed. Only the pages of the range chosen in the print dialog are drawn (all of them when
// no page range was chosen); the others are counted, so the numbers stay those of the whole
// book. Nothing reaches the printer before the first page that is drawn.
class PrintedPages
{
public:
    // numberFont is the font of the page numbers.
    PrintedPages(QPrinter* printer, const QFont& numberFont);
    ~PrintedPages();

    // False, with the reason, when there is no printer or its paper leaves no room to print on.
    bool isUsable(QString* error) const;
    // The room on each page for the text, in the printer's pixels.
    QSizeF bodySize() const { return m_body.size(); }
    // Lays the document out for the printer's pages.
    void layOut(QTextDocument* document) const;
    // Draws the pages of a document laid out by layOut that lie in the range, after those of
    // the documents printed before it; each document starts on a new page. False, with the
    // reason, when the printer could not start or stopped.
    bool print(QTextDocument* document, QString* error);
    // Every page the range asks for has been counted: documents after this one need not be
    // laid out.
    bool rangeDone() const;
    // Ends the printout. False, with the reason, when the range held none of the pages (nothing
    // was printed) or the printer could not finish.
    bool finish(QString* error);

    int pagesCounted() const { return m_counted; }
    int pagesDrawn() const { return m_drawn; }

private:
    bool wanted(int number) const;

    QPrinter* m_printer;
    QFont m_numberFont;
    QPainter m_painter;
    QSizeF m_page;
    QRectF m_body;
    qreal m_margin = 0;
    int m_counted = 0;
    int m_drawn = 0;
};
