#include "core/DefinitionPage.h"

#include <QCoreApplication>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("DefinitionPage", text);
}

const QString DefineScheme = QStringLiteral("define");
const QString WebSiteScheme = QStringLiteral("website");
const QString BackScheme = QStringLiteral("back");

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QString anchor(const QUrl& url, const QString& shown)
{
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(escaped(url.toString(QUrl::FullyEncoded)), escaped(shown));
}

QString backLink(const QString& previousWord)
{
    if (previousWord.isEmpty()) {
        return QString();
    }
    QUrl back;
    back.setScheme(BackScheme);
    back.setPath(previousWord);
    return QStringLiteral("<p>%1</p>")
        .arg(anchor(back, tr("\u2190 Back to \u201c%1\u201d").arg(previousWord)));
}

QString webSiteOffer(const QString& word)
{
    return QStringLiteral("<p>%1</p>")
        .arg(anchor(DefinitionPage::webSiteLink(word),
                    tr("Look \u201c%1\u201d up on the dictionary web site").arg(word)));
}

// The body of a definition: its lines kept, "{word}" made a link to that word.
QString bodyHtml(const QString& text)
{
    QString html;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('{'), i);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('}'), open + 1);
        // A reference runs to its closing brace, over a line end at most, never far.
        if (open < 0 || close < 0 || close - open > 200) {
            html += escaped(text.mid(i));
            break;
        }
        html += escaped(text.mid(i, open - i));
        const QString reference = text.mid(open + 1, close - open - 1);
        const QString word = reference.simplified();
        html += word.isEmpty() ? escaped(reference)
                               : anchor(DefinitionPage::defineLink(word), reference);
        i = close + 1;
    }
    return html;
}

QString page(const QString& body)
{
    return QStringLiteral("<html><body>%1</body></html>").arg(body);
}
} // namespace

QUrl DefinitionPage::defineLink(const QString& word)
{
    QUrl url;
    url.setScheme(DefineScheme);
    url.setPath(word);
    return url;
}

QUrl DefinitionPage::webSiteLink(const QString& word)
{
    QUrl url;
    url.setScheme(WebSiteScheme);
    url.setPath(word);
    return url;
}

DefinitionPage::Link DefinitionPage::readLink(const QUrl& url, QString* word)
{
    *word = url.path();
    if (url.scheme() == DefineScheme) {
        return Link::Define;
    }
    if (url.scheme() == WebSiteScheme) {
        return Link::WebSite;
    }
    if (url.scheme() == BackScheme) {
        return Link::Back;
    }
    word->clear();
    return Link::None;
}

QString DefinitionPage::lookingUp(const QString& word, const QString& server)
{
    return page(QStringLiteral("<p>%1</p>")
                    .arg(escaped(tr("Looking \u201c%1\u201d up on %2\u2026").arg(word, server))));
}

QString DefinitionPage::definitions(const QList<DictDefinition>& definitions,
                                    const QString& previousWord)
{
    QString body = backLink(previousWord);
    for (const DictDefinition& definition : definitions) {
        const QString source =
            definition.databaseName.isEmpty()
                ? definition.database
                : QStringLiteral("%1 (%2)").arg(definition.databaseName, definition.database);
        body += QStringLiteral("<h2>%1</h2><p style=\"color:#606060\"><i>%2</i></p>"
                               "<p style=\"white-space:pre-wrap\">%3</p>")
                    .arg(escaped(definition.word), escaped(source), bodyHtml(definition.text));
    }
    return page(body);
}

QString DefinitionPage::noDefinition(const QString& word, const QStringList& suggestions,
                                     const QString& server, const QString& previousWord)
{
    QString body = backLink(previousWord);
    body += QStringLiteral("<h2>%1</h2><p>%2</p>")
                .arg(escaped(word),
                     escaped(tr("The dictionary server %1 has no definition of \u201c%2\u201d.")
                                 .arg(server, word)));
    if (!suggestions.isEmpty()) {
        QStringList links;
        for (const QString& suggestion : suggestions) {
            links.append(anchor(defineLink(suggestion), suggestion));
        }
        body += QStringLiteral("<p>%1 %2</p>")
                    .arg(escaped(tr("Close words it has:")), links.join(QStringLiteral(", ")));
    }
    return page(body + webSiteOffer(word));
}

QString DefinitionPage::failure(const QString& word, const QString& message)
{
    return page(QStringLiteral("<h2>%1</h2><p>%2</p>").arg(escaped(word), escaped(message)) +
                (word.isEmpty() ? QString() : webSiteOffer(word)));
}
