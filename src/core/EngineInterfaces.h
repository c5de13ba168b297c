#pragma once

// The interfaces between the program and its optional engines. The web engine, the PDF engine
// and the mail library are large, so each lives in a plugin that EngineLibrary loads the first
// time a book or a command needs it. Only virtual functions and Qt's own types cross the
// boundary: a plugin never calls the program's code except through the host interfaces below.

#include <QList>
#include <QPointF>
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
    // A script of the program's own, run apart from the page's scripts and also in a page
    // whose scripts are off (a library book): it moves the page, it never reads the user's
    // files.
    virtual void runProgramScript(const QString& script) = 0;
    // How far the page is scrolled and how large it is, in the page's pixels.
    virtual QPointF scrollPosition() const = 0;
    virtual QSizeF contentsSize() const = 0;
};

class WebEngineFactory
{
public:
    virtual ~WebEngineFactory() = default;
    virtual WebPageEngine* createPage(WebViewHost* host, QWidget* parent) = 0;
};

// One entry of a PDF book's outline (its bookmarks).
struct PdfOutlineEntry
{
    QString title;
    int depth = 0; // 0 for the top level
    int page = 0;
    double top = 0; // how far down the page the entry points, as a fraction of its height
};

// The pages of one PDF book inside a PdfView; its widget is a child of the view (a scroll
// area, whose vertical scroll bar says when the reader moves).
class PdfPagesEngine
{
public:
    virtual ~PdfPagesEngine() = default;
    virtual QWidget* widget() = 0;
    // false with the reason when the file is not a readable PDF with pages; the engine is then
    // empty.
    virtual bool load(const QString& path, QString* reason) = 0;
    virtual void close() = 0;
    virtual int pageCount() const = 0;
    // The page at the view's top edge, and how far down that page the edge lies (a fraction
    // of the page's height, so it holds at any zoom).
    virtual int currentPage() const = 0;
    virtual double currentTop() const = 0;
    // Scrolls so that the given fraction of page lies at the view's top edge.
    virtual void showPlace(int page, double top) = 0;
    virtual QList<PdfOutlineEntry> outline() const = 0;
};

class PdfEngineFactory
{
public:
    virtual ~PdfEngineFactory() = default;
    virtual PdfPagesEngine* createPages(QWidget* parent) = 0;
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
