#pragma once

#include "core/MailAccount.h"

#include <QString>

class QObject;

// Where the mail password is kept: in the desktop's keyring (the Secret Service, through
// QtKeychain) when one runs, otherwise in ~/.netrc, readable by the user only, where the mail
// library finds it. The settings file never holds it.
namespace MailPassword {
enum class Store
{
    Keyring,
    Netrc
};

// Whether a keyring answers; why not, when it does not.
bool keyringAvailable(QString* why = nullptr);
// Where save() would keep a password now.
Store currentStore();

// The password kept in the keyring for the account; empty when there is none (or no keyring),
// in which case the mail library looks in ~/.netrc itself.
QString readFromKeyring(const MailAccount& account);
// True when a password for the account is kept, in the keyring or in ~/.netrc.
bool isStored(const MailAccount& account);

// Keeps the password where currentStore() says; *used tells where it went. asker is the
// window that asked: if it is closed while the keyring works, the save stops waiting and
// returns false.
bool save(const MailAccount& account, const QString& password, Store* used, QString* error,
          QObject* asker = nullptr);

// ~/.netrc (as the mail library reads it: $HOME/.netrc).
QString netrcPath();
// The password the mail library takes from the file for that host and user name, if any.
QString readNetrc(const QString& path, const QString& host, const QString& login, bool* found);
// Sets the password the mail library takes for that host and user name, adding an entry when
// there is none; every other byte of the file stays as it was, and every other entry reads as
// before (else nothing is written and *error says why). The file is replaced atomically and is
// readable by the user only, from before the password is written.
bool writeNetrc(const QString& path, const QString& host, const QString& login,
                const QString& password, QString* error);
} // namespace MailPassword
