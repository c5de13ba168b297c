#include "core/ShareMail.h"

QString ShareMail::installerAddress()
{
    // The program has no download page of its own yet; the note then names none rather than
    // send the receiver to an address that does not exist.
    return QString();
}

QString ShareMail::installerFileName()
{
    return QStringLiteral("quillmere-setup.deb");
}

QString ShareMail::mailNote()
{
    const QString address = installerAddress();
    return QStringLiteral("*This electronic book was sent to you through Quillmere.  In order to "
                          "best read this book, download Quillmere") +
           (address.isEmpty() ? QString() : QStringLiteral(" from ") + address) +
           QStringLiteral(".  Run ") + installerFileName() +
           QStringLiteral(" to install Quillmere.") +
           QStringLiteral("  Place the attached file from this e-mail message in the Books "
                          "subdirectory of Quillmere.  Then, run the Quillmere and you're on "
                          "your way...");
}

QString ShareMail::body(const QString& message)
{
    return message + QChar(10) + QChar(13) + QChar(10) + QChar(13) + mailNote();
}
