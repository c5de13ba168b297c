#include "core/BookDownload.h"

#include "core/Library.h"
#include "core/NetworkFetch.h"
#include "core/NetworkLimits.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>

namespace {
const QString PartPattern = QStringLiteral(".download-XXXXXX.part");
// A file name stays well below the 255 bytes a Linux file system allows, with room for " (n)".
constexpr int MaxNameBytes = 180;

// The last part of a path a server or an address gave: the name, never a folder.
QString lastPart(const QString& path)
{
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

// A name that is safe as one visible file in the books folder.
QString cleanName(QString name)
{
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control || c == QLatin1Char('/') ||
            c == QLatin1Char('\\')) {
            c = c == QLatin1Char('/') || c == QLatin1Char('\\') ? QLatin1Char('-')
                                                                : QLatin1Char(' ');
        }
    }
    name = name.simplified();
    // Hidden files are not books, and a leading dash reads as an option to other programs.
    static const QRegularExpression leading(QStringLiteral("^[\\s.\\-]+"));
    static const QRegularExpression trailing(QStringLiteral("[\\s.]+$"));
    name.remove(leading);
    name.remove(trailing);
    while (name.toUtf8().size() > MaxNameBytes) {
        name.chop(1);
    }
    return name.trimmed();
}

bool hasMagic(QFile& file, const QByteArray& magic, qint64 within = 0)
{
    file.seek(0);
    const QByteArray head = file.read(within + magic.size());
    return within == 0 ? head.startsWith(magic) : head.contains(magic);
}
} // namespace

BookDownload::BookDownload(QNetworkAccessManager* network, const QString& booksFolder,
                           QObject* parent)
    : QObject(parent), m_network(network), m_booksFolder(booksFolder)
{
    m_silence = new QTimer(this);
    m_silence->setSingleShot(true);
    connect(m_silence, &QTimer::timeout, this, [this] {
        fail(tr("The server %1 did not answer within %2 seconds.")
                 .arg(m_reply ? m_reply->url().host() : QString())
                 .arg(NetworkLimits::current().answerTimeoutMs / 1000.0));
    });
}

BookDownload::~BookDownload()
{
    if (QNetworkReply* reply = m_reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void BookDownload::start(const Opds::BookFile& file, const QString& title,
                         const QStringList& authors)
{
    if (isRunning()) {
        return;
    }
    m_book = file;
    m_title = title;
    m_authors = authors;
    m_failure.clear();
    m_received = 0;
    m_total = file.link.length;
    m_announced = -1;
    const qint64 limit = NetworkLimits::current().bookBytes;
    if (file.link.length > limit) {
        emit finished(false, QString(), NetworkFetch::tooLargeText(limit));
        return;
    }
    if (!QDir().mkpath(m_booksFolder)) {
        emit finished(false, QString(),
                      tr("The library folder \"%1\" cannot be made.").arg(m_booksFolder));
        return;
    }
    // What a download cut short by the end of the program left behind.
    const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
    const QFileInfoList parts =
        QDir(m_booksFolder)
            .entryInfoList({QStringLiteral(".download-*.part")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& part : parts) {
        if (part.lastModified() < yesterday) {
            QFile::remove(part.absoluteFilePath());
        }
    }
    m_file = std::make_unique<QTemporaryFile>(m_booksFolder + PartPattern);
    if (!m_file->open()) {
        const QString why = m_file->errorString();
        m_file.reset();
        emit finished(false, QString(),
                      tr("The book cannot be written into \"%1\": %2").arg(m_booksFolder, why));
        return;
    }
    m_reply = m_network->get(NetworkFetch::request(QUrl(file.link.href)));
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &BookDownload::metaDataArrived);
    connect(m_reply, &QNetworkReply::readyRead, this, &BookDownload::dataArrived);
    connect(m_reply, &QNetworkReply::finished, this, &BookDownload::replyFinished);
    m_silence->start(NetworkLimits::current().answerTimeoutMs);
    emit progress(0, m_total);
}

void BookDownload::cancel()
{
    fail(tr("The download was cancelled."));
}

void BookDownload::fail(const QString& error)
{
    if (!m_reply) {
        return;
    }
    m_failure = error;
    m_reply->abort(); // finishes the reply, which reports m_failure
}

void BookDownload::metaDataArrived()
{
    m_silence->start();
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid()) {
        m_total = m_announced = length.toLongLong();
        if (m_total > NetworkLimits::current().bookBytes) {
            fail(NetworkFetch::tooLargeText(NetworkLimits::current().bookBytes));
        }
    }
}

void BookDownload::dataArrived()
{
    m_silence->start();
    const QByteArray chunk = m_reply->readAll();
    m_received += chunk.size();
    if (m_received > NetworkLimits::current().bookBytes) {
        fail(NetworkFetch::tooLargeText(NetworkLimits::current().bookBytes));
        return;
    }
    if (m_file->write(chunk) != chunk.size()) {
        fail(tr("The book cannot be written into \"%1\": %2")
                 .arg(m_booksFolder, m_file->errorString()));
        return;
    }
    emit progress(m_received, m_total);
}

void BookDownload::replyFinished()
{
    m_silence->stop();
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    std::unique_ptr<QTemporaryFile> file = std::move(m_file);
    if (!m_failure.isEmpty()) {
        emit finished(false, QString(), m_failure);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        emit finished(false, QString(), NetworkFetch::failureText(reply, false));
        return;
    }
    const QByteArray rest = reply->readAll();
    if (!rest.isEmpty() && file->write(rest) != rest.size()) {
        emit finished(false, QString(),
                      tr("The book cannot be written into \"%1\": %2")
                          .arg(m_booksFolder, file->errorString()));
        return;
    }
    m_received += rest.size();
    if (!file->flush()) {
        emit finished(false, QString(),
                      tr("The book cannot be written into \"%1\": %2")
                          .arg(m_booksFolder, file->errorString()));
        return;
    }
    const QString problem = contentProblem(*file);
    if (!problem.isEmpty()) {
        emit finished(false, QString(), problem);
        return;
    }
    const QString name = bookFileName(
        m_title, m_authors,
        dispositionFileName(reply->rawHeader(QByteArrayLiteral("Content-Disposition"))),
        QUrl(m_book.link.href).fileName(), m_book.extension);
    QString bookName;
    QString error;
    if (!placeInLibrary(file.get(), m_booksFolder, name, &bookName, &error)) {
        emit finished(false, QString(), error);
        return;
    }
    emit finished(true, bookName, QString());
}

QString BookDownload::contentProblem(QFile& file)
{
    if (m_announced >= 0 && m_received != m_announced) {
        return tr("The server sent only part of the book; nothing was saved.");
    }
    if (file.size() == 0) {
        return tr("The server sent an empty file; nothing was saved.");
    }
    bool looksRight = true;
    const QString& kind = m_book.extension;
    // The zipped kinds start as a zip does; a Kindle book names its kind in its header.
    static const QStringList zipped = {QStringLiteral("epub"), QStringLiteral("fb2.zip"),
                                       QStringLiteral("docx"), QStringLiteral("odt")};
    if (zipped.contains(kind)) {
        looksRight = hasMagic(file, QByteArrayLiteral("PK\x03\x04"));
    } else if (kind == QLatin1String("fb2")) {
        // In UTF-8 or a single-byte encoding, or in UTF-16 either way round.
        const QString root = QStringLiteral("<FictionBook");
        const auto utf16 = [&root](QSysInfo::Endian order) {
            QByteArray bytes;
            for (const QChar c : root) {
                const char low = char(c.unicode() & 0xFF);
                bytes.append(order == QSysInfo::LittleEndian ? low : '\0');
                bytes.append(order == QSysInfo::LittleEndian ? '\0' : low);
            }
            return bytes;
        };
        looksRight = hasMagic(file, root.toLatin1(), 1024) ||
                     hasMagic(file, utf16(QSysInfo::LittleEndian), 2048) ||
                     hasMagic(file, utf16(QSysInfo::BigEndian), 2048);
    } else if (kind == QLatin1String("azw3") || kind == QLatin1String("mobi")) {
        file.seek(60);
        looksRight = file.read(8) == QByteArrayLiteral("BOOKMOBI");
    } else if (kind == QLatin1String("pdf")) {
        looksRight = hasMagic(file, QByteArrayLiteral("%PDF-"), 1024);
    } else if (kind == QLatin1String("rtf")) {
        looksRight = hasMagic(file, QByteArrayLiteral("{\\rtf"));
    } else if (kind == QLatin1String("doc")) {
        looksRight = hasMagic(file, QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"));
    }
    file.seek(file.size());
    if (!looksRight) {
        return tr("The server did not send the book as %1 (perhaps a web page instead); "
                  "nothing was saved.")
            .arg(m_book.label);
    }
    return QString();
}

QString BookDownload::bookFileName(const QString& title, const QStringList& authors,
                                   const QString& serverName, const QString& addressName,
                                   const QString& extension)
{
    QString name;
    if (!cleanName(title).isEmpty()) {
        name = title;
        if (!authors.isEmpty() && !authors.first().trimmed().isEmpty()) {
            name += QStringLiteral(" - ") + authors.first();
        }
        name = cleanName(name);
    }
    for (const QString& other : {serverName, addressName}) {
        if (name.isEmpty()) {
            name = cleanName(lastPart(other));
        }
    }
    const QString suffix = QLatin1Char('.') + extension;
    if (name.endsWith(suffix, Qt::CaseInsensitive)) {
        name.chop(suffix.size());
        name = cleanName(name);
    }
    if (name.isEmpty()) {
        name = QStringLiteral("book");
    }
    return name + suffix;
}

QString BookDownload::dispositionFileName(const QByteArray& header)
{
    const QString text = QString::fromLatin1(header);
    // The RFC 6266 form with its character set wins over the plain one.
    static const QRegularExpression extended(
        QStringLiteral("filename\\*\\s*=\\s*([^']*)'[^']*'([^;\\s]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch wide = extended.match(text);
    if (wide.hasMatch()) {
        const QByteArray bytes = QByteArray::fromPercentEncoding(wide.captured(2).toLatin1());
        return wide.captured(1).compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0
                   ? QString::fromUtf8(bytes)
                   : QString::fromLatin1(bytes);
    }
    static const QRegularExpression plain(
        QStringLiteral("filename\\s*=\\s*(?:\"((?:[^\"\\\\]|\\\\.)*)\"|([^;\\s]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = plain.match(text);
    if (!match.hasMatch()) {
        return QString();
    }
    QString name = match.captured(1).isNull() ? match.captured(2) : match.captured(1);
    name.replace(QRegularExpression(QStringLiteral("\\\\(.)")), QStringLiteral("\\1"));
    // Most servers send UTF-8 there, whatever the header's rules say.
    return QString::fromUtf8(name.toLatin1());
}

bool BookDownload::placeInLibrary(QTemporaryFile* file, const QString& booksFolder,
                                  const QString& name, QString* bookName, QString* error)
{
    file->setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                         QFile::ReadOther);
    file->close();
    for (int n = 1; n < 10000; ++n) {
        const QString candidate = Library::numberedName(name, n);
        const QString path = booksFolder + candidate;
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            continue;
        }
        // rename() refuses a name taken meanwhile; the next one is tried then.
        if (file->rename(path)) {
            file->setAutoRemove(false);
            *bookName = candidate;
            return true;
        }
    }
    *error = tr("The book cannot be written into \"%1\": %2").arg(booksFolder, file->errorString());
    return false;
}
