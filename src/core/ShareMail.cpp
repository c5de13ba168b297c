#include "core/ShareMail.h"

QString ShareMail::installerAddress()
{
    return QStringLiteral("https://quillmere.example.org/download");
}

QString ShareMail::installerFileName()
{
    return QStringLiteral("quillmere-setup.deb");
}

QString ShareMail::mailNote()
{
    return QStringLiteral("*This electronic book was sent to you through Quillmere.  In order to "
                          "best read this book, download Quillmere from ") +
           installerAddress() + QStringLiteral(".  Run ") + installerFileName() +
           QStringLiteral(" to install Quillmere.") +
           QStringLiteral("  Place the attached file from this e-mail message in the Books "
                          "subdirectory of Quillmere.  Then, run the Quillmere and you're on "
                          "your way...");
}

QString ShareMail::body(const QString& message)
{
    return message + QChar(10) + QChar(13) + QChar(10) + QChar(13) + mailNote();
}
