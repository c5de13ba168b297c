// Get Definition from a dictionary server in the program, against a real dictd on 127.0.0.1
// with a small database made here and Debian's GCIDE and WordNet: the lookup window and the
// choice in Options.
#include "core/AppSettings.h"
#include "core/DefinitionSource.h"
#include "mainwindow/frmMain.h"
#include "support/DictTestServer.h"
#include "support/HttpTestServer.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/dialogs/dlgDefinitions.h"
#include "ui/dialogs/frmOptions.h"
#include "ui/skin/SkinButton.h"
#include "ui/web/DefinitionView.h"
#include "ui/web/frmBrowser.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

class TestWebDictionary : public QObject
{
    Q_OBJECT

    DictTestServer m_dict;
    QTemporaryDir m_served;
    HttpTestServer m_web;

    static void useServer(const QString& server, const QString& database)
    {
        DefinitionSource source;
        source.from = DefinitionSource::From::Server;
        source.server = server;
        source.database = database;
        source.save();
    }

    // The lookup window's definition view once it shows a page with text in it.
    static bool shows(frmBrowser* browser, const QString& text)
    {
        return QTest::qWaitFor(
            [&] {
                return !browser->definitionView->isBusy() &&
                       browser->definitionView->toPlainText().contains(text);
            },
            30000);
    }

    // Follows the view's first link with the keyboard, as a reader without a mouse does.
    static void followFirstLink(DefinitionView* view)
    {
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Tab);
        QTest::keyClick(view, Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_dict.start(QStringLiteral("fruits"), QStringLiteral("Test Fruits"),
                              DictTestServer::fruits(),
                              {QStringLiteral("gcide"), QStringLiteral("wn")}),
                 qPrintable(m_dict.error()));
        QVERIFY(m_web.start(m_served.path()));
    }

    void init()
    {
        AppSettings::open()->clear();
        MessageBox::clearShown();
        auto settings = AppSettings::open();
        settings->beginGroup(QStringLiteral("Hosts"));
        settings->setValue(QStringLiteral("Dictionary"), m_web.hostAndPort());
    }

    // Get Definition in the program: the lookup window shows the definition as text, follows
    // cross-references and comes back, and for a word without one goes to the web site.
    void lookupWindowShowsDefinitions()
    {
        useServer(m_dict.address(), QStringLiteral("fruits"));
        TestAppFolder app;
        app.addBook(QStringLiteral("book.txt"), "An apple a day\n");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("book.txt")));
        window.txtBook->setSelStart(4);
        window.GetDefinition();
        frmBrowser* browser = window.lookupWindow();
        QVERIFY(browser);
        QVERIFY(browser->definitionView->isVisible());
        QVERIFY(!browser->brwWebBrowser->isVisible());
        QVERIFY(shows(browser, QStringLiteral("A round fruit")));
        QCOMPARE(browser->windowTitle(), QStringLiteral("apple"));
        QVERIFY(!browser->brwWebBrowser->engineStarted()); // the web was not asked

        followFirstLink(browser->definitionView);
        QVERIFY(shows(browser, QStringLiteral("A sweet fruit")));
        QVERIFY(
            browser->definitionView->toPlainText().contains(QString::fromUtf8("Back to “apple”")));
        followFirstLink(browser->definitionView);
        QVERIFY(shows(browser, QStringLiteral("A round fruit")));

        window.txtBook->setSelStart(12);
        window.GetDefinition();
        QCOMPARE(window.lookupWindow(), browser);
        QVERIFY(shows(browser, QStringLiteral("has no definition of")));
        followFirstLink(browser->definitionView);
        QCOMPARE(m_web.waitForRequest(QStringLiteral("/cgi-bin/dict.pl")),
                 QStringLiteral("/cgi-bin/dict.pl?term=day"));
        QVERIFY(browser->brwWebBrowser->isVisible());
        QVERIFY(!browser->definitionView->isVisible());
    }

    // Options, Definitions...: the server, its databases as it lists them, and the choice kept
    // in the settings; the options file is not touched.
    void optionsChooseServerAndDatabase()
    {
        TestAppFolder app;
        const QByteArray options = app.readFile(app.optionsPath());
        frmMain window(app.path());
        window.ShowOptions();
        auto* optionsDialog = Driver::topLevel<frmOptions>();
        QVERIFY(optionsDialog);
        // Both buttons lie whole inside the dialog, their captions not cut.
        for (SkinButton* button : {optionsDialog->btnMailAccount, optionsDialog->btnDefinitions}) {
            QVERIFY(optionsDialog->rect().contains(button->geometry()));
            QVERIFY(button->width() >= button->sizeHint().width());
        }
        QVERIFY(!optionsDialog->btnMailAccount->geometry().intersects(
            optionsDialog->btnDefinitions->geometry()));
        QTest::mouseClick(optionsDialog->btnDefinitions, Qt::LeftButton);
        auto* dialog = Driver::topLevel<dlgDefinitions>();
        QVERIFY(dialog);
        QVERIFY(dialog->optWebSite->isChecked());
        QVERIFY(!dialog->txtServer->isEnabled());

        // On the button's mark: the button is wider than its caption.
        QTest::mouseClick(dialog->optServer, Qt::LeftButton, {},
                          QPoint(6, dialog->optServer->height() / 2));
        dialog->txtServer->setText(QStringLiteral("http://nowhere"));
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(!DefinitionSource::load().usesServer());

        dialog->txtServer->setText(m_dict.address());
        QTest::mouseClick(dialog->btnDatabases, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(dialog->cboDatabase->findData(QStringLiteral("wn")) >= 0, 30000);
        QVERIFY(dialog->lblStatus->text().contains(QLatin1String("3")));
        dialog->cboDatabase->setCurrentIndex(
            dialog->cboDatabase->findData(QStringLiteral("gcide")));
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
        QTRY_VERIFY(!Driver::topLevel<dlgDefinitions>());

        const DefinitionSource chosen = DefinitionSource::load();
        QVERIFY(chosen.usesServer());
        QCOMPARE(chosen.server, m_dict.address());
        QCOMPARE(chosen.database, QStringLiteral("gcide"));
        QCOMPARE(app.readFile(app.optionsPath()), options);

        window.ShowDefinitions();
        dialog = Driver::topLevel<dlgDefinitions>();
        QVERIFY(dialog && dialog->optServer->isChecked());
        QCOMPARE(dialog->cboDatabase->currentData().toString(), QStringLiteral("gcide"));
    }
};

QUILLMERE_TEST_MAIN(TestWebDictionary)
#include "tst_web_dictionary.moc"
