#include "ui/web/CatalogPane.h"

#include "core/BookDownload.h"
#include "core/CatalogClient.h"
#include "core/CatalogPassword.h"
#include "core/CoverPictures.h"
#include "ui/web/dlgCatalog.h"
#include "views/MessageBox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
const QSize IconSize(48, 72);
const QSize CoverSize(160, 240);
constexpr int EntryRole = Qt::UserRole + 1;
constexpr int MaxPictures = 400;

template <typename T> T* named(T* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}
} // namespace

CatalogPane::CatalogPane(const QString& booksFolder, QWidget* parent)
    : QWidget(parent), m_booksFolder(booksFolder)
{
    setObjectName(QStringLiteral("catalogPane"));
    setAccessibleName(tr("Catalogs"));
    setAutoFillBackground(true);
    m_client = new CatalogClient(this);
    m_covers = new CoverPictures(m_client->network(), this);
    m_download = new BookDownload(m_client->network(), m_booksFolder, this);
    buildControls();

    connect(m_client, &CatalogClient::pageArrived, this, &CatalogPane::pageArrived);
    connect(m_client, &CatalogClient::failed, this, &CatalogPane::showFailure);
    connect(m_client, &CatalogClient::passwordRefused, this, &CatalogPane::passwordRefused);
    connect(m_covers, &CoverPictures::pictureArrived, this, &CatalogPane::pictureArrived);
    connect(m_download, &BookDownload::progress, this, [this](qint64 received, qint64 total) {
        prgDownload->setRange(0, total > 0 ? 1000 : 0);
        if (total > 0) {
            prgDownload->setValue(int(qMin<qint64>(1000, received * 1000 / total)));
        }
        prgDownload->setFormat(QLocale().formattedDataSize(received));
    });
    connect(m_download, &BookDownload::finished, this, &CatalogPane::downloadFinished);

    m_catalogs = Catalog::load();
    fillCatalogList(m_catalogs.isEmpty() ? -1 : 0);
    clearEntry();
    updateButtons();
}

CatalogPane::~CatalogPane()
{
    // A download under way is given up, and leaves nothing in the library.
    m_download->cancel();
}

void CatalogPane::buildControls()
{
    cboCatalogs = named(new QComboBox(this), "cboCatalogs", tr("Catalog"));
    cboCatalogs->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* catalogLabel = new QLabel(tr("&Catalog:"), this);
    catalogLabel->setBuddy(cboCatalogs);
    btnAddCatalog =
        named(new QPushButton(tr("&Add..."), this), "btnAddCatalog", tr("Add a catalog"));
    btnEditCatalog =
        named(new QPushButton(tr("&Edit..."), this), "btnEditCatalog", tr("Change the catalog"));
    btnRemoveCatalog =
        named(new QPushButton(tr("&Remove"), this), "btnRemoveCatalog", tr("Remove the catalog"));
    btnCatalogBack = named(new QPushButton(tr("&Back"), this), "btnCatalogBack", tr("Back"));
    btnCatalogHome = named(new QPushButton(tr("&First Page"), this), "btnCatalogHome",
                           tr("The catalog's first page"));
    btnCatalogStop = named(new QPushButton(tr("S&top"), this), "btnCatalogStop", tr("Stop"));
    txtCatalogSearch = named(new QLineEdit(this), "txtCatalogSearch", tr("Search the catalog"));
    txtCatalogSearch->setPlaceholderText(tr("title, author or subject"));
    btnCatalogSearch =
        named(new QPushButton(tr("&Search"), this), "btnCatalogSearch", tr("Search the catalog"));
    btnCatalogBack->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));

    auto* top = new QHBoxLayout;
    top->addWidget(catalogLabel);
    top->addWidget(cboCatalogs);
    top->addWidget(btnAddCatalog);
    top->addWidget(btnEditCatalog);
    top->addWidget(btnRemoveCatalog);
    top->addSpacing(16);
    top->addWidget(btnCatalogBack);
    top->addWidget(btnCatalogHome);
    top->addWidget(btnCatalogStop);
    top->addSpacing(16);
    top->addWidget(txtCatalogSearch, 1);
    top->addWidget(btnCatalogSearch);

    // Every text from a catalog is shown as plain text: a title holds no markup of its own.
    lblPageTitle = named(new QLabel(this), "lblPageTitle", tr("Page"));
    lblPageTitle->setTextFormat(Qt::PlainText);
    QFont bold = lblPageTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    lblPageTitle->setFont(bold);

    auto* listSide = new QWidget(this);
    lstEntries = named(new QListWidget(listSide), "lstEntries", tr("Books and sections"));
    lstEntries->setIconSize(IconSize);
    lstEntries->setWordWrap(true);
    lstEntries->setUniformItemSizes(false);
    btnMore = named(new QPushButton(tr("&More..."), listSide), "btnMore", tr("More"));
    auto* listLayout = new QVBoxLayout(listSide);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(lstEntries, 1);
    listLayout->addWidget(btnMore);

    auto* details = new QWidget(this);
    lblCover = named(new QLabel(details), "lblCover", tr("Cover"));
    lblCover->setFixedSize(CoverSize);
    lblCover->setAlignment(Qt::AlignCenter);
    lblEntryTitle = named(new QLabel(details), "lblEntryTitle", tr("Title"));
    lblEntryTitle->setFont(bold);
    lblEntryTitle->setWordWrap(true);
    lblEntryTitle->setTextFormat(Qt::PlainText);
    lblEntryAuthors = named(new QLabel(details), "lblEntryAuthors", tr("Authors"));
    lblEntryAuthors->setWordWrap(true);
    lblEntryAuthors->setTextFormat(Qt::PlainText);
    txtSummary = named(new QTextBrowser(details), "txtSummary", tr("Summary"));
    txtSummary->setOpenLinks(false);
    btnOpenSection =
        named(new QPushButton(tr("&Open"), details), "btnOpenSection", tr("Open the section"));
    downloadRow = named(new QWidget(details), "downloadRow", tr("Download"));
    auto* downloadLayout = new QHBoxLayout(downloadRow);
    downloadLayout->setContentsMargins(0, 0, 0, 0);
    downloadLayout->addStretch();
    lblNoFile = named(new QLabel(tr("The catalog offers no file of this book that the program "
                                    "can read."),
                                 details),
                      "lblNoFile", tr("No readable file"));
    lblNoFile->setWordWrap(true);
    prgDownload = named(new QProgressBar(details), "prgDownload", tr("Download progress"));
    prgDownload->setTextVisible(true);
    btnCancelDownload = named(new QPushButton(tr("&Cancel Download"), details), "btnCancelDownload",
                              tr("Cancel the download"));
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(prgDownload, 1);
    progressRow->addWidget(btnCancelDownload);
    lblDownload = named(new QLabel(details), "lblDownload", tr("Download"));
    lblDownload->setWordWrap(true);
    lblDownload->setTextFormat(Qt::PlainText);
    lblDownload->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btnOpenBook =
        named(new QPushButton(tr("Open the &Book"), details), "btnOpenBook", tr("Open the book"));

    auto* head = new QHBoxLayout;
    head->addWidget(lblCover, 0, Qt::AlignTop);
    auto* words = new QVBoxLayout;
    words->addWidget(lblEntryTitle);
    words->addWidget(lblEntryAuthors);
    words->addStretch();
    head->addLayout(words, 1);
    auto* detailLayout = new QVBoxLayout(details);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addLayout(head);
    detailLayout->addWidget(txtSummary, 1);
    detailLayout->addWidget(btnOpenSection, 0, Qt::AlignLeft);
    detailLayout->addWidget(downloadRow);
    detailLayout->addWidget(lblNoFile);
    detailLayout->addLayout(progressRow);
    detailLayout->addWidget(lblDownload);
    detailLayout->addWidget(btnOpenBook, 0, Qt::AlignLeft);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(listSide);
    split->addWidget(details);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    lblStatus = named(new QLabel(this), "lblStatus", tr("Status"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblPageTitle);
    layout->addWidget(split, 1);
    layout->addWidget(lblStatus);

    connect(cboCatalogs, &QComboBox::activated, this, &CatalogPane::openCatalog);
    connect(btnAddCatalog, &QPushButton::clicked, this, &CatalogPane::addCatalog);
    connect(btnEditCatalog, &QPushButton::clicked, this, [this] { editCatalog(); });
    connect(btnRemoveCatalog, &QPushButton::clicked, this, &CatalogPane::removeCatalog);
    connect(btnCatalogBack, &QPushButton::clicked, this, &CatalogPane::goBack);
    connect(btnCatalogHome, &QPushButton::clicked, this, &CatalogPane::goHome);
    connect(btnCatalogStop, &QPushButton::clicked, this, &CatalogPane::stop);
    connect(btnCatalogSearch, &QPushButton::clicked, this, &CatalogPane::search);
    connect(txtCatalogSearch, &QLineEdit::returnPressed, this, &CatalogPane::search);
    connect(btnMore, &QPushButton::clicked, this, &CatalogPane::loadMore);
    connect(lstEntries, &QListWidget::currentRowChanged, this, &CatalogPane::showEntry);
    connect(lstEntries, &QListWidget::itemActivated, this, &CatalogPane::openChosenSection);
    connect(btnOpenSection, &QPushButton::clicked, this, &CatalogPane::openChosenSection);
    connect(btnCancelDownload, &QPushButton::clicked, this, &CatalogPane::cancelDownload);
    connect(btnOpenBook, &QPushButton::clicked, this,
            [this] { emit openBookRequested(m_savedBook); });
}

void CatalogPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The network is reached only once the reader asks for the catalogs.
    if (!m_started) {
        m_started = true;
        if (m_catalogIndex >= 0) {
            openCatalog(m_catalogIndex);
        }
    }
}

void CatalogPane::fillCatalogList(int current)
{
    cboCatalogs->clear();
    for (const Catalog& catalog : m_catalogs) {
        cboCatalogs->addItem(catalog.name);
    }
    m_catalogIndex = current;
    cboCatalogs->setCurrentIndex(current);
}

void CatalogPane::useCatalog(int index)
{
    m_catalogIndex = index;
    cboCatalogs->setCurrentIndex(index);
    const Catalog& catalog = m_catalogs.at(index);
    m_client->setCatalog(catalog, CatalogPassword::read(catalog));
    m_history.clear();
    m_address.clear();
    m_searchPage = Opds::Feed();
}

void CatalogPane::openCatalog(int index)
{
    if (index < 0 || index >= m_catalogs.size()) {
        return;
    }
    useCatalog(index);
    openAddress(m_catalogs.at(index).address);
}

void CatalogPane::openAddress(const QString& address)
{
    m_request = Request::Open;
    setLoading(true);
    m_client->open(address);
}

void CatalogPane::goBack()
{
    if (m_history.isEmpty()) {
        return;
    }
    m_request = Request::Back;
    setLoading(true);
    m_client->open(m_history.last());
}

void CatalogPane::goHome()
{
    if (m_catalogIndex >= 0) {
        openAddress(m_catalogs.at(m_catalogIndex).address);
    }
}

void CatalogPane::stop()
{
    m_client->cancel();
    m_request = Request::None;
    setLoading(false);
    lblStatus->clear();
}

void CatalogPane::search()
{
    const QString terms = txtCatalogSearch->text().trimmed();
    if (terms.isEmpty() || m_catalogIndex < 0) {
        return;
    }
    m_request = Request::Open;
    setLoading(true);
    m_client->search(m_searchPage, terms);
}

void CatalogPane::loadMore()
{
    if (m_page.nextHref.isEmpty() || m_listPages.contains(m_page.nextHref)) {
        return;
    }
    m_request = Request::More;
    setLoading(true);
    m_client->open(m_page.nextHref);
}

void CatalogPane::pageArrived(const QString& address, const Opds::Feed& page)
{
    const Request request = m_request;
    m_request = Request::None;
    setLoading(false);
    lblStatus->clear();
    if (!page.searchHref.isEmpty()) {
        m_searchPage = page;
    }
    if (request == Request::More) {
        m_page.nextHref = page.nextHref;
        m_listPages.insert(address);
        addEntries(page.entries);
        updateButtons();
        return;
    }
    if (request == Request::Back) {
        m_history.removeLast();
    } else if (!m_address.isEmpty() && m_address != address) {
        m_history.append(m_address);
    }
    m_address = address;
    m_page = page;
    m_listPages = {address};
    m_entries.clear();
    lstEntries->clear();
    m_covers->clearQueue();
    lblPageTitle->setText(page.title.isEmpty() ? m_catalogs.value(m_catalogIndex).name
                                               : page.title);
    addEntries(page.entries);
    if (page.entries.isEmpty()) {
        lblStatus->setText(tr("This page of the catalog lists nothing."));
    }
    if (lstEntries->count() > 0) {
        lstEntries->setCurrentRow(0);
    } else {
        clearEntry();
    }
    updateButtons();
}

void CatalogPane::addEntries(const QList<Opds::Entry>& entries)
{
    const QIcon section = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon book = style()->standardIcon(QStyle::SP_FileIcon);
    QStringList pictures;
    for (const Opds::Entry& entry : entries) {
        const QString title = entry.title.isEmpty() ? tr("(untitled)") : entry.title;
        QString text = title;
        if (!entry.authors.isEmpty()) {
            text += QLatin1Char('\n') + entry.authors.join(QStringLiteral(", "));
        }
        auto* item = new QListWidgetItem(entry.isBook() ? book : section, text);
        item->setData(EntryRole, int(m_entries.size()));
        item->setToolTip(Qt::convertFromPlainText(title));
        const QString picture = entry.thumbnailHref();
        // Pictures for the first entries of a list only: a catalog's page may be very long.
        if (!picture.isEmpty() && m_entries.size() < MaxPictures) {
            const QImage known = m_covers->picture(picture);
            if (!known.isNull()) {
                item->setIcon(QPixmap::fromImage(known));
            } else {
                pictures.append(picture);
            }
        }
        m_entries.append(entry);
        lstEntries->addItem(item);
    }
    m_covers->request(pictures);
}

void CatalogPane::pictureArrived(const QString& address, const QImage& picture)
{
    for (int row = 0; row < lstEntries->count(); ++row) {
        const int index = lstEntries->item(row)->data(EntryRole).toInt();
        if (m_entries.value(index).thumbnailHref() == address) {
            lstEntries->item(row)->setIcon(QPixmap::fromImage(picture));
        }
    }
    if (const Opds::Entry* entry = chosenEntry(); entry && entry->thumbnailHref() == address) {
        lblCover->setPixmap(QPixmap::fromImage(picture).scaled(CoverSize, Qt::KeepAspectRatio,
                                                               Qt::SmoothTransformation));
    }
}

const Opds::Entry* CatalogPane::chosenEntry() const
{
    const QListWidgetItem* item = lstEntries->currentItem();
    if (!item) {
        return nullptr;
    }
    const int index = item->data(EntryRole).toInt();
    return index >= 0 && index < m_entries.size() ? &m_entries.at(index) : nullptr;
}

void CatalogPane::clearEntry()
{
    lblCover->clear();
    lblEntryTitle->clear();
    lblEntryAuthors->clear();
    txtSummary->clear();
    btnOpenSection->hide();
    lblNoFile->hide();
    for (QPushButton* button : downloadRow->findChildren<QPushButton*>()) {
        delete button;
    }
}

void CatalogPane::showEntry()
{
    clearEntry();
    const Opds::Entry* entry = chosenEntry();
    if (!entry) {
        return;
    }
    lblEntryTitle->setText(entry->title);
    lblEntryAuthors->setText(entry->authors.join(QStringLiteral(", ")));
    txtSummary->setPlainText(entry->summary);
    const QImage picture = m_covers->picture(entry->thumbnailHref());
    if (!picture.isNull()) {
        lblCover->setPixmap(QPixmap::fromImage(picture).scaled(CoverSize, Qt::KeepAspectRatio,
                                                               Qt::SmoothTransformation));
    }
    if (!entry->isBook()) {
        btnOpenSection->setVisible(entry->subsection().has_value());
        return;
    }
    const QList<Opds::BookFile> files = entry->readableFiles();
    lblNoFile->setVisible(files.isEmpty());
    auto* layout = static_cast<QHBoxLayout*>(downloadRow->layout());
    int at = 0;
    for (const Opds::BookFile& file : files) {
        if (downloadButton(file.extension)) {
            continue; // one button for each kind of file
        }
        auto* button = new QPushButton(tr("Download %1").arg(file.label), downloadRow);
        button->setObjectName(QStringLiteral("btnDownload_") + file.extension);
        button->setAccessibleName(button->text());
        if (file.link.length > 0) {
            button->setToolTip(QLocale().formattedDataSize(file.link.length));
        }
        const QString extension = file.extension;
        connect(button, &QPushButton::clicked, this, [this, extension] { download(extension); });
        layout->insertWidget(at++, button);
    }
    updateButtons();
}

QPushButton* CatalogPane::downloadButton(const QString& extension) const
{
    return downloadRow->findChild<QPushButton*>(QStringLiteral("btnDownload_") + extension);
}

void CatalogPane::openChosenSection()
{
    const Opds::Entry* entry = chosenEntry();
    if (!entry || entry->isBook()) {
        return;
    }
    if (const std::optional<Opds::Link> link = entry->subsection()) {
        openAddress(link->href);
    }
}

void CatalogPane::download(const QString& extension)
{
    const Opds::Entry* entry = chosenEntry();
    if (!entry || m_download->isRunning()) {
        return;
    }
    for (const Opds::BookFile& file : entry->readableFiles()) {
        if (file.extension == extension) {
            m_savedBook.clear();
            // The button is disabled while the book comes; the focus stays in the list.
            lstEntries->setFocus();
            lblDownload->setText(tr("Downloading \u201c%1\u201d\u2026").arg(entry->title));
            prgDownload->setValue(0);
            m_download->start(file, entry->title, entry->authors);
            updateButtons();
            return;
        }
    }
}

void CatalogPane::cancelDownload()
{
    m_download->cancel();
}

void CatalogPane::downloadFinished(bool ok, const QString& bookName, const QString& error)
{
    if (ok) {
        m_savedBook = bookName;
        lblDownload->setText(tr("Saved in the library as \u201c%1\u201d.").arg(bookName));
        emit bookSaved(bookName);
    } else {
        lblDownload->setText(tr("Not saved: %1").arg(error));
    }
    updateButtons();
}

void CatalogPane::showFailure(const QString& message)
{
    m_request = Request::None;
    setLoading(false);
    lblStatus->setText(message);
    updateButtons();
}

void CatalogPane::passwordRefused()
{
    if (!m_dialog) {
        editCatalog(true);
    }
}

void CatalogPane::addCatalog()
{
    if (m_dialog) {
        m_dialog->raise();
        return;
    }
    m_dialog = new dlgCatalog(Catalog(), false, this);
    connect(m_dialog, &QDialog::finished, m_dialog, &QObject::deleteLater);
    connect(m_dialog, &QDialog::accepted, this, [this] {
        const Catalog added = m_dialog->catalog();
        const QString password = m_dialog->password();
        m_dialog = nullptr;
        m_catalogs.append(added);
        Catalog::save(m_catalogs);
        fillCatalogList(int(m_catalogs.size()) - 1);
        useCatalog(m_catalogIndex);
        if (!password.isEmpty()) {
            m_client->setCatalog(m_catalogs.at(m_catalogIndex), password);
        }
        openAddress(m_catalogs.at(m_catalogIndex).address);
    });
    m_dialog->open();
}

void CatalogPane::editCatalog(bool askPassword)
{
    if (m_catalogIndex < 0 || m_dialog) {
        return;
    }
    m_dialog = new dlgCatalog(m_catalogs.at(m_catalogIndex), askPassword, this);
    connect(m_dialog, &QDialog::finished, m_dialog, &QObject::deleteLater);
    const QString retry = m_address.isEmpty() ? m_catalogs.at(m_catalogIndex).address : m_address;
    connect(m_dialog, &QDialog::accepted, this, [this, retry] {
        const Catalog changed = m_dialog->catalog();
        const QString password = m_dialog->password();
        m_dialog = nullptr;
        const bool sameAddress = changed.address == m_catalogs.at(m_catalogIndex).address;
        m_catalogs[m_catalogIndex] = changed;
        Catalog::save(m_catalogs);
        fillCatalogList(m_catalogIndex);
        m_client->setCatalog(changed,
                             password.isEmpty() ? CatalogPassword::read(changed) : password);
        // With a password given the page that asked for it is tried again.
        if (sameAddress) {
            m_request = Request::Open;
            setLoading(true);
            m_client->open(retry);
        } else {
            openCatalog(m_catalogIndex);
        }
    });
    connect(m_dialog, &QDialog::rejected, this, [this, askPassword] {
        m_dialog = nullptr;
        if (askPassword) {
            lblStatus->setText(tr("The catalog asks for a user name and password; Edit... "
                                  "takes them."));
        }
    });
    m_dialog->open();
}

void CatalogPane::removeCatalog()
{
    if (m_catalogIndex < 0) {
        return;
    }
    const Catalog& catalog = m_catalogs.at(m_catalogIndex);
    if (MessageBox::show(this,
                         tr("Remove the catalog \u201c%1\u201d from the list?").arg(catalog.name),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    m_client->cancel();
    m_catalogs.removeAt(m_catalogIndex);
    Catalog::save(m_catalogs);
    fillCatalogList(m_catalogs.isEmpty() ? -1 : 0);
    m_entries.clear();
    lstEntries->clear();
    lblPageTitle->clear();
    clearEntry();
    m_page = Opds::Feed();
    if (m_catalogIndex >= 0) {
        openCatalog(m_catalogIndex);
    }
    updateButtons();
}

dlgCatalog* CatalogPane::catalogDialog() const
{
    return m_dialog;
}

bool CatalogPane::isLoading() const
{
    return m_client->busy();
}

bool CatalogPane::isDownloading() const
{
    return m_download->isRunning();
}

void CatalogPane::setLoading(bool loading)
{
    if (loading) {
        lblStatus->setText(tr("Loading\u2026"));
        setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
    }
    updateButtons();
}

void CatalogPane::updateButtons()
{
    const bool loading = m_client->busy();
    const bool downloading = m_download->isRunning();
    const bool hasCatalog = m_catalogIndex >= 0;
    btnEditCatalog->setEnabled(hasCatalog);
    btnRemoveCatalog->setEnabled(hasCatalog);
    btnCatalogBack->setEnabled(!m_history.isEmpty());
    btnCatalogHome->setEnabled(hasCatalog);
    btnCatalogStop->setEnabled(loading);
    const bool searchable = !m_searchPage.searchHref.isEmpty();
    btnCatalogSearch->setEnabled(searchable);
    txtCatalogSearch->setEnabled(searchable);
    btnMore->setVisible(!m_page.nextHref.isEmpty() && !m_listPages.contains(m_page.nextHref));
    btnMore->setEnabled(!loading);
    for (QPushButton* button : downloadRow->findChildren<QPushButton*>()) {
        button->setEnabled(!downloading);
    }
    prgDownload->setVisible(downloading);
    btnCancelDownload->setVisible(downloading);
    btnOpenBook->setVisible(!downloading && !m_savedBook.isEmpty());
}
