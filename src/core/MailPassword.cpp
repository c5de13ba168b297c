#include "core/MailPassword.h"

#include "core/NetrcFile.h"
#include "formats/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
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
    const NetrcFile::Lookup entry = NetrcFile(file.readAll()).find(host.toUtf8(), login.toUtf8());
    // An empty password counts as none: the library then signs in with an empty one anyway.
    if (entry.status != NetrcFile::Lookup::Status::Found || !entry.loginMatches ||
        entry.password.isEmpty()) {
        return QString();
    }
    *found = true;
    return QString::fromUtf8(entry.password);
}

bool MailPassword::writeNetrc(const QString& path, const QString& host, const QString& login,
                              const QString& password, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    QByteArray data;
    QFile old(path);
    const bool existed = old.exists();
    if (existed) {
        if (!old.open(QIODevice::ReadOnly)) {
            return fail(tr("\"%1\" cannot be read: %2").arg(path, old.errorString()));
        }
        data = old.readAll();
        old.close();
    }
    QString why;
    const std::optional<QByteArray> changed =
        NetrcFile(data).withPassword(host.toUtf8(), login.toUtf8(), password.toUtf8(), &why);
    if (!changed) {
        return fail(tr("\"%1\" was left as it was: %2").arg(path, why));
    }

    // The password never stands in a file others can read, not even for a moment. The atomic
    // writer gives its new file our permissions before writing, but where the file system
    // lacks unnamed files its temporary file is named, and created with the permissions of
    // the file it replaces: so that file is made the user's alone first (created empty when
    // there is none), and another user cannot open the temporary file before it is private.
    const QFileDevice::Permissions userOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileDevice::Permissions othersAccess = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther;
    bool created = false;
    if (!existed) {
        QFile fresh(path);
        if (!fresh.open(QIODevice::WriteOnly | QIODevice::NewOnly, userOnly)) {
            return fail(tr("\"%1\" cannot be created: %2").arg(path, fresh.errorString()));
        }
        created = true;
    } else if ((old.permissions() & othersAccess) && !old.setPermissions(userOnly)) {
        return fail(tr("\"%1\" is readable by others and cannot be made private: %2")
                        .arg(path, old.errorString()));
    }
    QString writeError;
    if (!writeFileAtomically(path, *changed, userOnly, &writeError)) {
        if (created) {
            QFile::remove(path);
        }
        return fail(tr("The password was not saved: %1").arg(writeError));
    }
    return true;
}
