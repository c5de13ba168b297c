#pragma once

#include "core/DefinitionSource.h"

#include <QDialog>

class DictClient;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Where Get Definition looks words up: the dictionary web site, or a dictionary server (DICT)
// and one of the databases it offers ("Find Databases" asks the server for them). The choice
// goes into the settings store (see DefinitionSource).
class dlgDefinitions : public QDialog
{
    Q_OBJECT
public:
    explicit dlgDefinitions(QWidget* parent = nullptr);

    // The choice as the controls show it.
    DefinitionSource source() const;
    // Asks the server in the box for its databases and lists them.
    void btnDatabases_Click();
    // Saves the choice and closes; an address that is not a server's keeps the window open.
    void btnOK_Click();

    QRadioButton* optWebSite = nullptr;
    QRadioButton* optServer = nullptr;
    QLineEdit* txtServer = nullptr;
    QComboBox* cboDatabase = nullptr;
    QPushButton* btnDatabases = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

public slots:
    // Closing also ends the window, so the next opening shows the choice in force.
    void done(int result) override;

private:
    void fromChanged();
    void selectDatabase(const QString& name);

    DictClient* m_client = nullptr;
};
