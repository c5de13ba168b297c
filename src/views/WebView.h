#pragma once

#include "core/EngineInterfaces.h"

#include <QString>
#include <QUrl>
#include <QWidget>

class QLabel;
class QVBoxLayout;

// The embeddable HTML view of the main window (wbBook) and of the two browser windows
// (brwWebBrowser). The web engine lives in a plugin that is loaded, and started, only when the
// first page is asked for, never with the window that holds the view; without the plugin the
// view explains that web pages cannot be shown. Every request returns at once; loading is
// reported by events.
class WebView : public QWidget, private WebViewHost
{
    Q_OBJECT
public:
    enum Command
    {
        CommandSaveAs = 4,
        CommandPrint = 6
    };
    enum CommandOption
    {
        PromptUser = 1
    };
    enum CommandStatus
    {
        StatusSupported = 1,
        StatusEnabled = 2
    };

    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    // A local path becomes a file address; a web or gopher address is passed as given.
    bool Navigate(const QString& address);
    bool GoBack();    // false at the start of the history
    bool GoForward(); // false at the end of the history
    void GoHome();
    void Refresh();
    void Stop();
    bool Busy() const;
    QString LocationName() const;
    QString LocationURL() const;
    int QueryStatusWB(int command) const;
    bool ExecWB(int command, int option);

    // The folder the save dialogs start in (the books folder).
    void setSaveFolder(const QString& folder);
    QString saveFolder() const { return m_saveFolder; }
    // True once the web engine has been started for this view.
    bool engineStarted() const { return m_engine != nullptr; }
    // The explanation shown when the web engine cannot be loaded (empty otherwise).
    QString explanation() const;

    // Runs a script in the page shown (nothing happens before a page was asked for).
    void runJavaScript(const QString& script);
    // A view that shows the library's HTML books runs no scripts at all, not even those of a
    // web page a book links to (a setting changed between pages reaches the page late).
    void setShowsLocalBooks(bool on);
    // While a page inside folder is shown (an EPUB book's pages), it and its frames may go
    // nowhere outside folder: such a navigation is stopped and linkRefused() says where
    // it went. Empty: pages go where their links lead.
    void setConfinedFolder(const QString& folder);
    // Number of downloads still under way.
    int activeDownloads() const;

    // Zoom of the pages shown (1: the size they set).
    void setZoomFactor(qreal factor);
    qreal zoomFactor() const { return m_zoom; }
    // A style sheet laid over every page shown, and the colour shown where no page has drawn;
    // empty lays nothing over.
    void setPageStyle(const QString& css, const QColor& background);
    QString pageStyle() const { return m_pageStyle; }
    // Finds text in the page, after the match shown (backward: before it); foundInPage
    // tells the result. An empty text takes the highlights away.
    void findText(const QString& text, bool backward = false, bool matchCase = false);

    // Test hook: the next print prompt is answered with a PDF printer writing to this file,
    // without showing the print dialog.
    static void setNextPrintFile(const QString& pdfPath);

signals:
    void DownloadComplete();
    void NavigateComplete2(const QString& address);
    // A print started by ExecWB has ended.
    void printFinished(bool ok);
    // A file download (a save-as or a link saved from the page) has ended; on success the file
    // is at path, otherwise nothing was written and error says why.
    void downloadFinished(bool ok, const QString& path, const QString& error);
    // A page kept to its folder tried to go to address, outside it, and was stopped.
    void linkRefused(const QString& address);
    // A search of findText ended: the match shown (from 1; 0 for none) of how many.
    void foundInPage(int activeMatch, int matches);

private:
    // Loads the engine for this view; false (with the explanation shown) when it cannot.
    bool startEngine();
    bool commandEnabled(int command) const;
    QString askSaveFileName(const QString& proposedPath, const QString& contentType) override;
    QString takeNextPrintFile() override;
    void loadFinished(bool arrived, const QString& address) override;
    void urlChangedInPage(const QString& address) override;
    void printEnded(bool ok) override;
    void downloadEnded(bool ok, const QString& path, const QString& error) override;
    void navigationRefused(const QUrl& url) override;
    void findFinished(int activeMatch, int matches) override;

    WebPageEngine* m_engine = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QLabel* m_message = nullptr;
    QString m_saveFolder;
    QString m_confinedFolder;
    bool m_showsLocalBooks = false;
    qreal m_zoom = 1;
    QString m_pageStyle;
    QColor m_pageBackground;
};
