#include "ui/web/DefinitionView.h"

#include "core/DefinitionPage.h"
#include "core/DictClient.h"

DefinitionView::DefinitionView(QWidget* parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("definitionView"));
    setAccessibleName(tr("Definition"));
    // Links are the program's own ("define:word"); nothing is ever fetched or opened.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    m_client = new DictClient(this);
    connect(this, &QTextBrowser::anchorClicked, this, &DefinitionView::linkClicked);
    connect(m_client, &DictClient::definitionsArrived, this,
            [this](const QString& word, const QList<DictDefinition>& definitions,
                   const QStringList& suggestions) {
                const QString previous = m_before.isEmpty() ? QString() : m_before.last();
                if (definitions.isEmpty()) {
                    show(DefinitionPage::noDefinition(word, suggestions, m_source.server, previous),
                         tr("%1: no definition").arg(word));
                } else {
                    show(DefinitionPage::definitions(definitions, previous), word);
                }
            });
    connect(m_client, &DictClient::failed, this, [this](const QString& message) {
        show(DefinitionPage::failure(m_word, message), tr("%1: not looked up").arg(m_word));
    });
}

bool DefinitionView::isBusy() const
{
    return m_client->isBusy();
}

void DefinitionView::lookUp(const DefinitionSource& source, const QString& word)
{
    m_source = source;
    m_before.clear();
    ask(word);
}

void DefinitionView::ask(const QString& word)
{
    m_word = word.simplified();
    viewport()->setCursor(Qt::BusyCursor);
    setHtml(DefinitionPage::lookingUp(m_word, m_source.server));
    m_client->define(m_source.server, word, m_source.database);
}

void DefinitionView::show(const QString& html, const QString& title)
{
    viewport()->unsetCursor();
    setHtml(html);
    emit pageShown(title);
}

void DefinitionView::linkClicked(const QUrl& url)
{
    QString word;
    switch (DefinitionPage::readLink(url, &word)) {
    case DefinitionPage::Link::Define:
        m_before.append(m_word);
        ask(word);
        break;
    case DefinitionPage::Link::Back:
        if (!m_before.isEmpty()) {
            ask(m_before.takeLast());
        }
        break;
    case DefinitionPage::Link::WebSite:
        emit webSiteRequested(word);
        break;
    case DefinitionPage::Link::None:
        break;
    }
}
