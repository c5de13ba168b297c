#pragma once

#include <QWidget>

class QWebEngineView;

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
    // True once the web engine has been started for this view.
    bool engineStarted() const;

signals:
    void DownloadComplete();
    void NavigateComplete2(const QString& address);

private:
    QWebEngineView* m_view = nullptr;
    QString m_saveFolder;
};
