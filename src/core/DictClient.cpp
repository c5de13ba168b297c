#include "core/DictClient.h"

#include "core/NetworkLimits.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace {
// Commands and answer lines have a length limit; a line far beyond it is no answer.
constexpr int MaxLineBytes = 64 * 1024;
constexpr int MaxWordBytes = 600;

// The quoted strings and plain words of an answer line ("151 \"Apple\" gcide \"GCIDE\"").
QStringList tokens(const QString& line)
{
    QStringList list;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line.at(i).isSpace()) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        QString token;
        const QChar quote = line.at(i);
        if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
            ++i;
            while (i < n && line.at(i) != quote) {
                if (line.at(i) == QLatin1Char('\\') && i + 1 < n) {
                    ++i;
                }
                token += line.at(i++);
            }
            ++i;
        } else {
            while (i < n && !line.at(i).isSpace()) {
                token += line.at(i++);
            }
        }
        list.append(token);
    }
    return list;
}
} // namespace

DictClient::DictClient(QObject* parent) : QObject(parent)
{
    m_silence = new QTimer(this);
    m_silence->setSingleShot(true);
    connect(m_silence, &QTimer::timeout, this, [this] {
        fail(tr("The dictionary server %1 did not answer within %2 seconds.")
                 .arg(m_server)
                 .arg(NetworkLimits::current().answerTimeoutMs / 1000.0));
    });
}

DictClient::~DictClient()
{
    stop();
}

bool DictClient::parseServer(const QString& address, QString* host, quint16* port, QString* error)
{
    QString text = address.trimmed();
    if (!text.contains(QLatin1String("://"))) {
        text.prepend(QLatin1String("dict://"));
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("dict") || url.host().isEmpty()) {
        if (error) {
            *error = tr("\"%1\" is not the address of a dictionary server (dict://host or "
                        "dict://host:port).")
                         .arg(address);
        }
        return false;
    }
    *host = url.host();
    *port = quint16(url.port(DefaultPort));
    return true;
}

QByteArray DictClient::quoted(const QString& word)
{
    QString clean = word;
    for (QChar& c : clean) {
        if (c.category() == QChar::Other_Control || c.isSpace()) {
            c = QLatin1Char(' ');
        }
    }
    clean = clean.simplified();
    QByteArray bytes = clean.toUtf8();
    if (bytes.size() > MaxWordBytes) {
        // Cut at a character's start, never inside one.
        qsizetype cut = MaxWordBytes;
        while (cut > 0 && (uchar(bytes.at(cut)) & 0xC0) == 0x80) {
            --cut;
        }
        bytes.truncate(cut);
    }
    if (bytes.isEmpty()) {
        return QByteArray();
    }
    bytes.replace('\\', "\\\\");
    bytes.replace('"', "\\\"");
    return '"' + bytes + '"';
}

QString DictClient::cleanDatabase(const QString& database)
{
    static const QRegularExpression atom(QStringLiteral("^[A-Za-z0-9_.\\-]{1,64}$"));
    const QString name = database.trimmed();
    if (name == QLatin1String("*") || name == QLatin1String("!") || atom.match(name).hasMatch()) {
        return name;
    }
    return QStringLiteral("*");
}

void DictClient::define(const QString& server, const QString& word, const QString& database)
{
    m_word = word.simplified();
    m_quotedWord = quoted(word);
    m_database = cleanDatabase(database);
    m_definitions.clear();
    m_suggestions.clear();
    if (m_quotedWord.isEmpty()) {
        stop();
        emit failed(tr("There is no word to look up."));
        return;
    }
    begin(server, Step::Define, "DEFINE " + m_database.toUtf8() + ' ' + m_quotedWord + "\r\n");
}

void DictClient::listDatabases(const QString& server)
{
    m_databases.clear();
    begin(server, Step::ShowDatabases, QByteArrayLiteral("SHOW DB\r\n"));
}

void DictClient::begin(const QString& server, Step first, const QByteArray& command)
{
    stop();
    QString host;
    quint16 port = DefaultPort;
    QString error;
    if (!parseServer(server, &host, &port, &error)) {
        emit failed(error);
        return;
    }
    m_server = port == DefaultPort ? host : QStringLiteral("%1:%2").arg(host).arg(port);
    m_after = first;
    m_firstCommand = command;
    m_step = Step::Banner;
    m_buffer.clear();
    m_received = 0;
    m_inText = false;
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &DictClient::readLines);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (m_step != Step::Idle) {
            fail(m_socket->error() == QAbstractSocket::RemoteHostClosedError
                     ? tr("The dictionary server %1 closed the connection before it answered.")
                           .arg(m_server)
                     : tr("The dictionary server %1 cannot be reached: %2")
                           .arg(m_server, m_socket->errorString()));
        }
    });
    m_silence->start(NetworkLimits::current().answerTimeoutMs);
    m_socket->connectToHost(host, port);
}

void DictClient::send(Step step, const QByteArray& command)
{
    m_step = step;
    m_socket->write(command);
}

void DictClient::readLines()
{
    m_silence->start();
    const QByteArray chunk = m_socket->readAll();
    m_received += chunk.size();
    if (m_received > NetworkLimits::current().definitionBytes) {
        fail(tr("The dictionary server %1 sent more than the program takes for one word.")
                 .arg(m_server));
        return;
    }
    m_buffer += chunk;
    qsizetype end;
    while (m_step != Step::Idle && (end = m_buffer.indexOf('\n')) >= 0) {
        QByteArray bytes = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        if (bytes.endsWith('\r')) {
            bytes.chop(1);
        }
        const QString line = QString::fromUtf8(bytes);
        if (m_inText) {
            handleTextLine(line);
            continue;
        }
        bool ok = false;
        const int code = line.left(3).toInt(&ok);
        if (!ok || line.size() < 3) {
            fail(tr("The server %1 does not answer as a dictionary server does.").arg(m_server));
            return;
        }
        handleStatus(code, line);
    }
    if (m_buffer.size() > MaxLineBytes) {
        fail(tr("The server %1 does not answer as a dictionary server does.").arg(m_server));
    }
}

void DictClient::handleStatus(int code, const QString& line)
{
    const QStringList parts = tokens(line.mid(3));
    switch (m_step) {
    case Step::Banner:
        if (code == 220) {
            send(m_after, m_firstCommand);
        } else if (code == 530) {
            fail(tr("The dictionary server %1 does not let this computer in.").arg(m_server));
        } else if (code == 420 || code == 421) {
            fail(tr("The dictionary server %1 is not available now.").arg(m_server));
        } else {
            fail(tr("The server %1 does not answer as a dictionary server does.").arg(m_server));
        }
        return;
    case Step::Define:
        if (code == 150) {
            return; // the number of definitions; each follows with its own line
        }
        if (code == 151) {
            // 151 "word" database "database description", then the text.
            m_definitions.append({parts.value(0), parts.value(1), parts.value(2), QString()});
            m_inText = true;
            return;
        }
        if (code == 552) {
            // No definition: ask for close words with the server's default strategy.
            send(Step::Match, "MATCH " + m_database.toUtf8() + " . " + m_quotedWord + "\r\n");
            return;
        }
        if (code == 550) {
            fail(tr("The dictionary server %1 has no database \"%2\". Please choose another in "
                    "Options, Definitions.")
                     .arg(m_server, m_database));
            return;
        }
        break;
    case Step::Match:
        if (code == 152) {
            m_inText = true; // database "word" lines
            return;
        }
        if (code == 552 || code == 551 || code == 550) {
            finish();
            return;
        }
        break;
    case Step::ShowDatabases:
        if (code == 110) {
            m_inText = true; // name "description" lines
            return;
        }
        if (code == 554) {
            finish(); // no databases at all
            return;
        }
        break;
    case Step::Idle:
        return;
    }
    if (code == 250) {
        finish();
        return;
    }
    fail(tr("The dictionary server %1 answered: %2").arg(m_server, line.left(300)));
}

void DictClient::handleTextLine(const QString& line)
{
    if (line == QLatin1String(".")) {
        m_inText = false;
        return;
    }
    // A line that starts with a dot has one more in front of it on the wire.
    const QString text = line.startsWith(QLatin1String("..")) ? line.mid(1) : line;
    if (m_step == Step::Define && !m_definitions.isEmpty()) {
        QString& body = m_definitions.last().text;
        if (!body.isEmpty()) {
            body += QLatin1Char('\n');
        }
        body += text;
    } else if (m_step == Step::Match) {
        const QString word = tokens(text).value(1);
        if (!word.isEmpty() && !m_suggestions.contains(word, Qt::CaseInsensitive) &&
            m_suggestions.size() < 50) {
            m_suggestions.append(word);
        }
    } else if (m_step == Step::ShowDatabases) {
        const QStringList parts = tokens(text);
        if (!parts.isEmpty() && m_databases.size() < 500) {
            m_databases.append({parts.value(0), parts.value(1)});
        }
    }
}

void DictClient::finish()
{
    const Step step = m_step;
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->write("QUIT\r\n");
        m_socket->flush();
    }
    stop();
    if (step == Step::ShowDatabases) {
        emit databasesArrived(m_databases);
    } else {
        emit definitionsArrived(m_word, m_definitions, m_suggestions);
    }
}

void DictClient::fail(const QString& message)
{
    if (m_step == Step::Idle) {
        return;
    }
    stop();
    emit failed(message);
}

void DictClient::cancel()
{
    stop();
}

void DictClient::stop()
{
    m_step = Step::Idle;
    m_inText = false;
    m_silence->stop();
    if (QTcpSocket* socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        socket->disconnectFromHost();
        socket->deleteLater();
    }
}
