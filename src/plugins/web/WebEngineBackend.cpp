#include "platform/WebView.h"

#include "app/FileDialog.h"
#include "plugins/web/DownloadBar.h"
#include "platform/Hosts.h"
#include "plugins/web/WebDownload.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
QString s_nextPrintFile;

// A local path becomes a file address; anything with a scheme (http, https, gopher, file,
// about) is used as given; a bare host name is taken as a web address, as a browser does.
QUrl addressToUrl(const QString& address)
{
    const QString text = address.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    if (text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1String("~/")) ||
        QFileInfo::exists(text)) {
        const QString path = text.startsWith(QLatin1String("~/"))
                                 ? QDir::homePath() + text.mid(1)
                                 : QFileInfo(text).absoluteFilePath();
        return QUrl::fromLocalFile(path);
    }
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(text).hasMatch()) {
        return QUrl(text, QUrl::TolerantMode);
    }
    return QUrl::fromUserInput(text);
}

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

WebView::WebView(QWidget* parent) : QWidget(parent)
{
    // Only plain widgets here: the engine starts with the first page asked for.
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_downloadBar = new DownloadBar(this);
    m_layout->addStretch(1);
    m_layout->addWidget(m_downloadBar);
}

WebView::~WebView()
{
    // Downloads and the page go before the profile they belong to.
    qDeleteAll(findChildren<WebDownload*>(Qt::FindDirectChildrenOnly));
    delete m_view;
    m_view = nullptr;
    m_page = nullptr;
    delete m_profile;
}

void WebView::startEngine()
{
    if (m_view) {
        return;
    }
    // A profile without a storage name keeps nothing on disk: no cookies, cache or history
    // outlive the view.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, &WebView::onDownloadRequested);

    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("webEngineView"));
    m_view->setAccessibleName(accessibleName());
    m_page = new QWebEnginePage(m_profile, m_view);
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    m_view->setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebView::onLoadingChanged);
    connect(m_page, &QWebEnginePage::urlChanged, this, &WebView::onUrlChanged);
    connect(m_view, &QWebEngineView::printFinished, this, [this](bool ok) {
        m_printer.reset();
        emit printFinished(ok);
    });
    connect(m_page, &QWebEnginePage::pdfPrintingFinished, this, [this](const QString&, bool ok) {
        m_printer.reset();
        emit printFinished(ok);
    });

    // The engine view takes the place of the empty stretch above the download bar.
    delete m_layout->takeAt(0);
    m_layout->insertWidget(0, m_view, 1);
    setFocusProxy(m_view);
}

bool WebView::Navigate(const QString& address)
{
    const QUrl url = addressToUrl(address);
    if (!url.isValid() || url.isEmpty()) {
        return false;
    }
    startEngine();
    m_busy = true;
    m_view->load(url);
    return true;
}

bool WebView::GoBack()
{
    if (!m_view || !m_view->history()->canGoBack()) {
        return false;
    }
    m_busy = true;
    m_view->back();
    return true;
}

bool WebView::GoForward()
{
    if (!m_view || !m_view->history()->canGoForward()) {
        return false;
    }
    m_busy = true;
    m_view->forward();
    return true;
}

void WebView::GoHome()
{
    Navigate(Hosts::host(Hosts::Home));
}

void WebView::Refresh()
{
    if (m_view && m_view->url().isValid()) {
        m_busy = true;
        m_view->reload();
    }
}

void WebView::Stop()
{
    if (m_view) {
        m_view->stop();
    }
}

bool WebView::Busy() const
{
    return m_busy;
}

QString WebView::LocationName() const
{
    return m_view ? m_view->title() : QString();
}

QString WebView::LocationURL() const
{
    return m_view ? m_view->url().toString() : QString();
}

int WebView::QueryStatusWB(int command) const
{
    if (command != CommandPrint && command != CommandSaveAs) {
        return 0;
    }
    return m_pageShown ? StatusSupported | StatusEnabled : StatusSupported;
}

bool WebView::ExecWB(int command, int option)
{
    if (!m_view || !m_pageShown) {
        return false;
    }
    switch (command) {
    case CommandPrint:
        return printPage(option);
    case CommandSaveAs:
        return savePage(option);
    default:
        return false;
    }
}

void WebView::setSaveFolder(const QString& folder)
{
    m_saveFolder = folder;
}

bool WebView::engineStarted() const
{
    return m_view != nullptr;
}

void WebView::runJavaScript(const QString& script)
{
    if (m_page) {
        m_page->runJavaScript(script);
    }
}

void WebView::setNextPrintFile(const QString& pdfPath)
{
    s_nextPrintFile = pdfPath;
}

void WebView::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        m_busy = true;
        return;
    }
    m_busy = false;
    // A page that arrived, an error page of the server included, is the navigation's target;
    // a load that never reached its server or was stopped only ends.
    const bool arrived = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
                         (info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
                          info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain);
    if (arrived) {
        m_pageShown = true;
        emit NavigateComplete2(m_view->url().toString());
    }
    emit DownloadComplete();
}

void WebView::onUrlChanged(const QUrl& url)
{
    // Moves within the page (an anchor) load nothing, so they are reported here.
    if (!m_busy && m_pageShown && url.isValid()) {
        emit NavigateComplete2(url.toString());
    }
}

bool WebView::printPage(int option)
{
    if (m_printer) {
        return false; // one print at a time
    }
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setDocName(LocationName());
    if (!s_nextPrintFile.isEmpty()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(s_nextPrintFile);
        s_nextPrintFile.clear();
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
        // Printing into a PDF file keeps the page's text as text, not as a picture of it.
        m_page->printToPdf(m_printer->outputFileName(), m_printer->pageLayout());
    } else {
        m_view->print(m_printer.get());
    }
    return true;
}

bool WebView::savePage(int option)
{
    if (option != PromptUser) {
        return false; // saving always asks where to
    }
    const QUrl url = m_view->url();
    if (!url.isValid()) {
        return false;
    }
    const QString target = FileDialog::getSaveFileName(
        this, tr("Save As"), QDir(startFolder()).filePath(proposedFileName()));
    if (target.isEmpty()) {
        return false;
    }
    // The engine fetches the resource again as a download; the file chosen here receives it.
    m_pendingSaves.append({url, target});
    m_page->download(url, QFileInfo(target).fileName());
    return true;
}

QString WebView::proposedFileName() const
{
    const QUrl url = m_view->url();
    QString name = url.fileName();
    if (!name.isEmpty()) {
        return name;
    }
    // A page without a file name of its own is named after its title; the engine hands out the
    // address itself as the title of a page that has none.
    const QString title = m_view->title();
    const bool realTitle = !title.isEmpty() && !url.toString().contains(title);
    name = realTitle ? fileNameFromTitle(title) : QString();
    if (name.isEmpty()) {
        name = url.host().isEmpty() ? QStringLiteral("page") : url.host();
    }
    return name + QStringLiteral(".htm");
}

QString WebView::startFolder() const
{
    if (!m_saveFolder.isEmpty()) {
        return m_saveFolder;
    }
    return QDir::homePath();
}

void WebView::onDownloadRequested(QWebEngineDownloadRequest* request)
{
    if (request->page() && request->page() != m_page) {
        return;
    }
    QString target;
    for (qsizetype i = 0; i < m_pendingSaves.size(); ++i) {
        if (m_pendingSaves.at(i).first == request->url()) {
            target = m_pendingSaves.takeAt(i).second;
            break;
        }
    }
    if (target.isEmpty()) {
        // A link saved from the page: ask where, starting in the books folder.
        QString proposed = request->downloadFileName();
        if (proposed.isEmpty()) {
            proposed = request->url().fileName();
        }
        target = FileDialog::getSaveFileName(this, tr("Save As"),
                                             QDir(startFolder()).filePath(proposed));
        if (target.isEmpty()) {
            request->cancel();
            return;
        }
    }
    startDownload(request, target);
}

void WebView::startDownload(QWebEngineDownloadRequest* request, const QString& target)
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
                emit downloadFinished(ok, path, error);
            });
    download->start();
}
