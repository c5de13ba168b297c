#include "core/MailPassword.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <qt6keychain/keychain.h>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("MailPassword", text);
}

const QString Service = QStringLiteral("Quillmere");
// A keyring that does not answer in this time counts as none (a locked one may ask the user
// to unlock it, which takes longer).
constexpr int KeyringTimeoutMs = 60000;

QString keyFor(const MailAccount& account)
{
    return QStringLiteral("smtp:%1@%2").arg(account.user, account.host.toLower());
}

// Runs a keyring job to its end; false when it did not end in time.
bool runJob(QKeychain::Job* job)
{
    QEventLoop loop;
    bool finished = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(KeyringTimeoutMs, &loop, &QEventLoop::quit);
    job->setAutoDelete(false);
    job->start();
    if (!finished) {
        loop.exec();
    }
    if (!finished) {
        // It may still end later; it then deletes itself.
        job->setAutoDelete(true);
    }
    return finished;
}

// One token of a .netrc file and where its text stands.
struct Token
{
    qsizetype begin = 0;
    qsizetype end = 0;
    QByteArray text;
};

QList<Token> netrcTokens(const QByteArray& data)
{
    QList<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = data.size();
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < n) {
        while (i < n && isSpace(data[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        Token token;
        token.begin = i;
        if (data[i] == '"') {
            ++i;
            while (i < n && data[i] != '"') {
                if (data[i] == '\\' && i + 1 < n) {
                    const char c = data[++i];
                    token.text += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
                } else {
                    token.text += data[i];
                }
                ++i;
            }
            if (i < n) {
                ++i; // the closing quote
            }
        } else {
            while (i < n && !isSpace(data[i])) {
                token.text += data[i++];
            }
        }
        token.end = i;
        tokens.append(token);
        // A macro definition runs to the next empty line and holds no tokens.
        if (token.text == "macdef") {
            const qsizetype blank = data.indexOf("\n\n", i);
            i = blank < 0 ? n : blank + 2;
        }
    }
    return tokens;
}

// A .netrc value: bare when it has no blank or quote, else quoted as the mail library reads it.
QByteArray netrcValue(const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    bool plain = !bytes.isEmpty();
    for (char c : bytes) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '"' || c == '\\') {
            plain = false;
        }
    }
    if (plain) {
        return bytes;
    }
    QByteArray quoted = "\"";
    for (char c : bytes) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            quoted += c;
        }
    }
    return quoted + '"';
}

// The tokens of the entry "machine host login login": the index of its login value and of its
// password value (-1 when it has none); -1, -1 when there is no such entry.
std::pair<qsizetype, qsizetype> findEntry(const QList<Token>& tokens, const QByteArray& host,
                                          const QByteArray& login)
{
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].text != "machine" || tokens[i + 1].text.toLower() != host.toLower()) {
            continue;
        }
        qsizetype loginAt = -1;
        qsizetype passwordAt = -1;
        for (qsizetype j = i + 2; j + 1 < tokens.size(); j += 2) {
            const QByteArray& key = tokens[j].text;
            if (key == "machine" || key == "default" || key == "macdef") {
                break;
            }
            if (key == "login") {
                loginAt = j + 1;
            } else if (key == "password") {
                passwordAt = j + 1;
            }
        }
        if (loginAt >= 0 && tokens[loginAt].text == login) {
            return {loginAt, passwordAt};
        }
    }
    return {-1, -1};
}
} // namespace

bool MailPassword::keyringAvailable(QString* why)
{
    // Without a session bus there is no keyring to reach; asking would only make the bus
    // library start a bus of its own that outlives the program.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || !QFileInfo::exists(QFile::decodeName(runtime) + "/bus"))) {
        if (why) {
            *why = tr("No session bus runs.");
        }
        return false;
    }
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(QStringLiteral("availability check"));
    if (!runJob(&job)) {
        if (why) {
            *why = tr("The keyring did not answer.");
        }
        return false;
    }
    const QKeychain::Error error = job.error();
    if (error == QKeychain::NoError || error == QKeychain::EntryNotFound) {
        return true;
    }
    if (why) {
        *why = job.errorString();
    }
    return false;
}

MailPassword::Store MailPassword::currentStore()
{
    return keyringAvailable() ? Store::Keyring : Store::Netrc;
}

QString MailPassword::readFromKeyring(const MailAccount& account)
{
    if (account.user.isEmpty() || !keyringAvailable()) {
        return QString();
    }
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(keyFor(account));
    if (!runJob(&job) || job.error() != QKeychain::NoError) {
        return QString();
    }
    return job.textData();
}

bool MailPassword::isStored(const MailAccount& account)
{
    if (!readFromKeyring(account).isEmpty()) {
        return true;
    }
    bool found = false;
    readNetrc(netrcPath(), account.host, account.user, &found);
    return found;
}

bool MailPassword::save(const MailAccount& account, const QString& password, Store* used,
                        QString* error)
{
    const Store store = currentStore();
    if (used) {
        *used = store;
    }
    if (store == Store::Netrc) {
        return writeNetrc(netrcPath(), account.host, account.user, password, error);
    }
    QKeychain::WritePasswordJob job(Service);
    job.setKey(keyFor(account));
    job.setTextData(password);
    if (!runJob(&job) || job.error() != QKeychain::NoError) {
        if (error) {
            *error = tr("The keyring did not keep the password: %1").arg(job.errorString());
        }
        return false;
    }
    return true;
}

QString MailPassword::netrcPath()
{
    return QDir::homePath() + QStringLiteral("/.netrc");
}

QString MailPassword::readNetrc(const QString& path, const QString& host, const QString& login,
                                bool* found)
{
    *found = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    const QList<Token> tokens = netrcTokens(file.readAll());
    const auto [loginAt, passwordAt] = findEntry(tokens, host.toUtf8(), login.toUtf8());
    if (passwordAt < 0) {
        return QString();
    }
    *found = true;
    return QString::fromUtf8(tokens[passwordAt].text);
}

bool MailPassword::writeNetrc(const QString& path, const QString& host, const QString& login,
                              const QString& password, QString* error)
{
    QByteArray data;
    QFile old(path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) {
            if (error) {
                *error = tr("\"%1\" cannot be read: %2").arg(path, old.errorString());
            }
            return false;
        }
        data = old.readAll();
        old.close();
    }
    const QList<Token> tokens = netrcTokens(data);
    const auto [loginAt, passwordAt] = findEntry(tokens, host.toUtf8(), login.toUtf8());
    const QByteArray value = netrcValue(password);
    if (passwordAt >= 0) {
        data.replace(tokens[passwordAt].begin, tokens[passwordAt].end - tokens[passwordAt].begin,
                     value);
    } else if (loginAt >= 0) {
        data.insert(tokens[loginAt].end, " password " + value);
    } else {
        const QByteArray entry = "machine " + netrcValue(host) + " login " + netrcValue(login) +
                                 " password " + value + '\n';
        // "default" must stay the last entry: whatever follows it belongs to it.
        const auto fallback = std::find_if(tokens.cbegin(), tokens.cend(),
                                           [](const Token& t) { return t.text == "default"; });
        if (fallback != tokens.cend()) {
            data.insert(fallback->begin, entry);
        } else {
            if (!data.isEmpty() && !data.endsWith('\n')) {
                data += '\n';
            }
            data += entry;
        }
    }

    QSaveFile file(path);
    // Readable by the user alone from the first byte written.
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
                    file.write(data) == data.size() && file.commit();
    if (!ok && error) {
        *error = tr("\"%1\" cannot be written: %2").arg(path, file.errorString());
    }
    return ok;
}
