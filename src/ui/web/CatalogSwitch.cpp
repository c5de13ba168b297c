#include "ui/web/CatalogSwitch.h"

#include "ui/skin/SkinButton.h"
#include "ui/web/CatalogPane.h"
#include "ui/web/StandIn.h"
#include "ui/web/frmBrowser1.h"
#include "views/WebView.h"
#include "views/WidgetBuilding.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

CatalogSwitch::CatalogSwitch(frmBrowser1* window, const QString& booksFolder) : QObject(window)
{
    m_button = WidgetBuilding::named(new SkinButton(tr("Catalogs"), window), "btnCatalogs");
    m_button->setAutoDefault(false);
    m_button->setToolTip(tr("Book catalogs (OPDS): browse, search and download into the library"));
    WidgetBuilding::place(m_button, 360, 8100, 1335, 375);
    m_button->bind(window->SkinForm1);

    m_pane = new CatalogPane(booksFolder, window);
    m_standIn = new StandIn(m_pane, window->brwWebBrowser);
    connect(m_button, &SkinButton::clicked, this, [this] { showCatalogs(!catalogsShown()); });

    // Whatever leads the web view somewhere shows the web page again.
    const auto showWebPage = [this] { showCatalogs(false); };
    connect(window->btnOK, &SkinButton::clicked, this, showWebPage);
    connect(window->txtAuthor, &QLineEdit::returnPressed, this, showWebPage);
    connect(window->txtTitle, &QLineEdit::returnPressed, this, showWebPage);
    connect(window->cboSites, &QComboBox::activated, this, showWebPage);
    connect(window->cboAddress, &QComboBox::activated, this, showWebPage);
    connect(window->cboAddress->lineEdit(), &QLineEdit::returnPressed, this, showWebPage);
    for (QToolButton* button :
         {window->btnBack, window->btnForward, window->btnRefresh, window->btnHome}) {
        connect(button, &QToolButton::clicked, this, showWebPage);
    }
}

void CatalogSwitch::showCatalogs(bool shown)
{
    m_standIn->show(shown);
    m_button->setText(shown ? tr("Web Page") : tr("Catalogs"));
    m_button->setAccessibleName(m_button->text());
    if (shown) {
        m_pane->setFocus();
    }
}

bool CatalogSwitch::catalogsShown() const
{
    return m_standIn->isShown();
}
