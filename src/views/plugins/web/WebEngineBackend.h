#pragma once

#include "core/EngineInterfaces.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <memory>

class QPrinter;
class QVBoxLayout;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class ConfinedPage;
class QWebEngineProfile;
class QWebEngineView;
class DownloadBar;

// The web engine's page inside a WebView: a private profile, the engine's view, printing,
// saving and downloads with their strip. Created when the view's first page is asked for.
class WebEngineBackend : public QWidget, public WebPageEngine
{
    Q_OBJECT
public:
    // The option of print and savePage that asks the user (WebView::PromptUser).
    static constexpr int PromptUser = 1;

    WebEngineBackend(WebViewHost* host, QWidget* parent);
    ~WebEngineBackend() override;

    QWidget* widget() override { return this; }
    void load(const QUrl& url) override;
    bool goBack() override;
    bool goForward() override;
    void reload() override;
    void stop() override;
    bool busy() const override { return m_busy; }
    bool pageShown() const override { return m_pageShown; }
    bool pageLoaded() const override { return m_pageLoaded; }
    QString title() const override;
    QUrl url() const override;
    void runJavaScript(const QString& script) override;
    bool print(int option) override;
    bool savePage(int option) override;
    int activeDownloads() const override { return m_activeDownloads; }
    void setStartFolder(const QString& folder) override { m_startFolder = folder; }
    void setShowsLocalBooks(bool on) override;
    void setConfinedFolder(const QString& folder) override;
    void setZoomFactor(qreal factor) override;
    void setPageStyle(const QString& css, const QColor& background) override;
    void findText(const QString& text, bool backward, bool matchCase) override;

private:
    void startEngine();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onUrlChanged(const QUrl& url);
    // Scripts run for pages from the web only.
    void applyContentRules(const QUrl& url);
    void onDownloadRequested(QWebEngineDownloadRequest* request);
    void startDownload(QWebEngineDownloadRequest* request, const QString& target);
    QString proposedFileName() const;
    // The script that lays the page style over a page (or takes it away).
    QString pageStyleScript() const;
    QString startFolder() const;

    WebViewHost* m_host;
    QWebEngineProfile* m_profile = nullptr;
    ConfinedPage* m_page = nullptr;
    QWebEngineView* m_view = nullptr;
    QVBoxLayout* m_layout = nullptr;
    DownloadBar* m_downloadBar = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    QString m_startFolder;
    QString m_confinedFolder;
    QString m_pageStyle;
    QColor m_pageBackground;
    qreal m_zoom = 1;
    // Pages the user chose to save, with the name proposed for each; the user is asked where
    // to save once the engine's download says what the page is.
    QList<std::pair<QUrl, QString>> m_pendingSaves;
    int m_activeDownloads = 0;
    bool m_busy = false;
    bool m_pageShown = false;
    bool m_pageLoaded = false;
    bool m_showsLocalBooks = false;
};
