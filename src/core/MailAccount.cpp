#include "core/MailAccount.h"

#include "core/AppSettings.h"

#include <QCoreApplication>
#include <QUrl>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("MailAccount", text);
}

const QString Group = QStringLiteral("Mail");
} // namespace

int MailAccount::defaultPort(Security security)
{
    return security == Security::SslTls ? 465 : 587;
}

QString MailAccount::serverUrl() const
{
    const QString scheme =
        security == Security::SslTls ? QStringLiteral("smtps") : QStringLiteral("smtp");
    // An IPv6 address needs its brackets in the address.
    const QString shownHost =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return QStringLiteral("%1://%2:%3").arg(scheme, shownHost).arg(port);
}

MailAccount MailAccount::fromServerUrl(const QString& text)
{
    MailAccount account;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return account;
    }
    const QUrl url = QUrl::fromUserInput(
        trimmed.contains(QLatin1String("://")) ? trimmed : QStringLiteral("smtps://") + trimmed);
    const bool plain = url.scheme().compare(QLatin1String("smtp"), Qt::CaseInsensitive) == 0;
    account.security = plain ? Security::StartTls : Security::SslTls;
    account.host = url.host();
    account.port = url.port(plain ? 25 : 465);
    return account;
}

MailAccount MailAccount::load()
{
    auto settings = AppSettings::open();
    settings->beginGroup(Group);
    MailAccount account = fromServerUrl(settings->value(QStringLiteral("Server")).toString());
    account.sender = settings->value(QStringLiteral("Sender")).toString().trimmed();
    account.user = settings->value(QStringLiteral("User")).toString().trimmed();
    return account;
}

void MailAccount::save() const
{
    auto settings = AppSettings::open();
    settings->beginGroup(Group);
    settings->setValue(QStringLiteral("Server"), serverUrl());
    settings->setValue(QStringLiteral("Sender"), sender.trimmed());
    if (user.trimmed().isEmpty()) {
        settings->remove(QStringLiteral("User"));
    } else {
        settings->setValue(QStringLiteral("User"), user.trimmed());
    }
}

QString MailAccount::problem() const
{
    const QString name = host.trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char(' ')) || name.contains(QLatin1Char('/')) ||
        !QUrl(serverUrl()).isValid()) {
        return tr("Please type the mail server's name, for example smtp.example.org.");
    }
    if (port < 1 || port > 65535) {
        return tr("Please type the server's port, a number from 1 to 65535.");
    }
    const QString from = sender.trimmed();
    if (from.isEmpty() || !from.contains(QLatin1Char('@')) || from.contains(QLatin1Char(' ')) ||
        from.contains(QLatin1Char('<')) || from.contains(QLatin1Char('>'))) {
        return tr("Please type the sender's address, for example you@example.org.");
    }
    return QString();
}
