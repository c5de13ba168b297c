#include "views/plugins/web/WebEngineBackend.h"

#include "views/plugins/web/ConfinedPage.h"
#include "views/plugins/web/DownloadBar.h"
#include "views/plugins/web/LocalFileGuard.h"
#include "views/plugins/web/WebDownload.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
const QString PageStyleScriptName = QStringLiteral("quillmere-page-style");

// A file name made from a page title: characters that cannot stand in a file name go.
QString fileNameFromTitle(const QString& title)
{
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    QString name = title;
    name.replace(unsafe, QStringLiteral("_"));
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('.'))) {
        name.remove(0, 1);
    }
    return name.left(120);
}
} // namespace

WebEngineBackend::WebEngineBackend(WebViewHost* host, QWidget* parent)
    : QWidget(parent), m_host(host)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_downloadBar = new DownloadBar(this);
    m_layout->addWidget(m_downloadBar);
    startEngine();
}

WebEngineBackend::~WebEngineBackend()
{
    // Downloads and the page go before the profile they belong to.
    qDeleteAll(findChildren<WebDownload*>(Qt::FindDirectChildrenOnly));
    delete m_view;
    m_view = nullptr;
    m_page = nullptr;
    delete m_profile;
}

void WebEngineBackend::startEngine()
{
    // A profile without a storage name keeps nothing on disk: no cookies, cache or history
    // outlive the view.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            &WebEngineBackend::onDownloadRequested);
    m_profile->setUrlRequestInterceptor(new LocalFileGuard(m_profile));

    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("webEngineView"));
    m_view->setAccessibleName(parentWidget() ? parentWidget()->accessibleName() : QString());
    m_page = new ConfinedPage(m_profile, m_view);
    m_page->setConfinedFolder(m_confinedFolder);
    connect(m_page, &ConfinedPage::refused, this,
            [this](const QUrl& url) { m_host->navigationRefused(url); });
    // A page from this computer shows the files of its own folder and no other.
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    // Settings reach a page that already runs only later: the first page starts with them.
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, !m_showsLocalBooks);
    m_view->setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngineBackend::onLoadingChanged);
    connect(m_page, &QWebEnginePage::urlChanged, this, &WebEngineBackend::onUrlChanged);
    connect(m_view, &QWebEngineView::printFinished, this, [this](bool ok) {
        m_printer.reset();
        m_host->printEnded(ok);
    });
    connect(m_page, &QWebEnginePage::pdfPrintingFinished, this, [this](const QString&, bool ok) {
        m_printer.reset();
        m_host->printEnded(ok);
    });
    connect(m_page, &QWebEnginePage::findTextFinished, this,
            [this](const QWebEngineFindTextResult& result) {
                m_host->findFinished(result.activeMatch(), result.numberOfMatches());
            });

    m_layout->insertWidget(0, m_view, 1);
    setFocusProxy(m_view);
}

void WebEngineBackend::load(const QUrl& url)
{
    applyContentRules(url);
    m_busy = true;
    m_view->load(url);
}

bool WebEngineBackend::goBack()
{
    if (!m_view->history()->canGoBack()) {
        return false;
    }
    m_busy = true;
    m_view->back();
    return true;
}

bool WebEngineBackend::goForward()
{
    if (!m_view->history()->canGoForward()) {
        return false;
    }
    m_busy = true;
    m_view->forward();
    return true;
}

void WebEngineBackend::reload()
{
    if (m_view->url().isValid()) {
        m_busy = true;
        m_view->reload();
    }
}

void WebEngineBackend::stop()
{
    m_view->stop();
}

QString WebEngineBackend::title() const
{
    return m_view->title();
}

QUrl WebEngineBackend::url() const
{
    return m_view->url();
}

void WebEngineBackend::runJavaScript(const QString& script)
{
    m_page->runJavaScript(script);
}

void WebEngineBackend::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        // History and links reach local pages too, not only Navigate.
        applyContentRules(info.url());
        m_busy = true;
        m_pageLoaded = false;
        return;
    }
    m_busy = false;
    m_pageLoaded = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
    // The engine may give a new page a zoom of its own; the reader's stays.
    if (m_view->zoomFactor() != m_zoom) {
        m_view->setZoomFactor(m_zoom);
    }
    // A page that arrived, an error page of the server included, is the navigation's target;
    // a load that never reached its server or was stopped only ends.
    const bool arrived = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
                         (info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
                          info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain);
    if (arrived) {
        m_pageShown = true;
    }
    m_host->loadFinished(arrived, m_view->url().toString());
}

void WebEngineBackend::setShowsLocalBooks(bool on)
{
    m_showsLocalBooks = on;
    applyContentRules(m_view->url());
}

void WebEngineBackend::setConfinedFolder(const QString& folder)
{
    m_confinedFolder = folder;
    m_page->setConfinedFolder(folder);
}

void WebEngineBackend::setZoomFactor(qreal factor)
{
    m_zoom = factor;
    m_view->setZoomFactor(factor);
}

QString WebEngineBackend::pageStyleScript() const
{
    // Runs in a world of its own, which a book's disabled scripts do not stop; it only adds
    // (or takes away) a style element, now and on every page that loads.
    // The sheet as a script's string: a JSON array of it without its brackets.
    const QString css =
        QString::fromUtf8(QJsonDocument(QJsonArray{m_pageStyle}).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    return QStringLiteral("(function(){var css=%1;var id='quillmere-page-style';"
                          "var s=document.getElementById(id);"
                          "if(!css){if(s){s.remove();}return;}"
                          "if(!s){s=document.createElement('style');s.id=id;"
                          "(document.head||document.documentElement).appendChild(s);}"
                          "s.textContent=css;})();")
        .arg(css);
}

void WebEngineBackend::setPageStyle(const QString& css, const QColor& background)
{
    m_pageStyle = css;
    m_pageBackground = background;
    if (background.isValid()) {
        m_page->setBackgroundColor(background);
    }
    QWebEngineScriptCollection& scripts = m_page->scripts();
    for (const QWebEngineScript& old : scripts.find(PageStyleScriptName)) {
        scripts.remove(old);
    }
    if (!css.isEmpty()) {
        QWebEngineScript script;
        script.setName(PageStyleScriptName);
        script.setWorldId(QWebEngineScript::ApplicationWorld);
        script.setInjectionPoint(QWebEngineScript::DocumentReady);
        script.setRunsOnSubFrames(false);
        script.setSourceCode(pageStyleScript());
        scripts.insert(script);
    }
    // The page shown now takes the new look at once.
    m_page->runJavaScript(pageStyleScript(), QWebEngineScript::ApplicationWorld);
}

void WebEngineBackend::findText(const QString& text, bool backward, bool matchCase)
{
    QWebEnginePage::FindFlags flags;
    flags.setFlag(QWebEnginePage::FindBackward, backward);
    flags.setFlag(QWebEnginePage::FindCaseSensitively, matchCase);
    m_page->findText(text, flags);
}

void WebEngineBackend::applyContentRules(const QUrl& url)
{
    // A book on this computer is shown, not run: its scripts could read the user's files.
    // Pages from the web keep theirs.
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled,
                                     !m_showsLocalBooks && !url.isLocalFile());
}

void WebEngineBackend::onUrlChanged(const QUrl& url)
{
    // Moves within the page (an anchor) load nothing, so they are reported here.
    if (!m_busy && m_pageShown && url.isValid()) {
        m_host->urlChangedInPage(url.toString());
    }
}

bool WebEngineBackend::print(int option)
{
    if (!m_pageShown) {
        return false;
    }
    if (m_printer) {
        return false; // one print at a time
    }
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setDocName(title());
    if (const QString testFile = m_host->takeNextPrintFile(); !testFile.isEmpty()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(testFile);
    } else if (option == PromptUser) {
        QPrintDialog dialog(m_printer.get(), this);
        dialog.setWindowTitle(tr("Print"));
        if (dialog.exec() != QDialog::Accepted) {
            m_printer.reset();
            return false;
        }
    }
    if (m_printer->outputFormat() == QPrinter::PdfFormat &&
        !m_printer->outputFileName().isEmpty()) {
        // Printing into a PDF file keeps the page's text as text, not as a picture of it, and
        // keeps to the pages chosen in the dialog.
        const QPageRanges pages = m_printer->printRange() == QPrinter::PageRange
                                      ? m_printer->pageRanges()
                                      : QPageRanges();
        m_page->printToPdf(m_printer->outputFileName(), m_printer->pageLayout(), pages);
    } else {
        m_view->print(m_printer.get());
    }
    return true;
}

bool WebEngineBackend::savePage(int option)
{
    // An error page (no connection, not found) is no book.
    if (!m_pageLoaded || option != PromptUser) {
        return false; // saving always asks where to
    }
    const QUrl url = m_view->url();
    if (!url.isValid()) {
        return false;
    }
    // The engine fetches the page again as a download. Only its answer says what the page is
    // (its content type), and that decides the name's extension, so the user is asked where
    // to save it when the download arrives.
    m_pendingSaves.append({url, proposedFileName()});
    m_page->download(url);
    return true;
}

QString WebEngineBackend::proposedFileName() const
{
    const QUrl url = m_view->url();
    QString name = url.fileName();
    if (!name.isEmpty()) {
        return name;
    }
    // A page without a file name of its own is named after its title; the engine hands out the
    // address itself as the title of a page that has none. The extension follows once the
    // page's content type is known.
    const QString title = m_view->title();
    const bool realTitle = !title.isEmpty() && !url.toString().contains(title);
    name = realTitle ? fileNameFromTitle(title) : QString();
    if (name.isEmpty()) {
        name = url.host().isEmpty() ? QStringLiteral("page") : url.host();
    }
    return name;
}

QString WebEngineBackend::startFolder() const
{
    if (!m_startFolder.isEmpty()) {
        return m_startFolder;
    }
    return QDir::homePath();
}

void WebEngineBackend::onDownloadRequested(QWebEngineDownloadRequest* request)
{
    if (request->page() && request->page() != m_page) {
        return;
    }
    QString proposed;
    for (qsizetype i = 0; i < m_pendingSaves.size(); ++i) {
        if (m_pendingSaves.at(i).first == request->url()) {
            proposed = m_pendingSaves.takeAt(i).second;
            break;
        }
    }
    if (proposed.isEmpty()) {
        // A link saved from the page.
        proposed = request->downloadFileName();
    }
    if (proposed.isEmpty()) {
        proposed = request->url().fileName();
    }
    if (proposed.isEmpty()) {
        proposed = QStringLiteral("book");
    }
    // Ask where, starting in the books folder.
    const QString target =
        m_host->askSaveFileName(QDir(startFolder()).filePath(proposed), request->mimeType());
    if (target.isEmpty()) {
        request->cancel();
        return;
    }
    startDownload(request, target);
}

void WebEngineBackend::startDownload(QWebEngineDownloadRequest* request, const QString& target)
{
    auto* download = new WebDownload(request, target, this);
    const QString name = QFileInfo(target).fileName();
    ++m_activeDownloads;
    m_downloadBar->started(name);
    connect(download, &WebDownload::progress, m_downloadBar, &DownloadBar::progress);
    connect(download, &WebDownload::finished, this,
            [this, download, name](bool ok, const QString& path, const QString& error) {
                --m_activeDownloads;
                m_downloadBar->ended(ok, name, error);
                download->deleteLater();
                m_host->downloadEnded(ok, path, error);
            });
    download->start();
}
