// The dictionary client against a real dictd on 127.0.0.1 with a small database made here and
// Debian's GCIDE and WordNet: definitions, a word without one, servers that cannot be asked,
// and what goes over the wire.
#include "core/DefinitionPage.h"
#include "core/DictClient.h"
#include "core/NetworkLimits.h"
#include "support/DictTestServer.h"
#include "support/ServerProcess.h"
#include "support/SilentServer.h"
#include "support/TestMain.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
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

class TestDictionary : public QObject
{
    Q_OBJECT

    DictTestServer m_dict;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QList<DictDefinition>>();
        QVERIFY2(m_dict.start(QStringLiteral("fruits"), QStringLiteral("Test Fruits"),
                              DictTestServer::fruits(),
                              {QStringLiteral("gcide"), QStringLiteral("wn")}),
                 qPrintable(m_dict.error()));
    }

    void init() { NetworkLimits::current() = NetworkLimits(); }

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
};

QUILLMERE_TEST_MAIN(TestDictionary)
#include "tst_dictionary.moc"
