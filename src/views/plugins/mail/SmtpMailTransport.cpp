// The mail plugin: sends one message over SMTP with libcurl, loaded with the first book shared.
#include "core/EngineInterfaces.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <array>
#include <curl/curl.h>
#include <mutex>

namespace {
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

// The attachment's Content-Disposition header. Line breaks and other control characters never
// reach the header; a name that is not plain ASCII travels whole as an RFC 2231 parameter.
QByteArray attachmentDisposition(const QString& fileName)
{
    QString clean;
    bool plain = true;
    for (QChar c : fileName) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            continue;
        }
        clean += c;
        plain = plain && c.unicode() < 0x7f && c != QLatin1Char('"') && c != QLatin1Char('\\');
    }
    const QByteArray start = "Content-Disposition: attachment; filename";
    if (plain) {
        return start + "=\"" + clean.toLatin1() + '"';
    }
    QByteArray encoded;
    static const QByteArray attributeChars = "!#$&+-.^_`|~";
    for (const char byte : clean.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
            attributeChars.contains(char(c))) {
            encoded += char(c);
        } else {
            encoded += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        }
    }
    return start + "*=UTF-8''" + encoded;
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
// Keeps what the server said (libcurl's debug stream, "header in" lines only); the worker
// thread alone writes it until the transfer ends.
int keepServerReplies(CURL*, curl_infotype type, char* data, size_t size, void* replies)
{
    if (type == CURLINFO_HEADER_IN) {
        auto* all = static_cast<QByteArray*>(replies);
        if (all->size() < (1 << 16)) {
            all->append(data, qsizetype(size));
        }
    }
    return 0;
}

// The last complete answer: its last line, which carries the final status of a multi-line one.
// After a failure the library still says goodbye ("221 Bye"); the refusal before it is the
// answer that explains the failure.
QString lastReplyIn(const QByteArray& replies, bool failed)
{
    const QList<QByteArray> lines = replies.split('\n');
    QByteArray last;
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QByteArray line = it->trimmed();
        if (failed && (line.startsWith('4') || line.startsWith('5'))) {
            return QString::fromUtf8(line);
        }
        if (last.isEmpty()) {
            last = line;
        }
    }
    return QString::fromUtf8(last);
}
} // namespace

class SmtpMailTransport : public QObject, public MailTransport
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuillmereMailTransport_iid)
    Q_INTERFACES(MailTransport)
public:
    SmtpMailTransport() { initCurlOnce(); }
    bool send(const MailMessage& message, QString* error) override;
    QString lastServerReply() const override { return m_lastReply; }

private:
    QString m_lastReply;
};

bool SmtpMailTransport::send(const MailMessage& message, QString* error)
{
    CurlEasy easy;
    CurlEasy* curl = &easy;
    if (!curl->handle) {
        return fail(error, tr("The mail library could not start."));
    }
    CURL* h = curl->handle;
    const QByteArray server = message.server.toUtf8();
    const QByteArray from = "<" + message.sender.toUtf8() + ">";
    const QByteArray to = "<" + message.recipAddress.toUtf8() + ">";
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
                     message.encryptionRequired ? long(CURLUSESSL_ALL) : long(CURLUSESSL_TRY));
    const QByteArray user = message.user.toUtf8();
    const QByteArray password = message.password.toUtf8();
    if (!message.user.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
    }
    if (!message.password.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    } else {
        curl_easy_setopt(h, CURLOPT_NETRC, long(CURL_NETRC_OPTIONAL));
    }
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
    // A stalled server ends the send after a minute; a slow link still gets its time.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 600L);

    const QByteArray dateHeader =
        "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1();
    const QByteArray toHeader = "To: " + mailbox(message.recipName, message.recipAddress);
    const QByteArray fromHeader = "From: " + mailbox(QString(), message.sender);
    const QByteArray subjectHeader = "Subject: " + headerText(message.subject);
    for (const QByteArray* line : {&dateHeader, &toHeader, &fromHeader, &subjectHeader}) {
        curl->headers = curl_slist_append(curl->headers, line->constData());
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, curl->headers);

    curl->mime = curl_mime_init(h);
    curl_mimepart* body = curl_mime_addpart(curl->mime);
    const QByteArray note = message.noteText.toUtf8();
    curl_mime_data(body, note.constData(), size_t(note.size()));
    curl_mime_type(body, "text/plain; charset=UTF-8");
    // Base64 keeps the note's line-end codes exactly as written.
    curl_mime_encoder(body, "base64");
    if (!message.attachmentPath.isEmpty()) {
        curl_mimepart* file = curl_mime_addpart(curl->mime);
        const QByteArray path = QFile::encodeName(message.attachmentPath);
        const QString fileName = QFileInfo(message.attachmentPath).fileName();
        const QByteArray type = message.attachmentType.toLatin1();
        if (curl_mime_filedata(file, path.constData()) != CURLE_OK) {
            return fail(error, tr("The book file cannot be read: %1").arg(message.attachmentPath));
        }
        // The name goes in our own header only (curl would write it as it stands).
        curl_mime_filename(file, nullptr);
        curl_mime_headers(
            file, curl_slist_append(nullptr, attachmentDisposition(fileName).constData()), 1);
        curl_mime_type(file, type.constData());
        curl_mime_encoder(file, "base64");
    }
    curl_easy_setopt(h, CURLOPT_MIMEPOST, curl->mime);

    // The server's answers, for the mail account window's test message.
    QByteArray replies;
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &keepServerReplies);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &replies);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    m_lastReply.clear();

    std::array<char, CURL_ERROR_SIZE> errorText{};
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText.data());

    // The program calls this on a worker thread; its windows keep answering meanwhile.
    const CURLcode code = curl_easy_perform(h);
    m_lastReply = lastReplyIn(replies, code != CURLE_OK);

    if (code != CURLE_OK) {
        const QString detail = errorText[0] ? QString::fromUtf8(errorText.data())
                                            : QString::fromUtf8(curl_easy_strerror(code));
        return fail(error, tr("The mail server did not take the message: %1").arg(detail));
    }
    return true;
}

#include "SmtpMailTransport.moc"
