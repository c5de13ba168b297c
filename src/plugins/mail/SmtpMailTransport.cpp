#include "platform/MailSession.h"

#include "platform/AppSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QMetaObject>
#include <QUrl>
#include <array>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <thread>

namespace {
// A session id that is never 0, so 0 can mean "not signed on".
long s_lastSessionId = 0;

QString tr(const char* text)
{
    return QCoreApplication::translate("MailSession", text);
}

bool fail(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
    return false;
}

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A header value in printable ASCII, or as an RFC 2047 encoded word.
QByteArray headerText(const QString& text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        return text.toLatin1();
    }
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

QByteArray mailbox(const QString& name, const QString& address)
{
    if (name.isEmpty() || name == address) {
        return "<" + address.toUtf8() + ">";
    }
    QString quoted = name;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    const QByteArray encoded = headerText(quoted);
    const QByteArray shown = encoded.startsWith("=?") ? encoded : "\"" + encoded + "\"";
    return shown + " <" + address.toUtf8() + ">";
}

struct CurlEasy
{
    CURL* handle = curl_easy_init();
    curl_mime* mime = nullptr;
    curl_slist* recipients = nullptr;
    curl_slist* headers = nullptr;
    ~CurlEasy()
    {
        curl_slist_free_all(recipients);
        curl_slist_free_all(headers);
        curl_mime_free(mime);
        if (handle) {
            curl_easy_cleanup(handle);
        }
    }
};
} // namespace

MailSession::MailSession()
{
    initCurlOnce();
}

MailSession::~MailSession()
{
    SignOff();
}

bool MailSession::isLocalServer(const QString& serverUrl)
{
    const QString host = QUrl(serverUrl).host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString MailSession::singleLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // Other line and paragraph separators some mail readers honour.
    line.replace(QChar(0x2028), QLatin1Char(' '));
    line.replace(QChar(0x2029), QLatin1Char(' '));
    line.replace(QChar(0x0085), QLatin1Char(' '));
    line.remove(QChar(0));
    return line;
}

QString MailSession::contentTypeFor(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("txt")) {
        return QStringLiteral("text/plain");
    }
    if (suffix == QLatin1String("rtf")) {
        return QStringLiteral("application/rtf");
    }
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html")) {
        return QStringLiteral("text/html");
    }
    if (suffix == QLatin1String("pdf")) {
        return QStringLiteral("application/pdf");
    }
    if (suffix == QLatin1String("doc")) {
        return QStringLiteral("application/msword");
    }
    return QStringLiteral("application/octet-stream");
}

bool MailSession::SignOn(QString* error)
{
    SignOff();
    auto settings = AppSettings::open();
    settings->beginGroup(QStringLiteral("Mail"));
    m_account.server = settings->value(QStringLiteral("Server")).toString().trimmed();
    m_account.sender = singleLine(settings->value(QStringLiteral("Sender")).toString()).trimmed();
    m_account.user = settings->value(QStringLiteral("User")).toString().trimmed();
    settings->endGroup();

    if (m_account.server.isEmpty() || m_account.sender.isEmpty()) {
        return fail(error, tr("No mail account is set up."));
    }
    const QUrl url(m_account.server);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("smtp") && scheme != QLatin1String("smtps"))) {
        return fail(error, tr("The mail server address is not an smtp:// or smtps:// address."));
    }
    m_sessionId = ++s_lastSessionId;
    return true;
}

bool MailSession::Compose(long sessionId, QString* error)
{
    if (sessionId == 0 || sessionId != m_sessionId) {
        return fail(error, tr("The mail session is not signed on."));
    }
    m_composing = true;
    m_recipName.clear();
    m_recipAddress.clear();
    m_subject.clear();
    m_noteText.clear();
    m_attachment.clear();
    return true;
}

void MailSession::setRecipDisplayName(const QString& name)
{
    m_recipName = singleLine(name).trimmed();
}

void MailSession::setRecipAddress(const QString& address)
{
    m_recipAddress = singleLine(address).trimmed();
}

void MailSession::setMsgSubject(const QString& subject)
{
    m_subject = singleLine(subject);
}

void MailSession::setMsgNoteText(const QString& text)
{
    m_noteText = text;
}

bool MailSession::setAttachmentPathName(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        return fail(error, tr("The book file cannot be read: %1").arg(path));
    }
    m_attachment = path;
    return true;
}

bool MailSession::Send(QString* error)
{
    if (!m_composing || m_sessionId == 0) {
        return fail(error, tr("No message is composed."));
    }
    if (m_recipAddress.isEmpty()) {
        return fail(error, tr("The message has no recipient."));
    }
    auto curl = std::make_shared<CurlEasy>();
    if (!curl->handle) {
        return fail(error, tr("The mail library could not start."));
    }
    CURL* h = curl->handle;
    const QByteArray server = m_account.server.toUtf8();
    const QByteArray from = "<" + m_account.sender.toUtf8() + ">";
    const QByteArray to = "<" + m_recipAddress.toUtf8() + ">";
    curl_easy_setopt(h, CURLOPT_URL, server.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
    curl->recipients = curl_slist_append(curl->recipients, to.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, curl->recipients);
    // A recipient the server refuses fails the whole send (CURLOPT_MAIL_RCPT_ALLOWFAILS off).
#if LIBCURL_VERSION_NUM >= 0x080200
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT_ALLOWFAILS, 0L);
#else
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 0L); // its name before curl 8.2
#endif
    // Outside this computer the connection must be encrypted; smtp:// then needs STARTTLS.
    curl_easy_setopt(h, CURLOPT_USE_SSL,
                     isLocalServer(m_account.server) ? long(CURLUSESSL_TRY) : long(CURLUSESSL_ALL));
    if (!m_account.user.isEmpty()) {
        const QByteArray user = m_account.user.toUtf8();
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
    }
    curl_easy_setopt(h, CURLOPT_NETRC, long(CURL_NETRC_OPTIONAL));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
    // A stalled server ends the send after a minute; a slow link still gets its time.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 600L);

    const QByteArray dateHeader =
        "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1();
    const QByteArray toHeader = "To: " + mailbox(m_recipName, m_recipAddress);
    const QByteArray fromHeader = "From: " + mailbox(QString(), m_account.sender);
    const QByteArray subjectHeader = "Subject: " + headerText(m_subject);
    for (const QByteArray* line : {&dateHeader, &toHeader, &fromHeader, &subjectHeader}) {
        curl->headers = curl_slist_append(curl->headers, line->constData());
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, curl->headers);

    curl->mime = curl_mime_init(h);
    curl_mimepart* body = curl_mime_addpart(curl->mime);
    const QByteArray note = m_noteText.toUtf8();
    curl_mime_data(body, note.constData(), size_t(note.size()));
    curl_mime_type(body, "text/plain; charset=UTF-8");
    // Base64 keeps the note's line-end codes exactly as written.
    curl_mime_encoder(body, "base64");
    if (!m_attachment.isEmpty()) {
        curl_mimepart* file = curl_mime_addpart(curl->mime);
        const QByteArray path = QFile::encodeName(m_attachment);
        const QByteArray fileName = QFileInfo(m_attachment).fileName().toUtf8();
        const QByteArray type = contentTypeFor(m_attachment).toLatin1();
        if (curl_mime_filedata(file, path.constData()) != CURLE_OK) {
            return fail(error, tr("The book file cannot be read: %1").arg(m_attachment));
        }
        curl_mime_filename(file, fileName.constData());
        curl_mime_type(file, type.constData());
        curl_mime_encoder(file, "base64");
    }
    curl_easy_setopt(h, CURLOPT_MIMEPOST, curl->mime);

    auto errorText = std::make_shared<std::array<char, CURL_ERROR_SIZE>>();
    (*errorText)[0] = '\0';
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText->data());

    // The transfer runs on a worker thread while this one keeps the windows alive.
    auto result = std::make_shared<CURLcode>(CURLE_OK);
    QEventLoop loop;
    std::thread worker([curl, result, &loop] {
        *result = curl_easy_perform(curl->handle);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();

    if (*result != CURLE_OK) {
        const QString detail = (*errorText)[0] ? QString::fromUtf8(errorText->data())
                                               : QString::fromUtf8(curl_easy_strerror(*result));
        return fail(error, tr("The mail server did not take the message: %1").arg(detail));
    }
    m_composing = false;
    return true;
}

void MailSession::SignOff()
{
    m_sessionId = 0;
    m_composing = false;
}
