#pragma once

#include "core/DefinitionSource.h"

#include <QStringList>
#include <QTextBrowser>

class DictClient;

// The lookup window's page for a word looked up on a dictionary server: the definitions as
// formatted text, cross-references as links that look their word up, and for a word without
// a definition (or a server that cannot be asked) a link to the dictionary web site instead.
class DefinitionView : public QTextBrowser
{
    Q_OBJECT
public:
    explicit DefinitionView(QWidget* parent = nullptr);

    // Looks the word up where source says (a new lookup forgets the words before it).
    void lookUp(const DefinitionSource& source, const QString& word);
    QString word() const { return m_word; }
    bool isBusy() const;

signals:
    // The reader asked for the word on the dictionary web site.
    void webSiteRequested(const QString& word);
    // A page is shown: the definitions, the lack of one, or why there are none; title names it.
    void pageShown(const QString& title);

private:
    void ask(const QString& word);
    void linkClicked(const QUrl& url);
    void show(const QString& html, const QString& title);

    DictClient* m_client = nullptr;
    DefinitionSource m_source;
    QString m_word;
    QStringList m_before; // the words looked up before this one, for Back
};
