// The web plugin: the web engine's pages for WebView, loaded with the first page asked for.
#include "core/EngineInterfaces.h"
#include "views/plugins/web/WebEngineBackend.h"
#include "views/plugins/web/WebEngineSetup.h"

#include <QObject>

class WebEnginePlugin : public QObject, public WebEngineFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuillmereWebEngineFactory_iid)
    Q_INTERFACES(WebEngineFactory)
public:
    WebEnginePlugin() { prepareWebEngine(); }

    WebPageEngine* createPage(WebViewHost* host, QWidget* parent) override
    {
        return new WebEngineBackend(host, parent);
    }
};

#include "WebEnginePlugin.moc"
