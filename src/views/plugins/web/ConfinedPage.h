#pragma once

#include <QString>
#include <QWebEnginePage>

// The engine's page, which can be kept to one folder of this computer: while the page shown
// lies inside that folder (an EPUB book unpacked as pages), every navigation it or its frames
// start (a link, a form, a refresh) must end inside the folder too. Anything else is stopped and
// reported by refused(), so a book can neither show another file of the user's nor leave for
// the web in the reader's view. The program's own loads, and history, are not held.
class ConfinedPage : public QWebEnginePage
{
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;

    void setConfinedFolder(const QString& folder) { m_folder = folder; }

signals:
    // Sent after the navigation was stopped, never from inside the engine's question.
    void refused(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    QString m_folder;
};
