#include "core/MailSession.h"

#include "core/AppSettings.h"
#include "core/BookKinds.h"
#include "core/MailPassword.h"

#include "core/EngineInterfaces.h"
#include "core/EngineLibrary.h"
#include "core/ResponsiveWait.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <memory>

namespace {
// A session id that is never 0, so 0 can mean "not signed on".
long s_lastSessionId = 0;

QString tr(const char* text)
{
    return QCoreApplication::translate("MailSession", text);
}

// Longer than the mail library's own limit on a whole transfer (ten minutes).
constexpr std::chrono::minutes SendTimeLimit(11);

bool fail(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
    return false;
}

} // namespace

MailSession::MailSession() = default;

MailSession::~MailSession()
{
    SignOff();
}

bool MailSession::isLocalServer(const QString& serverUrl)
{
    QString host = QUrl(serverUrl).host().toLower();
    if (host == QLatin1String("localhost") || host == QLatin1String("::1")) {
        return true;
    }
    // An IPv4 address of this computer (127.0.0.0/8), also as an IPv4-mapped IPv6 address.
    if (host.startsWith(QLatin1String("::ffff:"))) {
        host = host.mid(7);
    }
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4) {
        return false;
    }
    for (const QString& part : parts) {
        bool number = false;
        const int value = part.toInt(&number, 10);
        if (!number || value < 0 || value > 255) {
            return false;
        }
    }
    return parts.first().toInt() == 127;
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

bool MailSession::SignOn(QString* error)
{
    SignOff();
    auto settings = AppSettings::open();
    settings->beginGroup(QStringLiteral("Mail"));
    m_account.server = settings->value(QStringLiteral("Server")).toString().trimmed();
    m_account.sender = singleLine(settings->value(QStringLiteral("Sender")).toString()).trimmed();
    m_account.user = settings->value(QStringLiteral("User")).toString().trimmed();
    settings->endGroup();
    m_account.password.clear();
    if (!m_account.server.isEmpty() && !m_account.user.isEmpty()) {
        m_account.password = MailPassword::readFromKeyring(MailAccount::load());
    }
    return checkAccount(error);
}

bool MailSession::SignOn(const MailAccount& account, const QString& password, QString* error)
{
    SignOff();
    m_account.server = account.serverUrl();
    m_account.sender = singleLine(account.sender).trimmed();
    m_account.user = account.user.trimmed();
    m_account.password = password;
    return checkAccount(error);
}

bool MailSession::checkAccount(QString* error)
{
    if (m_account.server.isEmpty() || m_account.sender.isEmpty()) {
        return fail(error, tr("No mail account is set up."));
    }
    const QUrl url(m_account.server);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("smtp") && scheme != QLatin1String("smtps"))) {
        return fail(error, tr("The mail server address is not an smtp:// or smtps:// address."));
    }
    // libcurl does not look in ~/.netrc for the password of a user name it was given, so the
    // entry "machine HOST login USER password ..." is read here.
    if (m_account.password.isEmpty() && !m_account.user.isEmpty()) {
        bool found = false;
        m_account.password =
            MailPassword::readNetrc(MailPassword::netrcPath(), url.host(), m_account.user, &found);
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
    // The mail library is loaded with the first message sent.
    QString reason;
    auto* transport = EngineLibrary::get<MailTransport>(EngineLibrary::Engine::Mail, &reason);
    if (!transport) {
        return fail(error, tr("The mail library of this program is not installed or cannot "
                              "start: %1")
                               .arg(reason));
    }
    MailMessage message;
    message.server = m_account.server;
    message.sender = m_account.sender;
    message.user = m_account.user;
    message.password = m_account.password;
    message.recipName = m_recipName;
    message.recipAddress = m_recipAddress;
    message.subject = m_subject;
    message.noteText = m_noteText;
    message.attachmentPath = m_attachment;
    message.attachmentType =
        m_attachment.isEmpty() ? QString() : BookKinds::mailTypeOf(m_attachment);
    // Outside this computer the connection must be encrypted.
    message.encryptionRequired = !isLocalServer(m_account.server);
    m_lastReply.clear();
    // The transfer runs on a worker thread while this one keeps the windows answering. The
    // mail library ends a stalled transfer itself; the wait's limit only backs it up.
    struct Outcome
    {
        bool sent = false;
        QString error;
        QString reply;
    };
    auto outcome = std::make_shared<Outcome>();
    QThread* worker = QThread::create([transport, message, outcome] {
        outcome->sent = transport->send(message, &outcome->error);
        outcome->reply = transport->lastServerReply();
    });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    ResponsiveWait wait;
    wait.endOn(worker, &QThread::finished);
    worker->start();
    if (wait.wait(SendTimeLimit) != ResponsiveWait::Outcome::Finished) {
        return fail(error, tr("The mail server did not answer in time."));
    }
    m_lastReply = outcome->reply;
    if (!outcome->sent) {
        return fail(error, outcome->error);
    }
    m_composing = false;
    return true;
}

void MailSession::SignOff()
{
    m_sessionId = 0;
    m_composing = false;
}
