#include "views/WebView.h"

#include "core/EngineLibrary.h"
#include "core/Hosts.h"
#include "core/SavedBookName.h"
#include "views/ExplanationLabel.h"
#include "views/FileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <utility>

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
} // namespace

WebView::WebView(QWidget* parent) : QWidget(parent)
{
    // Only plain widgets here: the engine is loaded with the first page asked for.
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
}

WebView::~WebView()
{
    // The engine's page, its downloads and its profile go before the view's other children.
    if (m_engine) {
        delete m_engine->widget();
        m_engine = nullptr;
    }
}

bool WebView::startEngine()
{
    if (m_engine) {
        return true;
    }
    QString error;
    auto* factory = EngineLibrary::get<WebEngineFactory>(EngineLibrary::Engine::Web, &error);
    if (!factory) {
        if (!m_message) {
            m_message = makeExplanationLabel(this, "webMessage", tr("Web message"));
            m_layout->addWidget(m_message, 1);
        }
        m_message->setText(
            tr("Web pages cannot be shown: the web engine of this program is not installed "
               "or cannot start.\n\n%1")
                .arg(error));
        m_message->show();
        return false;
    }
    if (m_message) {
        m_message->hide();
    }
    m_engine = factory->createPage(this, this);
    m_engine->setStartFolder(m_saveFolder);
    m_engine->setShowsLocalBooks(m_showsLocalBooks);
    m_engine->setConfinedFolder(m_confinedFolder);
    if (m_zoom != 1) {
        m_engine->setZoomFactor(m_zoom);
    }
    if (!m_pageStyle.isEmpty()) {
        m_engine->setPageStyle(m_pageStyle, m_pageBackground);
    }
    m_layout->addWidget(m_engine->widget(), 1);
    setFocusProxy(m_engine->widget());
    return true;
}

QString WebView::explanation() const
{
    return m_message && !m_message->isHidden() ? m_message->text() : QString();
}

bool WebView::Navigate(const QString& address)
{
    const QUrl url = addressToUrl(address);
    if (!url.isValid() || url.isEmpty() || !startEngine()) {
        return false;
    }
    m_engine->load(url);
    return true;
}

bool WebView::GoBack()
{
    return m_engine && m_engine->goBack();
}

bool WebView::GoForward()
{
    return m_engine && m_engine->goForward();
}

void WebView::GoHome()
{
    Navigate(Hosts::host(Hosts::Home));
}

void WebView::Refresh()
{
    if (m_engine) {
        m_engine->reload();
    }
}

void WebView::Stop()
{
    if (m_engine) {
        m_engine->stop();
    }
}

bool WebView::Busy() const
{
    return m_engine && m_engine->busy();
}

QString WebView::LocationName() const
{
    return m_engine ? m_engine->title() : QString();
}

QString WebView::LocationURL() const
{
    return m_engine ? m_engine->url().toString() : QString();
}

int WebView::QueryStatusWB(int command) const
{
    if (command != CommandPrint && command != CommandSaveAs) {
        return 0;
    }
    return commandEnabled(command) ? StatusSupported | StatusEnabled : StatusSupported;
}

bool WebView::commandEnabled(int command) const
{
    if (!m_engine) {
        return false;
    }
    // What is shown may be printed; only a page that arrived whole is saved as a book.
    return command == CommandSaveAs ? m_engine->pageLoaded() : m_engine->pageShown();
}

bool WebView::ExecWB(int command, int option)
{
    if (!commandEnabled(command)) {
        return false;
    }
    switch (command) {
    case CommandPrint:
        return m_engine->print(option);
    case CommandSaveAs:
        return m_engine->savePage(option);
    default:
        return false;
    }
}

void WebView::setSaveFolder(const QString& folder)
{
    m_saveFolder = folder;
    if (m_engine) {
        m_engine->setStartFolder(folder);
    }
}

void WebView::setShowsLocalBooks(bool on)
{
    m_showsLocalBooks = on;
    if (m_engine) {
        m_engine->setShowsLocalBooks(on);
    }
}

void WebView::setConfinedFolder(const QString& folder)
{
    m_confinedFolder = folder;
    if (m_engine) {
        m_engine->setConfinedFolder(folder);
    }
}

void WebView::runJavaScript(const QString& script)
{
    if (m_engine) {
        m_engine->runJavaScript(script);
    }
}

void WebView::setZoomFactor(qreal factor)
{
    m_zoom = factor;
    if (m_engine) {
        m_engine->setZoomFactor(factor);
    }
}

void WebView::setPageStyle(const QString& css, const QColor& background)
{
    if (css == m_pageStyle && background == m_pageBackground) {
        return;
    }
    m_pageStyle = css;
    m_pageBackground = background;
    if (m_engine) {
        m_engine->setPageStyle(css, background);
    }
}

void WebView::findText(const QString& text, bool backward, bool matchCase)
{
    if (!m_engine) {
        emit foundInPage(0, 0);
        return;
    }
    m_engine->findText(text, backward, matchCase);
}

void WebView::findFinished(int activeMatch, int matches)
{
    emit foundInPage(activeMatch, matches);
}

int WebView::activeDownloads() const
{
    return m_engine ? m_engine->activeDownloads() : 0;
}

void WebView::setNextPrintFile(const QString& pdfPath)
{
    s_nextPrintFile = pdfPath;
}

QString WebView::askSaveFileName(const QString& proposedPath, const QString& contentType)
{
    // The library shows a book by the end of its name, so the name says what the file is.
    const QFileInfo proposed(proposedPath);
    const QString chosen = FileDialog::getSaveFileName(
        this, tr("Save As"),
        proposed.dir().filePath(SavedBookName::fitted(proposed.fileName(), contentType)));
    const QFileInfo info(chosen);
    if (chosen.isEmpty() || !info.suffix().isEmpty()) {
        return chosen;
    }
    // A name typed without an extension gets the one for what the file is, unless a file of
    // that name is there already: the dialog asked about replacing only the name typed.
    const QString fitted = info.dir().filePath(SavedBookName::fitted(info.fileName(), contentType));
    return QFileInfo::exists(fitted) ? chosen : fitted;
}

QString WebView::takeNextPrintFile()
{
    return std::exchange(s_nextPrintFile, QString());
}

void WebView::loadFinished(bool arrived, const QString& address)
{
    if (arrived) {
        emit NavigateComplete2(address);
    }
    emit DownloadComplete();
}

void WebView::urlChangedInPage(const QString& address)
{
    emit NavigateComplete2(address);
}

void WebView::printEnded(bool ok)
{
    emit printFinished(ok);
}

void WebView::downloadEnded(bool ok, const QString& path, const QString& error)
{
    emit downloadFinished(ok, path, error);
}

void WebView::navigationRefused(const QUrl& url)
{
    emit linkRefused(url.toString());
}
