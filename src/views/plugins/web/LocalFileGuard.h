#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Keeps a page from this computer to its own folder: the pictures and style sheets beside it
// (or below it) load, any other file of the computer is blocked, and a page from the web reads
// no local file at all. Opening a page itself is the user's choice and is never blocked.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether a page at pageUrl may load target.
    static bool allows(const QUrl& pageUrl, const QUrl& target);
    // Whether target is a file inside folder (or below it), links and ".." resolved.
    static bool isInside(const QString& folder, const QUrl& target);
};
