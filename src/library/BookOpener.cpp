#include "library/BookOpener.h"

#include "app/frmMain.h"
#include "platform/DocumentView.h"
#include "platform/PdfView.h"
#include "platform/RichTextView.h"
#include "platform/WebView.h"

#include <QApplication>
#include <QGuiApplication>

namespace {
// The busy pointer for the whole application while a book loads.
class BusyPointer
{
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};
} // namespace

void BookOpener::OpenTheNode() {}

void BookOpener::OpenManual()
{
    ReaderState& state = m_main.state();
    if (state.ChangesPending && !m_main.SaveChanges()) {
        return;
    }
    {
        BusyPointer busy;
        CleanTheTextBox();
        const QString path = state.BooksFolder + QStringLiteral("manual.rtf");
        state.CurrentBookName = QStringLiteral("manual.rtf");
        m_main.txtBook->setText(QString());
        const bool loaded = m_main.txtBook->LoadFile(path, RichTextView::LoadRtf);
        if (loaded) {
            m_main.txtBook->show();
            m_main.wbBook->hide();
            m_main.pdfBook->hide();
            m_main.ole1->hide();
            m_main.DisableInterface(3);
        }
    }
    state.ChangesPending = false;
}

void BookOpener::CleanTheTextBox()
{
    RichTextView* view = m_main.txtBook;
    view->setSelColor(Qt::black);
    view->setSelBold(false);
    view->setSelItalic(false);
    view->setSelUnderline(false);
    view->setSelStrikeThru(false);
    view->setSelCharOffset(0);
    view->setFontSize(m_main.state().effectiveFontSize());
}
