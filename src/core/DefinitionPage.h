#pragma once

#include "core/DictClient.h"

#include <QString>
#include <QStringList>
#include <QUrl>

// The pages the lookup window shows for a word looked up on a dictionary server: rich text
// in which every character from the server is escaped (a definition can hold no markup of its
// own), each definition under its headword and its database's name, and the cross-references
// a dictionary writes in braces ("{pear}") as links that look that word up.
namespace DefinitionPage {
QString lookingUp(const QString& word, const QString& server);
QString definitions(const QList<DictDefinition>& definitions, const QString& previousWord);
// No definition: says so, lists close words the server has, and offers the web site.
QString noDefinition(const QString& word, const QStringList& suggestions, const QString& server,
                     const QString& previousWord);
// The server could not be asked: says why, and offers the web site.
QString failure(const QString& word, const QString& message);

// The links the pages hold.
enum class Link
{
    None,
    Define,  // look the word up on the server
    WebSite, // look the word up on the web site
    Back     // back to the word looked up before
};
QUrl defineLink(const QString& word);
QUrl webSiteLink(const QString& word);
Link readLink(const QUrl& url, QString* word);
} // namespace DefinitionPage
