#pragma once

#include "core/Catalog.h"
#include "formats/opds/OpdsFeed.h"

#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QWidget>

class BookDownload;
class CatalogClient;
class CoverPictures;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QTextBrowser;
class dlgCatalog;

// The find-a-book window's catalogs: OPDS catalogs (Project Gutenberg, Standard Ebooks and any
// the user adds by address) browsed page by page, with the catalog's search, each book with its
// cover, authors and summary, and a download button for each kind of file the program can
// read (EPUB first). A download goes into the library under a free name, with progress and
// cancel. Nothing is fetched before the pane is first shown.
class CatalogPane : public QWidget
{
    Q_OBJECT
public:
    explicit CatalogPane(const QString& booksFolder, QWidget* parent = nullptr);
    ~CatalogPane() override;

    // Opens the chosen catalog's first page.
    void openCatalog(int index);
    // Opens a page of the current catalog, remembering the one shown for Back.
    void openAddress(const QString& address);
    void goBack();
    void goHome();
    void stop();
    void search();
    // Adds the next page of the list shown (a catalog's long lists come in pages).
    void loadMore();
    // Opens the section the chosen entry leads to.
    void openChosenSection();
    // Downloads the chosen book's file of that kind into the library.
    void download(const QString& extension);
    void cancelDownload();
    void addCatalog();
    void editCatalog(bool askPassword = false);
    void removeCatalog();

    // What the pane holds, for the window and for tests.
    const Opds::Feed& page() const { return m_page; }
    const QList<Opds::Entry>& entries() const { return m_entries; }
    QList<Catalog> catalogs() const { return m_catalogs; }
    bool isLoading() const;
    bool isDownloading() const;
    // The download buttons of the chosen book, by file extension.
    QPushButton* downloadButton(const QString& extension) const;
    // The open catalog dialog (adding, changing, or asking for a password), if any.
    dlgCatalog* catalogDialog() const;

    QComboBox* cboCatalogs = nullptr;
    QPushButton* btnAddCatalog = nullptr;
    QPushButton* btnEditCatalog = nullptr;
    QPushButton* btnRemoveCatalog = nullptr;
    QPushButton* btnCatalogBack = nullptr;
    QPushButton* btnCatalogHome = nullptr;
    QPushButton* btnCatalogStop = nullptr;
    QLineEdit* txtCatalogSearch = nullptr;
    QPushButton* btnCatalogSearch = nullptr;
    QLabel* lblPageTitle = nullptr;
    QListWidget* lstEntries = nullptr;
    QPushButton* btnMore = nullptr;
    QLabel* lblCover = nullptr;
    QLabel* lblEntryTitle = nullptr;
    QLabel* lblEntryAuthors = nullptr;
    QTextBrowser* txtSummary = nullptr;
    QWidget* downloadRow = nullptr;
    QLabel* lblNoFile = nullptr;
    QPushButton* btnOpenSection = nullptr;
    QProgressBar* prgDownload = nullptr;
    QPushButton* btnCancelDownload = nullptr;
    QLabel* lblDownload = nullptr;
    QPushButton* btnOpenBook = nullptr;
    QLabel* lblStatus = nullptr;

signals:
    // A downloaded book is in the books folder under bookName.
    void bookSaved(const QString& bookName);
    // The reader wants to read it now.
    void openBookRequested(const QString& bookName);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void fillCatalogList(int current);
    void useCatalog(int index);
    void pageArrived(const QString& address, const Opds::Feed& page);
    void showFailure(const QString& message);
    void passwordRefused();
    void addEntries(const QList<Opds::Entry>& entries);
    void showEntry();
    void clearEntry();
    void pictureArrived(const QString& address, const QImage& picture);
    void downloadFinished(bool ok, const QString& bookName, const QString& error);
    void setLoading(bool loading);
    void updateButtons();
    const Opds::Entry* chosenEntry() const;

    QString m_booksFolder;
    QList<Catalog> m_catalogs;
    int m_catalogIndex = -1;
    CatalogClient* m_client = nullptr;
    CoverPictures* m_covers = nullptr;
    BookDownload* m_download = nullptr;
    QPointer<dlgCatalog> m_dialog;
    bool m_started = false;

    // The page shown, the entries of all its pages loaded so far, and how the reader got here.
    Opds::Feed m_page;
    QList<Opds::Entry> m_entries;
    QString m_address;
    QStringList m_history;
    // The pages of the list shown: a "next" link back to one of them is a loop, not more.
    QSet<QString> m_listPages;
    // The last page that offered a search; a page without a search link keeps using it.
    Opds::Feed m_searchPage;
    enum class Request
    {
        None,
        Open, // a new page, the shown one goes into the history
        Back, // a page from the history
        More, // the next page of the list shown
    };
    Request m_request = Request::None;
    QString m_savedBook;
};
