#include "ui/dialogs/dlgDefinitions.h"

#include "core/DictClient.h"
#include "views/MessageBox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
template <typename T> T* named(T* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}
} // namespace

dlgDefinitions::dlgDefinitions(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgDefinitions"));
    setWindowTitle(tr("Definitions"));
    setAccessibleName(windowTitle());
    m_client = new DictClient(this);

    auto* from = new QLabel(tr("Definitions from:"), this);
    optWebSite = named(new QRadioButton(tr("The dictionary &web site"), this), "optWebSite",
                       tr("The dictionary web site"));
    optServer = named(new QRadioButton(tr("A dictionary &server (DICT)"), this), "optServer",
                      tr("A dictionary server (DICT)"));
    auto* group = new QButtonGroup(this);
    group->addButton(optWebSite);
    group->addButton(optServer);

    txtServer = named(new QLineEdit(this), "txtServer", tr("Server:"));
    txtServer->setPlaceholderText(QStringLiteral("dict://localhost"));
    cboDatabase = named(new QComboBox(this), "cboDatabase", tr("Database:"));
    btnDatabases =
        named(new QPushButton(tr("&Find Databases"), this), "btnDatabases", tr("Find Databases"));
    lblStatus = named(new QLabel(this), "lblStatus", tr("What the server answered"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* databaseRow = new QHBoxLayout;
    databaseRow->addWidget(cboDatabase, 1);
    databaseRow->addWidget(btnDatabases);
    auto* form = new QFormLayout;
    form->addRow(tr("Se&rver:"), txtServer);
    // A row that holds a layout gets a label of its own, so its shortcut reaches the list.
    auto* databaseLabel = new QLabel(tr("&Database:"), this);
    databaseLabel->setBuddy(cboDatabase);
    form->addRow(databaseLabel, databaseRow);
    form->addRow(QString(), lblStatus);

    auto* buttons = new QDialogButtonBox(this);
    btnOK = named(buttons->addButton(QDialogButtonBox::Ok), "btnOK", tr("OK"));
    btnCancel = named(buttons->addButton(QDialogButtonBox::Cancel), "btnCancel", tr("Cancel"));
    btnOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(from);
    layout->addWidget(optWebSite);
    layout->addWidget(optServer);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(buttons);

    const DefinitionSource saved = DefinitionSource::load();
    (saved.usesServer() ? optServer : optWebSite)->setChecked(true);
    txtServer->setText(saved.server);
    selectDatabase(saved.database);
    fromChanged();

    connect(optServer, &QRadioButton::toggled, this, &dlgDefinitions::fromChanged);
    connect(btnDatabases, &QPushButton::clicked, this, &dlgDefinitions::btnDatabases_Click);
    connect(btnOK, &QPushButton::clicked, this, &dlgDefinitions::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_client, &DictClient::databasesArrived, this,
            [this](const QList<DictDatabase>& databases) {
                const QString chosen = cboDatabase->currentData().toString();
                cboDatabase->clear();
                selectDatabase(QString());
                for (const DictDatabase& database : databases) {
                    cboDatabase->addItem(
                        QStringLiteral("%1 (%2)").arg(database.description, database.name),
                        database.name);
                }
                const int index = cboDatabase->findData(chosen);
                cboDatabase->setCurrentIndex(index >= 0 ? index : 0);
                lblStatus->setText(
                    tr("The server offers %n database(s).", nullptr, int(databases.size())));
                btnDatabases->setEnabled(true);
                unsetCursor();
            });
    connect(m_client, &DictClient::failed, this, [this](const QString& message) {
        lblStatus->setText(message);
        btnDatabases->setEnabled(true);
        unsetCursor();
    });
    resize(sizeHint().expandedTo(QSize(440, 0)));
}

void dlgDefinitions::selectDatabase(const QString& name)
{
    // The two choices every server understands come first.
    if (cboDatabase->findData(QStringLiteral("*")) < 0) {
        cboDatabase->insertItem(0, tr("All databases"), QStringLiteral("*"));
        cboDatabase->insertItem(1, tr("The first database that has the word"), QStringLiteral("!"));
    }
    if (name.isEmpty()) {
        return;
    }
    int index = cboDatabase->findData(name);
    if (index < 0) {
        // A database chosen before, not listed yet: kept until the server says otherwise.
        cboDatabase->addItem(name, name);
        index = cboDatabase->count() - 1;
    }
    cboDatabase->setCurrentIndex(index);
}

void dlgDefinitions::fromChanged()
{
    const bool server = optServer->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{txtServer, cboDatabase, btnDatabases}) {
        control->setEnabled(server);
    }
}

DefinitionSource dlgDefinitions::source() const
{
    DefinitionSource source;
    source.from =
        optServer->isChecked() ? DefinitionSource::From::Server : DefinitionSource::From::WebSite;
    if (!txtServer->text().trimmed().isEmpty()) {
        source.server = txtServer->text().trimmed();
    }
    source.database = DictClient::cleanDatabase(cboDatabase->currentData().toString());
    return source;
}

void dlgDefinitions::btnDatabases_Click()
{
    btnDatabases->setEnabled(false);
    setCursor(Qt::BusyCursor);
    lblStatus->setText(tr("Asking %1\u2026").arg(source().server));
    m_client->listDatabases(source().server);
}

void dlgDefinitions::btnOK_Click()
{
    const DefinitionSource chosen = source();
    QString host;
    quint16 port = 0;
    QString error;
    if (chosen.usesServer() && !DictClient::parseServer(chosen.server, &host, &port, &error)) {
        MessageBox::show(this, error);
        txtServer->setFocus();
        return;
    }
    chosen.save();
    accept();
}

void dlgDefinitions::done(int result)
{
    m_client->cancel();
    QDialog::done(result);
    close();
}
