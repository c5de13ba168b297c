#include "core/CatalogPassword.h"

#include "core/MailPassword.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <qt6keychain/keychain.h>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("CatalogPassword", text);
}

const QString Service = QStringLiteral("Quillmere");
// A locked keyring may ask the user to unlock it, which takes a while.
constexpr int KeyringTimeoutMs = 60000;

QString keyFor(const Catalog& catalog)
{
    return QStringLiteral("opds:%1@%2").arg(catalog.user, catalog.server().toLower());
}

QString hostOf(const Catalog& catalog)
{
    return QUrl(catalog.address.trimmed()).host();
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

QString CatalogPassword::read(const Catalog& catalog)
{
    if (catalog.user.isEmpty()) {
        return QString();
    }
    if (MailPassword::keyringAvailable()) {
        auto* job = new QKeychain::ReadPasswordJob(Service);
        job->setKey(keyFor(catalog));
        const bool ended = runJob(job);
        const QString password =
            ended && job->error() == QKeychain::NoError ? job->textData() : QString();
        if (ended) {
            delete job;
        }
        if (!password.isEmpty()) {
            return password;
        }
    }
    bool found = false;
    return MailPassword::readNetrc(MailPassword::netrcPath(), hostOf(catalog), catalog.user,
                                   &found);
}

bool CatalogPassword::save(const Catalog& catalog, const QString& password, QString* where,
                           QString* error)
{
    if (!MailPassword::keyringAvailable()) {
        *where = QStringLiteral("~/.netrc");
        return MailPassword::writeNetrc(MailPassword::netrcPath(), hostOf(catalog), catalog.user,
                                        password, error);
    }
    *where = tr("the keyring");
    auto* job = new QKeychain::WritePasswordJob(Service);
    job->setKey(keyFor(catalog));
    job->setTextData(password);
    const bool ended = runJob(job);
    const bool ok = ended && job->error() == QKeychain::NoError;
    if (!ok && error) {
        *error = tr("The keyring did not keep the password: %1")
                     .arg(ended ? job->errorString() : tr("it did not answer."));
    }
    if (ended) {
        delete job;
    }
    return ok;
}
