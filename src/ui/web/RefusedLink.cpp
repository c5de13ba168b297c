#include "ui/web/RefusedLink.h"

#include "views/MessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("RefusedLink", text);
}
} // namespace

void RefusedLink::handle(QWidget* parent, const QString& address)
{
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        const auto answer = MessageBox::show(
            parent,
            tr("This link of the book leads to a page on the web:\n\n%1\n\nOpen it in your web "
               "browser?")
                .arg(url.toDisplayString()),
            QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            QDesktopServices::openUrl(url);
        }
        return;
    }
    MessageBox::show(parent, tr("This link leads outside the book, so it is not followed:\n\n%1")
                                 .arg(url.toDisplayString(QUrl::PreferLocalFile)));
}
