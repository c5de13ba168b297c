// The mail password in ~/.netrc, judged by the mail library itself: after each read and write,
// the curl program (the same libcurl) signs in to a real SMTP server on 127.0.0.1 with the file,
// and the server tells which password it received.
#include "core/AppSettings.h"
#include "core/MailPassword.h"
#include "support/FileBytes.h"
#include "support/FullDisk.h"
#include "support/SmtpTestServer.h"
#include "support/TestMain.h"
#include "ui/dialogs/dlgMailAccount.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUrl>
#include <optional>

namespace {
const QString NewPassword = QStringLiteral("new secret");
const QByteArray NewValue = "\"new secret\"";
const QByteArray NewEntry = "machine 127.0.0.1 login reader password \"new secret\"";

// What the program reads from the file for reader@127.0.0.1.
QString ourPassword(const QString& path, bool* found = nullptr)
{
    bool kept = false;
    const QString password =
        MailPassword::readNetrc(path, QStringLiteral("127.0.0.1"), QStringLiteral("reader"), &kept);
    if (found) {
        *found = kept;
    }
    return password;
}

bool writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}
} // namespace

class TestMailNetrc : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;
    SmtpTestServer m_server{SmtpTestServer::Record};
    QString m_netrc;

    // The password curl signs in with as login@host, given the file; nullopt when it does not
    // sign in at all (it cannot read the file).
    std::optional<QString> curlSends(const QString& login, const QString& host)
    {
        const qsizetype before = m_server.signIns().size();
        QProcess curl;
        curl.start(
            QStringLiteral("curl"),
            {QStringLiteral("-sS"), QStringLiteral("--netrc-file"), m_netrc,
             QStringLiteral("smtp://%1@%2:%3/").arg(login, host).arg(QUrl(m_server.url()).port()),
             QStringLiteral("--mail-from"), QStringLiteral("reader@example.org"),
             QStringLiteral("--mail-rcpt"), QStringLiteral("friend@example.org"),
             QStringLiteral("-T"), QStringLiteral("-")});
        curl.write("Subject: netrc\r\n\r\nWhich password?\r\n");
        curl.closeWriteChannel();
        if (!curl.waitForFinished(30000)) {
            curl.kill();
            curl.waitForFinished();
        }
        const auto signIns = m_server.signIns();
        if (signIns.size() == before) {
            qInfo().noquote() << "curl did not sign in:" << curl.readAllStandardError();
            return std::nullopt;
        }
        return signIns.last().second;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.isReady(), qPrintable(m_server.error()));
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty(),
                 "the curl program is needed (scripts/setup installs it)");
        // A home of our own and no session bus, hence no keyring: passwords go to ~/.netrc.
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillmere-test-bus");
        m_netrc = m_home.filePath(QStringLiteral("netrc"));
    }

    void init() { MessageBox::clearShown(); }

    // Files that other programs wrote, read for reader@127.0.0.1 as curl reads them.
    void readsWhatCurlReads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("password"); // what curl sends; empty: none found

        const QByteArray entry = "machine 127.0.0.1 login reader password ";
        QTest::newRow("value on the next line")
            << QByteArray("machine 127.0.0.1 login reader password\nold\n") << "old";
        QTest::newRow("value on the next CRLF line")
            << QByteArray("machine 127.0.0.1 login reader password\r\nold\r\n") << "";
        QTest::newRow("commented-out entry first") << "# " + entry + "commented\n" + entry + "old\n"
                                                   << "old";
        QTest::newRow("comment after a token")
            << QByteArray("machine 127.0.0.1 login reader # password commented\npassword old\n")
            << "old";
        QTest::newRow("quote inside a token") << entry + "o\"ld\n"
                                              << "o\"ld";
        QTest::newRow("byte after a closing quote") << entry + "\"a\"b c\n"
                                                    << "a";
        QTest::newRow("hash starting a value") << entry + "#old\n"
                                               << "";
        QTest::newRow("default first") << "default login reader password dflt\n" + entry + "m\n"
                                       << "dflt";
        QTest::newRow("macro body skipped (LF)")
            << "macdef init\ncd pub\n" + entry + "inmacro\n\n" + entry + "after\n"
            << "after";
        QTest::newRow("macro body read (CRLF)")
            << "macdef init\r\ncd pub\r\n" + entry + "inmacro\r\n\r\n" + entry + "after\r\n"
            << "inmacro";
        QTest::newRow("a password named macdef hides what follows")
            << "machine localhost login a password macdef\n" + entry + "p\n"
            << "";
        QTest::newRow("too long a line is skipped")
            << entry + "p " + QByteArray(4095 - entry.size() - 2, 'x') + "\n" + entry + "q\n"
            << "q";
        QTest::newRow("the longest line read")
            << entry + "p " + QByteArray(4094 - entry.size() - 2, 'x') + "\n"
            << "p";
        QTest::newRow("a NUL drops its line and the next")
            << QByteArray("machine a\0b\n", 12) + entry + "skipped\n" + entry + "r\n"
            << "r";
        QTest::newRow("no line end at the end") << entry + "\"p\""
                                                << "p";
    }

    void readsWhatCurlReads()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, password);
        QVERIFY(writeAll(m_netrc, file));
        QCOMPARE(curlSends(QStringLiteral("reader"), QStringLiteral("127.0.0.1")), password);
        bool found = false;
        QCOMPARE(ourPassword(m_netrc, &found), password);
        QCOMPARE(found, !password.isEmpty());
    }

    // Setting reader@127.0.0.1's password: the file as it is afterwards, curl's password for
    // it, and the other accounts (login@host=password), unchanged.
    void writesWhatCurlReads_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("others");

        const QByteArray anon = "machine localhost login anon password guest";
        const QStringList guest = {"anon@localhost=guest"};
        QTest::newRow("CRLF file with a macro")
            << anon + "\r\nmacdef init\r\ncd pub\r\n\r\n" +
                   "machine 127.0.0.1 login reader password old\r\n"
            << anon + "\r\nmacdef init\r\ncd pub\r\n\r\n" + NewEntry + "\r\n"
            << guest;
        QTest::newRow("CRLF macro body that curl reads")
            << "macdef init\r\nmachine 127.0.0.1 login reader password old\r\n\r\n" + anon + "\r\n"
            << "macdef init\r\n" + NewEntry + "\r\n\r\n" + anon + "\r\n"
            << guest;
        QTest::newRow("commented-out entry")
            << QByteArray("# machine 127.0.0.1 login reader password commented\n"
                          "machine 127.0.0.1 login reader password old\n")
            << "# machine 127.0.0.1 login reader password commented\n" + NewEntry + "\n"
            << QStringList();
        QTest::newRow("comment with one quote")
            << "# the \"work account\nmachine 127.0.0.1 login reader password old\n" + anon
            << "# the \"work account\n" + NewEntry + "\n" + anon << guest;
        QTest::newRow("another account's password is the word default")
            << QByteArray("machine localhost login other password default\n")
            << "machine localhost login other password default\n" + NewEntry + "\n"
            << QStringList{"other@localhost=default"};
        QTest::newRow("keywords in capitals")
            << QByteArray("MACHINE 127.0.0.1 LOGIN reader PASSWORD old\n")
            << "MACHINE 127.0.0.1 LOGIN reader PASSWORD " + NewValue + "\n"
            << QStringList();
        QTest::newRow("password before login")
            << "machine 127.0.0.1 password old login reader\n" + anon
            << "machine 127.0.0.1 password " + NewValue + " login reader\n" + anon << guest;
        QTest::newRow("entry without a password")
            << "machine 127.0.0.1 login reader\n" + anon + "\n"
            << NewEntry + "\n" + anon + "\n"
            << guest;
        QTest::newRow("empty password at a CRLF line end")
            << "machine 127.0.0.1 login reader password \r\n" + anon + "\r\n"
            << NewEntry + "\r\n" + anon + "\r\n"
            << guest;
        QTest::newRow("first of two entries")
            << QByteArray("machine 127.0.0.1 login reader password first\n"
                          "machine 127.0.0.1 login reader password second\n")
            << NewEntry + "\nmachine 127.0.0.1 login reader password second\n"
            << QStringList();
        QTest::newRow("another user of the server")
            << QByteArray("machine 127.0.0.1 login other password theirs\n")
            << "machine 127.0.0.1 login other password theirs\n" + NewEntry + "\n"
            << QStringList{"other@127.0.0.1=theirs"};
        QTest::newRow("user name in other letters")
            << QByteArray("machine 127.0.0.1 login Reader password theirs\n")
            << "machine 127.0.0.1 login Reader password theirs\n" + NewEntry + "\n"
            << QStringList{"Reader@127.0.0.1=theirs"};
        QTest::newRow("default stays last")
            << anon + "\ndefault login reader password fallback\n"
            << anon + "\n" + NewEntry + "\ndefault login reader password fallback\n"
            << guest;
        QTest::newRow("file ends in a macro body")
            << anon + "\nmacdef init\ncd pub\n"
            << anon + "\nmacdef init\ncd pub\n\n" + NewEntry + "\n"
            << guest;
        QTest::newRow("no line end at the end") << anon << anon + "\n" + NewEntry + "\n" << guest;
        QTest::newRow("no file") << QByteArray() << NewEntry + "\n" << QStringList();
    }

    void writesWhatCurlReads()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QStringList, others);
        QFile::remove(m_netrc);
        if (!before.isEmpty()) {
            QVERIFY(writeAll(m_netrc, before));
        }
        auto checkOthers = [&] {
            for (const QString& other : others) {
                const QString account = other.section(QLatin1Char('='), 0, 0);
                QCOMPARE(curlSends(account.section(QLatin1Char('@'), 0, 0),
                                   account.section(QLatin1Char('@'), 1)),
                         other.section(QLatin1Char('='), 1));
            }
        };
        checkOthers();
        QString error;
        QVERIFY2(MailPassword::writeNetrc(m_netrc, QStringLiteral("127.0.0.1"),
                                          QStringLiteral("reader"), NewPassword, &error),
                 qPrintable(error));
        QCOMPARE(fileBytes(m_netrc), after);
        QCOMPARE(curlSends(QStringLiteral("reader"), QStringLiteral("127.0.0.1")), NewPassword);
        QCOMPARE(ourPassword(m_netrc), NewPassword);
        checkOthers();
        QCOMPARE(QFile::permissions(m_netrc) & 0x0077, QFileDevice::Permissions());
    }

    // A file curl cannot read is left as it is, and the reason names the line.
    void anUnreadableFileIsLeftAlone()
    {
        const QByteArray file = "machine localhost login anon password guest\n"
                                "machine localhost login other password \"unclosed\n"
                                "machine 127.0.0.1 login reader password old\n";
        QVERIFY(writeAll(m_netrc, file));
        QCOMPARE(curlSends(QStringLiteral("reader"), QStringLiteral("127.0.0.1")), std::nullopt);
        QString error;
        QVERIFY(!MailPassword::writeNetrc(m_netrc, QStringLiteral("127.0.0.1"),
                                          QStringLiteral("reader"), NewPassword, &error));
        QVERIFY2(error.contains(QStringLiteral("line 2")), qPrintable(error));
        QCOMPARE(fileBytes(m_netrc), file);
    }

    // On a full disk the old file stays byte for byte, no new one is left behind, and the
    // mail account window says the password was not kept.
    void aFullDiskKeepsTheOldFile()
    {
        FullDisk disk;
        REQUIRE_FULL_DISK(disk);
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", disk.path().toUtf8());
        auto restoreHome = qScopeGuard([&] { qputenv("HOME", home); });
        const QString netrc = MailPassword::netrcPath();
        QVERIFY(netrc.startsWith(disk.path()));
        auto save = [](const QString& password) {
            MessageBox::clearShown();
            dlgMailAccount dialog;
            dialog.txtServer->setText(QStringLiteral("127.0.0.1"));
            dialog.cboSecurity->setCurrentIndex(1);
            dialog.txtPort->setValue(2525);
            dialog.txtUser->setText(QStringLiteral("reader"));
            dialog.txtSender->setText(QStringLiteral("reader@example.org"));
            dialog.txtPassword->setText(password);
            dialog.btnSave->click();
            return MessageBox::shown();
        };

        // No file yet: none is left behind.
        QVERIFY(disk.fill());
        auto shown = save(NewPassword);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QStringLiteral("could not be kept")),
                 qPrintable(shown[0].text));
        QVERIFY(!QFile::exists(netrc));

        // An old file stays as it was.
        disk.drain();
        const QByteArray old = "machine localhost login anon password guest\n"
                               "machine 127.0.0.1 login reader password old\n";
        QVERIFY(writeAll(netrc, old));
        QVERIFY(disk.fill());
        shown = save(NewPassword + QStringLiteral(" that is longer than the old one"));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QStringLiteral("could not be kept")),
                 qPrintable(shown[0].text));
        QCOMPARE(fileBytes(netrc), old);

        // With room again the same save goes through.
        disk.drain();
        QVERIFY(save(NewPassword).isEmpty());
        QCOMPARE(ourPassword(netrc), NewPassword);
    }
};

QUILLMERE_TEST_MAIN(TestMailNetrc)
#include "tst_mail_netrc.moc"
