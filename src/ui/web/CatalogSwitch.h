#pragma once

#include <QObject>

class CatalogPane;
class SkinButton;
class StandIn;
class frmBrowser1;

// Gives the find-a-book window its catalogs: a "Catalogs" button under the book sites that
// shows the catalog pane in the web view's place, and "Web Page" to go back. Searching the
// books index, choosing a site or an address, or the toolbar bring the web page back too.
class CatalogSwitch : public QObject
{
    Q_OBJECT
public:
    CatalogSwitch(frmBrowser1* window, const QString& booksFolder);

    SkinButton* button() const { return m_button; }
    CatalogPane* pane() const { return m_pane; }
    void showCatalogs(bool shown);
    bool catalogsShown() const;

private:
    SkinButton* m_button = nullptr;
    CatalogPane* m_pane = nullptr;
    StandIn* m_standIn = nullptr;
};
