#pragma once

// The interfaces between the program and its optional engines. The web engine, the PDF engine
// and the mail library are large, so each lives in a plugin that EngineLibrary loads the first
// time a book or a command needs it. Only virtual functions and Qt's own types cross the
// boundary: a plugin never calls the program's code except through the host interfaces below.

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <QtPlugin>

class QWidget;

// What a web page engine asks of the view that holds it (implemented by WebView).
class WebViewHost
{
public:
    virtual ~WebViewHost() = default;
    // The file a download or a saved page goes to, asked from the user starting at
    // proposedPath; empty when the user cancels. contentType is what the server says the file
    // is (empty when it says nothing).
    virtual QString askSaveFileName(const QString& proposedPath, const QString& contentType) = 0;
    // The print file a test asked for, taken once; empty for a real print.
    virtual QString takeNextPrintFile() = 0;
    virtual void loadFinished(bool arrived, const QString& address) = 0;
    virtual void urlChangedInPage(const QString& address) = 0;
    virtual void printEnded(bool ok) = 0;
    virtual void downloadEnded(bool ok, const QString& path, const QString& error) = 0;
    // A page kept to its folder (see WebPageEngine::setConfinedFolder) tried to go to url,
    // outside it, and was stopped.
    virtual void navigationRefused(const QUrl& url) = 0;
    // A search of WebPageEngine::findText ended: the match shown (from 1; 0 for none) of how
    // many the page holds.
    virtual void findFinished(int activeMatch, int matches) = 0;
};

// One page of the web engine shown inside a WebView; its widget is a child of the view.
class WebPageEngine
{
public:
    virtual ~WebPageEngine() = default;
    virtual QWidget* widget() = 0;
    virtual void load(const QUrl& url) = 0;
    virtual bool goBack() = 0;
    virtual bool goForward() = 0;
    virtual void reload() = 0;
    virtual void stop() = 0;
    virtual bool busy() const = 0;
    virtual bool pageShown() const = 0;
    // The page shown arrived whole: not an error page of the engine (no connection) or of the
    // server (not found), and not still loading.
    virtual bool pageLoaded() const = 0;
    virtual QString title() const = 0;
    virtual QUrl url() const = 0;
    virtual void runJavaScript(const QString& script) = 0;
    // option is WebView::PromptUser or not; false when nothing was started.
    virtual bool print(int option) = 0;
    virtual bool savePage(int option) = 0;
    virtual int activeDownloads() const = 0;
    virtual void setStartFolder(const QString& folder) = 0;
    // A view of the library's HTML books runs no scripts at all.
    virtual void setShowsLocalBooks(bool on) = 0;
    // While a page inside folder is shown, neither it nor its frames may go anywhere outside
    // folder (a link, a form, a refresh); the program's own loads are not held. Empty: no
    // folder is kept.
    virtual void setConfinedFolder(const QString& folder) = 0;
    // Zoom of the pages shown: 1 shows them at the size they set.
    virtual void setZoomFactor(qreal factor) = 0;
    // A style sheet laid over every page shown (the reading theme, the column's width), and the
    // colour shown where no page has drawn yet; an empty sheet lays nothing over.
    virtual void setPageStyle(const QString& css, const QColor& background) = 0;
    // Finds text in the page shown, after the match shown (backward: before it), every match
    // highlighted; the host hears of the result. An empty text takes the highlights away.
    virtual void findText(const QString& text, bool backward, bool matchCase) = 0;
};

class WebEngineFactory
{
public:
    virtual ~WebEngineFactory() = default;
    virtual WebPageEngine* createPage(WebViewHost* host, QWidget* parent) = 0;
};

// What the pages of a PDF book tell the view that holds them (implemented by PdfView).
class PdfViewHost
{
public:
    virtual ~PdfViewHost() = default;
    // The page being read (from 0) changed: the page most of the screen shows.
    virtual void pageChanged(int page) = 0;
    // The zoom changed (a factor: 1 shows a page at its printed size).
    virtual void zoomChanged(qreal factor) = 0;
    // The search found more matches, or moved to another: the current one (from 0; -1 for
    // none) and how many there are so far; done once every page was searched.
    virtual void matchesChanged(int current, int matches, bool done) = 0;
};

// One text line of a page: where it stands, in points from the page's top left, and its text.
struct PdfTextLine
{
    QRectF box;
    QString text;
};

// The pages of one PDF book inside a PdfView; its widget is a child of the view.
class PdfPagesEngine
{
public:
    // How the pages are fitted to the view.
    enum class Fit
    {
        None,  // the zoom factor given
        Width, // each page as wide as the view
        Page   // each page whole in the view
    };

    virtual ~PdfPagesEngine() = default;
    virtual QWidget* widget() = 0;
    // The scrolling area the pages are drawn in (for the wheel and the focus).
    virtual QWidget* pageArea() = 0;
    // false with the reason when the file is not a readable PDF with pages; the engine is then
    // empty.
    virtual bool load(const QString& path, QString* reason) = 0;
    virtual void close() = 0;
    virtual int pageCount() const = 0;
    virtual int currentPage() const = 0;
    // Shows the page (from 0) from its top.
    virtual void goToPage(int page) = 0;
    virtual void setZoom(Fit fit, qreal factor) = 0;
    virtual Fit fit() const = 0;
    // The factor the pages are shown at now, whatever the fit.
    virtual qreal zoomFactor() const = 0;
    // Shows the pages in inverted colours (light text on dark pages), and the room around them
    // in this colour.
    virtual void setColours(bool inverted, const QColor& background) = 0;
    // Searches every page for text (case ignored), showing the first match on or after the
    // page being read; the host hears of the matches as pages are searched. Empty: no search.
    virtual void find(const QString& text) = 0;
    // Shows the next or the previous match, wrapping round at either end.
    virtual void findNext(bool backward) = 0;
    // A page's size in points, its picture at a size in pixels, and its lines of text.
    virtual QSizeF pagePointSize(int page) const = 0;
    virtual QImage renderPage(int page, const QSize& pixels) = 0;
    virtual QList<PdfTextLine> pageText(int page) = 0;
};

class PdfEngineFactory
{
public:
    virtual ~PdfEngineFactory() = default;
    virtual PdfPagesEngine* createPages(PdfViewHost* host, QWidget* parent) = 0;
};

// One message, checked and made single-line by MailSession, ready for the wire.
struct MailMessage
{
    QString server;
    QString sender;
    QString user;
    QString password; // empty: ~/.netrc may give it
    QString recipName;
    QString recipAddress;
    QString subject;
    QString noteText;
    QString attachmentPath; // empty: no attachment
    QString attachmentType;
    bool encryptionRequired = true;
};

class MailTransport
{
public:
    virtual ~MailTransport() = default;
    // Sends the message, holding the calling thread until the server has answered (the
    // program calls it on a worker thread). False with the reason unless the server accepted
    // the message for every recipient.
    virtual bool send(const MailMessage& message, QString* error) = 0;
    // The server's last answer to the last message sent (its status line), or empty.
    virtual QString lastServerReply() const = 0;
};

#define QuillmereWebEngineFactory_iid "org.quillmere.WebEngineFactory/3"
#define QuillmerePdfEngineFactory_iid "org.quillmere.PdfEngineFactory/2"
#define QuillmereMailTransport_iid "org.quillmere.MailTransport/3"
Q_DECLARE_INTERFACE(WebEngineFactory, QuillmereWebEngineFactory_iid)
Q_DECLARE_INTERFACE(PdfEngineFactory, QuillmerePdfEngineFactory_iid)
Q_DECLARE_INTERFACE(MailTransport, QuillmereMailTransport_iid)
