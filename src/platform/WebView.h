#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>
#include <memory>

class QPrinter;
class QVBoxLayout;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class DownloadBar;

// The embeddable HTML view of the main window (wbBook) and of the two browser windows
// (brwWebBrowser). The web engine starts only when the first page is asked for, never with the
// window that holds the view. Every request returns at once; loading is reported by events.
class WebView : public QWidget
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
    bool engineStarted() const;

    // Runs a script in the page shown (nothing happens before a page was asked for).
    void runJavaScript(const QString& script);
    // A view that shows the library's HTML books runs no scripts at all, not even those of a
    // web page a book links to (a setting changed between pages reaches the page late).
    void setShowsLocalBooks(bool on) { m_showsLocalBooks = on; }
    // Number of downloads still under way.
    int activeDownloads() const { return m_activeDownloads; }

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

private:
    void startEngine();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onUrlChanged(const QUrl& url);
    // Scripts run for pages from the web only.
    void applyContentRules(const QUrl& url);
    void onDownloadRequested(QWebEngineDownloadRequest* request);
    void startDownload(QWebEngineDownloadRequest* request, const QString& target);
    bool printPage(int option);
    bool savePage(int option);
    QString proposedFileName() const;
    QString startFolder() const;

    QWebEngineProfile* m_profile = nullptr;
    QWebEnginePage* m_page = nullptr;
    QWebEngineView* m_view = nullptr;
    QVBoxLayout* m_layout = nullptr;
    DownloadBar* m_downloadBar = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    QString m_saveFolder;
    // Addresses the user chose to save through ExecWB, with the chosen file for each.
    QList<std::pair<QUrl, QString>> m_pendingSaves;
    int m_activeDownloads = 0;
    bool m_busy = false;
    bool m_pageShown = false;
    bool m_showsLocalBooks = false;
};
