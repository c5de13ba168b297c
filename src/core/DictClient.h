#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QTcpSocket;
class QTimer;

struct DictDefinition
{
    QString word;         // the headword as the database writes it
    QString database;     // its short name, "gcide"
    QString databaseName; // its description
    QString text;
};

struct DictDatabase
{
    QString name;
    QString description;
};

// A client of a dictionary server (the DICT protocol, RFC 2229) over one connection per
// question: DEFINE, then MATCH for close words when there is no definition, or SHOW DB. Only
// the question goes out (no CLIENT line, nothing about the user). A server that sends nothing
// for the answer time of NetworkLimits has not answered, and an answer is cut off at its size
// limit, so nothing it does can hang the program.
class DictClient : public QObject
{
    Q_OBJECT
public:
    explicit DictClient(QObject* parent = nullptr);
    ~DictClient() override;

    // database is a name the server offers, "*" for all of them, or "!" for the first that
    // has the word.
    void define(const QString& server, const QString& word, const QString& database);
    void listDatabases(const QString& server);
    void cancel();
    bool isBusy() const { return m_step != Step::Idle; }

    static constexpr quint16 DefaultPort = 2628;
    // "dict://host[:port]", "host:port" or "host"; false with a readable error.
    static bool parseServer(const QString& address, QString* host, quint16* port, QString* error);
    // The word as one quoted string of a command: control characters and line breaks become
    // blanks, quotes and backslashes are escaped; empty when nothing is left to look up.
    static QByteArray quoted(const QString& word);
    // A database name as a command may carry it; "*" for anything else.
    static QString cleanDatabase(const QString& database);

signals:
    // definitions is empty when the server has none; suggestions are close words it has.
    void definitionsArrived(const QString& word, const QList<DictDefinition>& definitions,
                            const QStringList& suggestions);
    void databasesArrived(const QList<DictDatabase>& databases);
    void failed(const QString& message);

private:
    enum class Step
    {
        Idle,
        Banner,
        Define,
        Match,
        ShowDatabases
    };
    void begin(const QString& server, Step first, const QByteArray& command);
    void send(Step step, const QByteArray& command);
    void readLines();
    void handleStatus(int code, const QString& line);
    void handleTextLine(const QString& line);
    void finish();
    void fail(const QString& message);
    void stop();

    QTcpSocket* m_socket = nullptr;
    QTimer* m_silence = nullptr;
    QString m_server;
    Step m_step = Step::Idle;
    Step m_after = Step::Idle; // the step the banner leads to
    QByteArray m_firstCommand;
    QByteArray m_buffer;
    qint64 m_received = 0;
    bool m_inText = false; // reading a text block that a line "." ends

    QString m_word;
    QByteArray m_quotedWord;
    QString m_database;
    QList<DictDefinition> m_definitions;
    QStringList m_suggestions;
    QList<DictDatabase> m_databases;
};
