// The mail password in a real keyring: gnome-keyring's Secret Service on a session bus of the
// test's own, in a home folder of its own. Skipped where no such keyring can run.
#include "core/AppSettings.h"
#include "core/MailPassword.h"
#include "core/MailSession.h"
#include "support/FileBytes.h"
#include "support/MailAccountSetup.h"
#include "support/SmtpTestServer.h"
#include "support/TestMain.h"
#include "ui/dialogs/dlgMailAccount.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace {
using MailAccountSetup::Sender;
using MailAccountSetup::sendWithSavedAccount;
const QString User = QStringLiteral("reader");
const QString Password = QStringLiteral("kept in the keyring");

} // namespace

class TestMailKeyring : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;
    QProcess m_bus;
    QProcess m_keyring;

    void stop(QProcess& process)
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
    }

private slots:
    void initTestCase()
    {
        const QString home = m_home.path();
        const QString runtime = home + QStringLiteral("/run");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        qunsetenv("DISPLAY"); // no unlock prompt can show; the keyring is unlocked below

        const QString busProgram = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        const QString keyringProgram =
            QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon"));
        if (busProgram.isEmpty() || keyringProgram.isEmpty()) {
            QSKIP("dbus-daemon or gnome-keyring-daemon is not installed");
        }
        m_bus.start(busProgram, {"--session", "--nofork", "--print-address=1"});
        QVERIFY(m_bus.waitForStarted());
        QByteArray address;
        while (!address.contains('\n') && m_bus.waitForReadyRead(10000)) {
            address += m_bus.readAllStandardOutput();
        }
        address = address.trimmed();
        QVERIFY2(!address.isEmpty(), m_bus.readAllStandardError().constData());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        // A new login keyring, unlocked with the password given on standard input.
        m_keyring.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        m_keyring.start(keyringProgram, {"--unlock", "--components=secrets", "--foreground"});
        QVERIFY(m_keyring.waitForStarted());
        m_keyring.write("quillmere-test");
        m_keyring.closeWriteChannel();
        // The keyring answers once it has started and unlocked itself.
        QString why;
        if (!QTest::qWaitFor([&] { return MailPassword::keyringAvailable(&why); }, 15000)) {
            QSKIP(qPrintable(QStringLiteral("no keyring runs here: ") + why));
        }
        // The daemon answers before its login collection exists: a password is kept only
        // once that is made, so the tests start when a first one is.
        MailAccount probe;
        probe.host = QStringLiteral("probe.invalid");
        probe.user = QStringLiteral("probe");
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         MailPassword::Store used = MailPassword::Store::Netrc;
                         return MailPassword::save(probe, QStringLiteral("probe"), &used, &why) &&
                                used == MailPassword::Store::Keyring;
                     },
                     15000),
                 qPrintable(why));
    }

    void cleanupTestCase()
    {
        stop(m_keyring);
        stop(m_bus);
    }

    void thePasswordGoesToTheKeyringAndSharingUsesIt()
    {
        SmtpTestServer server(SmtpTestServer::Auth, User, Password);
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        // An old ~/.netrc entry with another password: the keyring's is the one used.
        QFile netrc(MailPassword::netrcPath());
        QVERIFY(netrc.open(QIODevice::WriteOnly));
        netrc.write("machine 127.0.0.1 login reader password outdated\n");
        netrc.close();
        const QByteArray netrcBefore = fileBytes(MailPassword::netrcPath());

        {
            dlgMailAccount dialog;
            QVERIFY2(dialog.lblPasswordStore->text().contains(QStringLiteral("keyring")),
                     qPrintable(dialog.lblPasswordStore->text()));
            MailAccountSetup::fillFor(dialog, server, User, Password);
            // The test message uses the typed password before anything is saved.
            dialog.btnTest->click();
            QVERIFY2(dialog.lblAnswer->text().contains(QStringLiteral("250")),
                     qPrintable(dialog.lblAnswer->text()));
            dialog.btnSave->click();
            QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        }
        QCOMPARE(fileBytes(MailPassword::netrcPath()), netrcBefore);
        QVERIFY(!fileBytes(AppSettings::open()->fileName()).contains("keyring"));
        MailAccount saved = MailAccount::load();
        QCOMPARE(MailPassword::readFromKeyring(saved), Password);

        QString error;
        QVERIFY2(sendWithSavedAccount(&error), qPrintable(error));
        QCOMPARE(server.messages().size(), 2); // the test message and the book

        // Reopened, the window says a password is kept and tests with it.
        dlgMailAccount again;
        QVERIFY(!again.txtPassword->placeholderText().isEmpty());
        again.btnTest->click();
        QVERIFY2(again.lblAnswer->text().contains(QStringLiteral("250")),
                 qPrintable(again.lblAnswer->text()));
    }

    // Closing the window while the keyring is still being asked abandons the password: the
    // save stops waiting, nothing is said into the closed window, and it goes afterwards.
    void closingTheWindowWhileTheKeyringWorks()
    {
        MessageBox::clearShown();
        QPointer<dlgMailAccount> dialog = new dlgMailAccount;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->txtServer->setText(QStringLiteral("mail.example.org"));
        dialog->txtUser->setText(QStringLiteral("leaving"));
        dialog->txtSender->setText(Sender);
        dialog->txtPassword->setText(QStringLiteral("never kept"));
        dialog->show();
        // The first events the keyring's wait lets through close the window.
        QTimer::singleShot(0, dialog.data(), [dialog] { dialog->close(); });
        dialog->btnSave->click();
        QVERIFY(MessageBox::shown().isEmpty());
        QTRY_VERIFY(dialog.isNull());
        MailAccount account = MailAccount::load();
        QCOMPARE(account.user, QStringLiteral("leaving"));
        QVERIFY(MailPassword::readFromKeyring(account).isEmpty());
    }
};

QUILLMERE_TEST_MAIN(TestMailKeyring)
#include "tst_mail_keyring.moc"
