// Get Definition from a dictionary server, against a real dictd on 127.0.0.1 with a small
// database made here and Debian's GCIDE and WordNet: definitions, a word without one, servers
// that cannot be asked, what goes over the wire, the lookup window and the choice in Options.
#include "core/AppSettings.h"
#include "core/DefinitionPage.h"
#include "core/DefinitionSource.h"
#include "core/DictClient.h"
#include "core/NetworkLimits.h"
#include "mainwindow/frmMain.h"
#include "support/DictTestServer.h"
#include "support/HttpTestServer.h"
#include "support/MainWindowDriver.h"
#include "support/ServerProcess.h"
#include "support/SilentServer.h"
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
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {
struct Answer
{
    bool arrived = false;
    QList<DictDefinition> definitions;
    QStringList suggestions;
    QString error;
};

Answer define(const QString& server, const QString& word, const QString& database)
{
    DictClient client;
    QSignalSpy arrived(&client, &DictClient::definitionsArrived);
    QSignalSpy failed(&client, &DictClient::failed);
    client.define(server, word, database);
    Answer answer;
    if (!QTest::qWaitFor([&] { return !arrived.isEmpty() || !failed.isEmpty(); }, 30000)) {
        answer.error = QStringLiteral("no answer at all");
        return answer;
    }
    answer.arrived = !arrived.isEmpty();
    if (answer.arrived) {
        answer.definitions = arrived.first().at(1).value<QList<DictDefinition>>();
        answer.suggestions = arrived.first().at(2).toStringList();
    } else {
        answer.error = failed.first().first().toString();
    }
    return answer;
}

// A dictionary server written here, to see every line a client sends: it greets, and has no
// definition and no close word for anything.
class RecordingDictServer : public QTcpServer
{
public:
    RecordingDictServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            socket->write("220 recording server <>\r\n");
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine();
                    lines.append(line);
                    socket->write(line.startsWith("QUIT") ? "221 bye\r\n" : "552 no match\r\n");
                }
            });
        });
    }
    QByteArrayList lines;
};
} // namespace

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
        qRegisterMetaType<QList<DictDefinition>>();
        const DictTestServer::Words words = {
            {QStringLiteral("apple"), QStringLiteral("A round fruit. See also {pear}.\n"
                                                     ".. a line that starts with a dot\n"
                                                     "<b>not markup</b> & more")},
            {QStringLiteral("pear"), QStringLiteral("A sweet fruit, like an {apple}.")},
        };
        QVERIFY2(m_dict.start(QStringLiteral("fruits"), QStringLiteral("Test Fruits"), words,
                              {QStringLiteral("gcide"), QStringLiteral("wn")}),
                 qPrintable(m_dict.error()));
        QVERIFY(m_web.start(m_served.path()));
    }

    void init()
    {
        AppSettings::open()->clear();
        NetworkLimits::current() = NetworkLimits();
        MessageBox::clearShown();
        auto settings = AppSettings::open();
        settings->beginGroup(QStringLiteral("Hosts"));
        settings->setValue(QStringLiteral("Dictionary"), m_web.hostAndPort());
    }

    // Each definition under its headword and its database, its text as the server keeps it
    // (lines that start with a dot included), nothing in it read as markup, and its
    // cross-references made links.
    void definitionsComeFromTheServer_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("databases");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("link");
        QTest::newRow("made here") << "fruits"
                                   << "apple" << QStringList{"fruits"}
                                   << ". a line that starts with a dot\n<b>not markup</b> & more"
                                   << "pear";
        QTest::newRow("GCIDE") << "gcide"
                               << "apple" << QStringList{"gcide", "gcide"} << "The fleshy pome"
                               << "Pyrus malus";
        QTest::newRow("WordNet") << "wn"
                                 << "apple" << QStringList{"wn"} << "fruit with red or yellow"
                                 << "orchard apple tree";
        QTest::newRow("every database")
            << "*"
            << "pear" << QStringList{"fruits", "gcide", "wn"} << "A sweet fruit"
            << "apple";
        QTest::newRow("the first that has it") << "!"
                                               << "pear" << QStringList{"fruits"} << "A sweet fruit"
                                               << "apple";
    }

    void definitionsComeFromTheServer()
    {
        QFETCH(QString, database);
        QFETCH(QString, word);
        QFETCH(QStringList, databases);
        QFETCH(QString, text);
        QFETCH(QString, link);
        const Answer answer = define(m_dict.address(), word, database);
        QVERIFY2(answer.arrived, qPrintable(answer.error));
        QStringList from;
        for (const DictDefinition& definition : answer.definitions) {
            from << definition.database;
            QCOMPARE(definition.word.toLower(), word);
        }
        QCOMPARE(from, databases);
        QVERIFY(answer.definitions.first().text.contains(text));

        QTextDocument page;
        const QString html = DefinitionPage::definitions(answer.definitions, QString());
        page.setHtml(html);
        QVERIFY(page.toPlainText().contains(text));
        QVERIFY(
            html.contains(QStringLiteral("href=\"%1\"")
                              .arg(DefinitionPage::defineLink(link).toString(QUrl::FullyEncoded))));
        QVERIFY(!html.contains(QLatin1String("<b>not")));
    }

    // No definition: the page says so, names close words the server has as links, and offers
    // the web site.
    void aWordWithoutADefinition_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("suggestions");
        QTest::newRow("close word") << "fruits"
                                    << "appel" << QStringList{"apple"};
        QTest::newRow("nothing close") << "*"
                                       << "qzxqzxq" << QStringList();
    }

    void aWordWithoutADefinition()
    {
        QFETCH(QString, database);
        QFETCH(QString, word);
        QFETCH(QStringList, suggestions);
        const Answer answer = define(m_dict.address(), word, database);
        QVERIFY2(answer.arrived, qPrintable(answer.error));
        QVERIFY(answer.definitions.isEmpty());
        QCOMPARE(answer.suggestions, suggestions);
        const QString html = DefinitionPage::noDefinition(word, answer.suggestions,
                                                          QStringLiteral("here"), QString());
        QVERIFY(html.contains(DefinitionPage::webSiteLink(word).toString(QUrl::FullyEncoded)));
        for (const QString& suggestion : suggestions) {
            QVERIFY(
                html.contains(DefinitionPage::defineLink(suggestion).toString(QUrl::FullyEncoded)));
        }
    }

    // Nothing hangs: a server that never answers is given up after the answer time, and every
    // failure says what happened.
    void serversThatCannotBeAsked_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("reason");
        QTest::newRow("silent") << "silent"
                                << "*"
                                << "did not answer within 0.3 seconds";
        QTest::newRow("nobody listening") << "none"
                                          << "*"
                                          << "cannot be reached";
        QTest::newRow("no such database") << "dictd"
                                          << "nosuch"
                                          << "has no database \"nosuch\"";
        QTest::newRow("not an address") << "http://127.0.0.1/"
                                        << "*"
                                        << "not the address of a dictionary server";
    }

    void serversThatCannotBeAsked()
    {
        QFETCH(QString, server);
        QFETCH(QString, database);
        QFETCH(QString, reason);
        NetworkLimits::current().answerTimeoutMs = 300;
        SilentServer silent;
        QString address = server;
        if (server == QLatin1String("silent")) {
            address = QStringLiteral("dict://127.0.0.1:%1").arg(silent.serverPort());
        } else if (server == QLatin1String("none")) {
            address = QStringLiteral("dict://127.0.0.1:%1").arg(ServerProcess::freePort());
        } else if (server == QLatin1String("dictd")) {
            address = m_dict.address();
        }
        const Answer answer = define(address, QStringLiteral("apple"), database);
        QVERIFY(!answer.arrived);
        QVERIFY2(answer.error.contains(reason), qPrintable(answer.error));
    }

    // Only the question goes out, as one line whatever the word holds: no client name, and no
    // second command smuggled in with a line break.
    void onlyTheQuestionIsSent()
    {
        RecordingDictServer server;
        const Answer answer =
            define(QStringLiteral("dict://127.0.0.1:%1").arg(server.serverPort()),
                   QStringLiteral("ap\"ple\\\r\nQUIT\r\nSHOW DB"), QStringLiteral("* x"));
        QVERIFY2(answer.arrived, qPrintable(answer.error));
        QTRY_COMPARE(server.lines,
                     (QByteArrayList{"DEFINE * \"ap\\\"ple\\\\ QUIT SHOW DB\"\r\n",
                                     "MATCH * . \"ap\\\"ple\\\\ QUIT SHOW DB\"\r\n", "QUIT\r\n"}));
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
