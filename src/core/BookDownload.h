#pragma once

#include "formats/opds/OpdsFeed.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QNetworkAccessManager;
class QFile;
class QNetworkReply;
class QTemporaryFile;
class QTimer;

// Fetches one book from a catalog into the library. The file is written under a hidden
// temporary name in the books folder (the library never lists it) and given its book name
// only once it is complete and is what it claims to be, under a free name that never replaces
// a book. A failed, cancelled or too large download leaves nothing behind; a program that
// stops halfway leaves only a hidden ".download-*.part" file, cleared by a later download.
class BookDownload : public QObject
{
    Q_OBJECT
public:
    BookDownload(QNetworkAccessManager* network, const QString& booksFolder,
                 QObject* parent = nullptr);
    ~BookDownload() override;

    // Starts the download of file; the book is named after title and authors where the
    // catalog gives them.
    void start(const Opds::BookFile& file, const QString& title, const QStringList& authors);
    void cancel();
    bool isRunning() const { return m_reply != nullptr; }

    // The file name of a downloaded book before the library's free-name rule: "Title -
    // Author.ext"; without a title, the name the server gave, else the last part of the
    // address. Never a path, never hidden, always with the extension of its kind of book.
    static QString bookFileName(const QString& title, const QStringList& authors,
                                const QString& serverName, const QString& addressName,
                                const QString& extension);
    // The file name of a Content-Disposition header, or empty.
    static QString dispositionFileName(const QByteArray& header);
    // Gives the complete file its book name in the library: the one place downloads choose a
    // free name (the library's free-name rule, " (2)", " (3)", ... before the extension).
    static bool placeInLibrary(QTemporaryFile* file, const QString& booksFolder,
                               const QString& name, QString* bookName, QString* error);

signals:
    // total is -1 when the server does not say.
    void progress(qint64 received, qint64 total);
    // bookName is the file's name in the books folder; on failure error says why.
    void finished(bool ok, const QString& bookName, const QString& error);

private:
    void metaDataArrived();
    void dataArrived();
    void replyFinished();
    void fail(const QString& error);
    // Why the file is not a book of its kind, or empty when it looks like one.
    QString contentProblem(QFile& file);

    QNetworkAccessManager* m_network;
    QString m_booksFolder;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QTemporaryFile> m_file;
    QTimer* m_silence = nullptr;
    Opds::BookFile m_book;
    QString m_title;
    QStringList m_authors;
    QString m_failure; // set when the download was stopped on purpose
    qint64 m_received = 0;
    qint64 m_total = -1;     // what progress is measured against
    qint64 m_announced = -1; // the length the server's answer gave
};
