#pragma once

#include <QString>

// The text of a shared book's mail.
namespace ShareMail {
// Where the receiver downloads the program (empty while there is no such page), and the
// installer's file name.
QString installerAddress();
QString installerFileName();
// The fixed note that ends every message.
QString mailNote();
// The message, the codes 10, 13, 10, 13, then the note.
QString body(const QString& message);
} // namespace ShareMail
