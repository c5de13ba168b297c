#pragma once

#include "core/Catalog.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Adds a catalog by its address, or changes one: its name, address and, for a private
// server, the user name and password (kept in the keyring or ~/.netrc, never in the settings).
class dlgCatalog : public QDialog
{
    Q_OBJECT
public:
    // For a new catalog, catalog is empty; askPassword says the server wants one.
    dlgCatalog(const Catalog& catalog, bool askPassword, QWidget* parent = nullptr);

    // The catalog as the fields give it.
    Catalog catalog() const;
    // The password typed (empty when none was).
    QString password() const;

    void btnOK_Click();

    QLineEdit* txtName = nullptr;
    QLineEdit* txtAddress = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* lblPasswordStore = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
