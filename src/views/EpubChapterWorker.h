#pragma once

#include <QFont>
#include <QHash>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>

class QTextDocument;
class QThread;

namespace Epub {
class Book;
}

// Converts a long chapter whole on a thread of its own while its start is shown, so the window
// paints and answers meanwhile. The document is built apart from any view (Qt's text document
// may be filled on any thread, one thread at a time) and handed over whole to the window's
// thread when it is done.
class EpubChapterWorker : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        int chapter = -1;
        std::unique_ptr<QTextDocument> document; // null when the chapter could not be read
        QHash<QString, int> anchors;
    };

    explicit EpubChapterWorker(QObject* parent = nullptr);
    // Waits for a conversion still running: the book it reads must outlive it.
    ~EpubChapterWorker() override;

    // Starts converting chapter of book; a conversion already running is dropped.
    void start(std::shared_ptr<const Epub::Book> book, int chapter, const QFont& font,
               const QSize& page);
    // Drops the conversion running, if any: converted() is not sent for it.
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    // The chapter started last is converted; take the result with takeResult().
    void converted();

public:
    Result takeResult();

private:
    struct Job;
    void finished(const std::shared_ptr<Job>& job);

    std::shared_ptr<Job> m_job; // the one whose result is wanted
    QList<QThread*> m_threads;  // every thread still running, the dropped ones too
    Result m_result;
    bool m_running = false;
};
