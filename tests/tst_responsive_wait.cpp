// The wait for outside work: a real process and a real server on 127.0.0.1, the time limit,
// the windows answering meanwhile, and the window that asked closed during the wait.
#include "core/ResponsiveWait.h"
#include "support/TestMain.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWidget>

using namespace std::chrono_literals;

namespace {
// A server on 127.0.0.1 that takes connections and answers each request after answerAfter,
// or never when answerAfter is negative.
class SlowServer : public QTcpServer
{
public:
    explicit SlowServer(std::chrono::milliseconds answerAfter) : m_answerAfter(answerAfter)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                if (m_answerAfter.count() < 0) {
                    continue; // kept open, never answered
                }
                QTimer::singleShot(m_answerAfter, socket, [socket] {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n"
                                  "Connection: close\r\n\r\nok");
                    socket->disconnectFromHost();
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(serverPort())); }

private:
    std::chrono::milliseconds m_answerAfter;
};

// A window that goes away when closed, as the program's dialogs do.
QWidget* closingWindow()
{
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}
} // namespace

class TestResponsiveWait : public QObject
{
    Q_OBJECT
private slots:
    // A process that ends ends the wait, with the windows answering meanwhile (a timer of the
    // program fires); one that would not end is left to the caller once the limit passes.
    void process_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<ResponsiveWait::Outcome>("outcome");
        QTest::newRow("ends") << "0.2" << ResponsiveWait::Outcome::Finished;
        QTest::newRow("would not end") << "30" << ResponsiveWait::Outcome::TimedOut;
    }

    void process()
    {
        QFETCH(QString, seconds);
        QFETCH(ResponsiveWait::Outcome, outcome);
        QProcess process;
        ResponsiveWait wait;
        wait.endOn(&process, &QProcess::finished);
        bool ticked = false;
        QTimer::singleShot(0, [&ticked] { ticked = true; });
        process.start(QStringLiteral("sleep"), {seconds});
        QCOMPARE(wait.wait(outcome == ResponsiveWait::Outcome::Finished ? 30s : 300ms), outcome);
        QVERIFY(ticked);
        QCOMPARE(process.state() == QProcess::Running,
                 outcome == ResponsiveWait::Outcome::TimedOut);
        process.kill();
        process.waitForFinished();
    }

    // Work that ended before the wait began (a process that could not start) ends it at once.
    void anEndBeforeTheWaitIsKept()
    {
        ResponsiveWait wait;
        wait.finish();
        QCOMPARE(wait.wait(30s), ResponsiveWait::Outcome::Finished);
    }

    void networkReply_data()
    {
        QTest::addColumn<int>("answerAfterMs");
        QTest::addColumn<ResponsiveWait::Outcome>("outcome");
        QTest::newRow("answered") << 50 << ResponsiveWait::Outcome::Finished;
        QTest::newRow("silent server") << -1 << ResponsiveWait::Outcome::TimedOut;
    }

    void networkReply()
    {
        QFETCH(int, answerAfterMs);
        QFETCH(ResponsiveWait::Outcome, outcome);
        SlowServer server{std::chrono::milliseconds(answerAfterMs)};
        QVERIFY(server.isListening());
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(server.url())));
        ResponsiveWait wait;
        wait.endOn(reply.get(), &QNetworkReply::finished);
        QCOMPARE(wait.wait(500ms), outcome);
        if (outcome == ResponsiveWait::Outcome::Finished) {
            QCOMPARE(reply->readAll(), QByteArray("ok"));
        }
    }

    // The user closes the window that asked: the wait ends at once, the window is still there
    // for the code that waited to see it closed, and it goes once control is back in the
    // event loop.
    void closingTheAskerEndsTheWait()
    {
        QPointer<QWidget> asker = closingWindow();
        SlowServer server{-1ms};
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(server.url())));
        ResponsiveWait::Outcome outcome = ResponsiveWait::Outcome::Finished;
        {
            ResponsiveWait wait(asker);
            wait.endOn(reply.get(), &QNetworkReply::finished);
            QTimer::singleShot(50, asker.data(), [asker] { asker->close(); });
            outcome = wait.wait(30s);
            QVERIFY(asker);
            QVERIFY(!asker->isVisible());
        }
        QCOMPARE(outcome, ResponsiveWait::Outcome::AskerGone);
        QVERIFY(!reply->isFinished());
        QTRY_VERIFY(asker.isNull());
    }

    void destroyingTheAskerEndsTheWait()
    {
        QPointer<QWidget> asker = closingWindow();
        QProcess process;
        ResponsiveWait wait(asker);
        wait.endOn(&process, &QProcess::finished);
        process.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QTimer::singleShot(50, [asker] { delete asker.data(); });
        QCOMPARE(wait.wait(30s), ResponsiveWait::Outcome::AskerGone);
        process.kill();
        process.waitForFinished();
    }

    // A window closed before the wait, or one that only hides, does not end it.
    void aWindowThatStaysDoesNotEndTheWait()
    {
        QWidget window;
        window.show();
        QProcess process;
        ResponsiveWait wait(&window);
        wait.endOn(&process, &QProcess::finished);
        QTimer::singleShot(20, &window, &QWidget::close);
        process.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 0.3")});
        QCOMPARE(wait.wait(30s), ResponsiveWait::Outcome::Finished);
    }
};

QUILLMERE_TEST_MAIN(TestResponsiveWait)
#include "tst_responsive_wait.moc"
