#include "ui/web/dlgCatalog.h"

#include "core/CatalogPassword.h"
#include "core/MailPassword.h"
#include "views/MessageBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
template <typename T> T* named(T* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}
} // namespace

dlgCatalog::dlgCatalog(const Catalog& catalog, bool askPassword, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgCatalog"));
    setWindowTitle(catalog.address.isEmpty() ? tr("Add a Catalog") : tr("Catalog"));
    setAccessibleName(windowTitle());

    txtName = named(new QLineEdit(catalog.name, this), "txtName", tr("Name:"));
    txtAddress = named(new QLineEdit(catalog.address, this), "txtAddress", tr("Address:"));
    txtAddress->setPlaceholderText(QStringLiteral("https://example.org/opds"));
    txtUser = named(new QLineEdit(catalog.user, this), "txtUser", tr("User name:"));
    txtUser->setPlaceholderText(tr("only for a private catalog"));
    txtPassword = named(new QLineEdit(this), "txtPassword", tr("Password:"));
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPasswordStore =
        named(new QLabel(this), "lblPasswordStore", tr("Where the password is kept"));
    lblPasswordStore->setWordWrap(true);
    lblPasswordStore->setText(
        MailPassword::keyringAvailable()
            ? tr("The password is kept in the desktop's keyring.")
            : tr("No keyring is running: the password is kept in ~/.netrc, readable by you "
                 "only."));

    auto* form = new QFormLayout;
    form->addRow(tr("&Name:"), txtName);
    form->addRow(tr("&Address:"), txtAddress);
    form->addRow(tr("&User name:"), txtUser);
    form->addRow(tr("&Password:"), txtPassword);
    form->addRow(QString(), lblPasswordStore);

    auto* buttons = new QDialogButtonBox(this);
    btnOK = named(buttons->addButton(QDialogButtonBox::Ok), "btnOK", tr("OK"));
    btnCancel = named(buttons->addButton(QDialogButtonBox::Cancel), "btnCancel", tr("Cancel"));
    btnOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    if (askPassword) {
        auto* why = new QLabel(
            tr("The catalog %1 asks for a user name and password.").arg(catalog.server()), this);
        why->setWordWrap(true);
        why->setTextFormat(Qt::PlainText);
        layout->addWidget(why);
    }
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(buttons);

    connect(btnOK, &QPushButton::clicked, this, &dlgCatalog::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    (askPassword ? (catalog.user.isEmpty() ? txtUser : txtPassword) : txtName)->setFocus();
    resize(sizeHint().expandedTo(QSize(460, 0)));
}

Catalog dlgCatalog::catalog() const
{
    Catalog catalog{txtName->text().simplified(), txtAddress->text().trimmed(),
                    txtUser->text().trimmed()};
    if (catalog.name.isEmpty()) {
        // An unnamed catalog is called after its server.
        catalog.name = QUrl(catalog.address).host();
    }
    return catalog;
}

QString dlgCatalog::password() const
{
    return txtPassword->text();
}

void dlgCatalog::btnOK_Click()
{
    const Catalog chosen = catalog();
    if (const QString problem = chosen.problem(); !problem.isEmpty()) {
        MessageBox::show(this, problem);
        txtAddress->setFocus();
        return;
    }
    if (!password().isEmpty()) {
        if (chosen.user.isEmpty()) {
            MessageBox::show(this, tr("Please type the user name the password belongs to."));
            txtUser->setFocus();
            return;
        }
        QString where;
        QString error;
        if (!CatalogPassword::save(chosen, password(), &where, &error)) {
            // The catalog still works for this run with the password typed.
            MessageBox::warning(this, tr("The password could not be kept.\n\n%1").arg(error));
        }
    }
    accept();
}
