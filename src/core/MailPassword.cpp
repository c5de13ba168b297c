#include "core/MailPassword.h"

#include "core/NetrcFile.h"
#include "core/ResponsiveWait.h"
#include "formats/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <qt6keychain/keychain.h>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("MailPassword", text);
}

const QString Service = QStringLiteral("Quillmere");
// A keyring that does not answer in this time counts as none (a locked one may ask the user
// to unlock it, which takes longer).
constexpr std::chrono::milliseconds KeyringTimeout(60000);

QString keyFor(const MailAccount& account)
{
    return QStringLiteral("smtp:%1@%2").arg(account.user, account.host.toLower());
}

// A keyring job started by runJob, deleted at the end of the scope unless it outlived its
// wait, in which case it deletes itself whenever it ends.
struct JobDeleter
{
    void operator()(QKeychain::Job* job) const
    {
        if (!job->autoDelete()) {
            delete job;
        }
    }
};
template <typename T> using KeyringJob = std::unique_ptr<T, JobDeleter>;

// Runs a keyring job to its end, unless it does not end in time or asker (the window that
// asked) is closed first.
ResponsiveWait::Outcome runJob(QKeychain::Job* job, QObject* asker = nullptr)
{
    ResponsiveWait wait(asker);
    wait.endOn(job, &QKeychain::Job::finished);
    job->setAutoDelete(false);
    job->start();
    const ResponsiveWait::Outcome outcome = wait.wait(KeyringTimeout);
    if (outcome != ResponsiveWait::Outcome::Finished) {
        // It may still end later; it then deletes itself.
        job->setAutoDelete(true);
    }
    return outcome;
}

bool ran(QKeychain::Job* job, QObject* asker = nullptr)
{
    return runJob(job, asker) == ResponsiveWait::Outcome::Finished;
}

enum class Keyring
{
    Answers,
    Missing,
    AskerGone
};

Keyring probeKeyring(QString* why, QObject* asker)
{
    // Without a session bus there is no keyring to reach; asking would only make the bus
    // library start a bus of its own that outlives the program.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || !QFileInfo::exists(QFile::decodeName(runtime) + "/bus"))) {
        if (why) {
            *why = tr("No session bus runs.");
        }
        return Keyring::Missing;
    }
    const KeyringJob<QKeychain::ReadPasswordJob> job(new QKeychain::ReadPasswordJob(Service));
    job->setKey(QStringLiteral("availability check"));
    switch (runJob(job.get(), asker)) {
    case ResponsiveWait::Outcome::Finished:
        break;
    case ResponsiveWait::Outcome::AskerGone:
        return Keyring::AskerGone;
    case ResponsiveWait::Outcome::TimedOut:
        if (why) {
            *why = tr("The keyring did not answer.");
        }
        return Keyring::Missing;
    }
    const QKeychain::Error error = job->error();
    if (error == QKeychain::NoError || error == QKeychain::EntryNotFound) {
        return Keyring::Answers;
    }
    if (why) {
        *why = job->errorString();
    }
    return Keyring::Missing;
}
} // namespace

bool MailPassword::keyringAvailable(QString* why)
{
    return probeKeyring(why, nullptr) == Keyring::Answers;
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
    const KeyringJob<QKeychain::ReadPasswordJob> job(new QKeychain::ReadPasswordJob(Service));
    job->setKey(keyFor(account));
    if (!ran(job.get()) || job->error() != QKeychain::NoError) {
        return QString();
    }
    return job->textData();
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
                        QString* error, QObject* asker)
{
    const Keyring keyring = probeKeyring(nullptr, asker);
    if (keyring == Keyring::AskerGone) {
        if (error) {
            *error = tr("The window was closed before the keyring answered.");
        }
        return false;
    }
    const Store store = keyring == Keyring::Answers ? Store::Keyring : Store::Netrc;
    if (used) {
        *used = store;
    }
    if (store == Store::Netrc) {
        return writeNetrc(netrcPath(), account.host, account.user, password, error);
    }
    const KeyringJob<QKeychain::WritePasswordJob> job(new QKeychain::WritePasswordJob(Service));
    job->setKey(keyFor(account));
    job->setTextData(password);
    if (!ran(job.get(), asker) || job->error() != QKeychain::NoError) {
        if (error) {
            *error = tr("The keyring did not keep the password: %1").arg(job->errorString());
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
