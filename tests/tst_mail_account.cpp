// The mail account window where no keyring runs: the account in the settings, the password in
// ~/.netrc, and test messages to a real SMTP server on 127.0.0.1.
#include "core/AppSettings.h"
#include "core/MailPassword.h"
#include "core/MailSession.h"
#include "mainwindow/frmMain.h"
#include "support/FileBytes.h"
#include "support/MailAccountSetup.h"
#include "support/SmtpTestServer.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/dialogs/dlgMailAccount.h"
#include "ui/dialogs/frmOptions.h"
#include "ui/skin/SkinButton.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace {
using MailAccountSetup::fillFor;
using MailAccountSetup::Sender;
using MailAccountSetup::sendWithSavedAccount;

void setMail(const QString& server, const QString& sender, const QString& user)
{
    auto settings = AppSettings::open();
    settings->remove(QStringLiteral("Mail"));
    settings->beginGroup(QStringLiteral("Mail"));
    settings->setValue(QStringLiteral("Server"), server);
    settings->setValue(QStringLiteral("Sender"), sender);
    if (!user.isEmpty()) {
        settings->setValue(QStringLiteral("User"), user);
    }
}

QString mailValue(const QString& key)
{
    return AppSettings::open()->value(QStringLiteral("Mail/") + key).toString();
}

} // namespace

class TestMailAccount : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        // A home of our own (~/.netrc) and no session bus, hence no keyring.
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillmere-test-bus");
    }

    void init()
    {
        MessageBox::clearShown();
        AppSettings::open()->clear();
        QFile::remove(MailPassword::netrcPath());
    }

    void anAccountSetUpByHandKeepsWorking()
    {
        // Server addresses as users wrote them before the window existed.
        setMail(QStringLiteral("smtp://mail.example.org"), Sender, QStringLiteral("me"));
        {
            dlgMailAccount dialog;
            QCOMPARE(dialog.txtServer->text(), QStringLiteral("mail.example.org"));
            QCOMPARE(dialog.cboSecurity->currentText(), QStringLiteral("STARTTLS"));
            QCOMPARE(dialog.txtPort->value(), 25); // the mail library's own default
            QCOMPARE(dialog.txtUser->text(), QStringLiteral("me"));
            QCOMPARE(dialog.txtSender->text(), Sender);
            dialog.btnSave->click();
        }
        QCOMPARE(mailValue("Server"), QStringLiteral("smtp://mail.example.org:25"));
        QCOMPARE(mailValue("Sender"), Sender);
        QCOMPARE(mailValue("User"), QStringLiteral("me"));

        setMail(QStringLiteral("smtps://mail.example.org"), Sender, QString());
        dlgMailAccount dialog;
        QCOMPARE(dialog.cboSecurity->currentText(), QStringLiteral("SSL/TLS"));
        QCOMPARE(dialog.txtPort->value(), 465);
        // The usual port follows the security; a port of the user's own stays.
        dialog.cboSecurity->setCurrentIndex(1);
        QCOMPARE(dialog.txtPort->value(), 587);
        dialog.txtPort->setValue(2525);
        dialog.cboSecurity->setCurrentIndex(0);
        QCOMPARE(dialog.txtPort->value(), 2525);
        dialog.btnSave->click();
        QCOMPARE(mailValue("Server"), QStringLiteral("smtps://mail.example.org:2525"));
        QVERIFY(!AppSettings::open()->contains(QStringLiteral("Mail/User")));
        QVERIFY(!QFile::exists(MailPassword::netrcPath())); // no password typed, none written
    }

    void aBadAccountIsNotSavedOrTried()
    {
        setMail(QStringLiteral("smtps://mail.example.org:465"), Sender, QString());
        dlgMailAccount dialog;
        dialog.txtSender->setText(QStringLiteral("not an address"));
        dialog.btnSave->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(mailValue("Sender"), Sender);
        dialog.txtSender->setText(Sender);
        dialog.txtServer->setText(QString());
        dialog.btnTest->click();
        QVERIFY(dialog.lblAnswer->text().contains(QStringLiteral("server")));
        // A password needs the user name it belongs to.
        dialog.txtServer->setText(QStringLiteral("mail.example.org"));
        dialog.txtPassword->setText(QStringLiteral("secret"));
        dialog.btnSave->click();
        QCOMPARE(MessageBox::shown().size(), 2);
        QVERIFY(!QFile::exists(MailPassword::netrcPath()));
    }

    void withoutAKeyringThePasswordGoesToNetrc()
    {
        const QString password = QStringLiteral("open \"sesame\" \\ now");
        SmtpTestServer server(SmtpTestServer::Auth, QStringLiteral("reader"), password);
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        // Entries of other programs stay as they are.
        const QByteArray others = "machine ftp.example.org login anon password guest\n"
                                  "macdef init\ncd pub\n\n"
                                  "default login anonymous password me@example.org";
        QFile netrc(MailPassword::netrcPath());
        QVERIFY(netrc.open(QIODevice::WriteOnly));
        netrc.write(others);
        netrc.close();

        dlgMailAccount dialog;
        QVERIFY(dialog.lblPasswordStore->text().contains(QStringLiteral("~/.netrc")));
        fillFor(dialog, server, QStringLiteral("reader"), password);
        dialog.btnSave->click();
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!dialog.isVisible());
        // The password is nowhere in the settings, and ~/.netrc is the user's alone.
        QVERIFY(!fileBytes(AppSettings::open()->fileName()).contains("sesame"));
        // The new entry goes before "default", which must stay last.
        const QByteArray written = fileBytes(MailPassword::netrcPath());
        QCOMPARE(written, QByteArray("machine ftp.example.org login anon password guest\n"
                                     "macdef init\ncd pub\n\n"
                                     "machine 127.0.0.1 login reader password "
                                     "\"open \\\"sesame\\\" \\\\ now\"\n"
                                     "default login anonymous password me@example.org"));
        QCOMPARE(QFile::permissions(MailPassword::netrcPath()) & 0x0077,
                 QFileDevice::Permissions());
        bool found = false;
        QCOMPARE(MailPassword::readNetrc(MailPassword::netrcPath(), "127.0.0.1", "reader", &found),
                 password);

        // The share command signs in with it: the server takes the book.
        QString error;
        QVERIFY2(sendWithSavedAccount(&error), qPrintable(error));
        QCOMPARE(server.messages().size(), 1);

        // A new password replaces the old one in its entry; nothing else changes.
        dlgMailAccount again;
        QVERIFY(!again.txtPassword->placeholderText().isEmpty()); // says one is kept
        again.txtPassword->setText(QStringLiteral("changed"));
        again.btnSave->click();
        const QByteArray rewritten = fileBytes(MailPassword::netrcPath());
        QCOMPARE(rewritten,
                 QByteArray(written).replace("\"open \\\"sesame\\\" \\\\ now\"", "changed"));
        QVERIFY(!sendWithSavedAccount(&error)); // the server wants the old one
    }

    void testMessagesShowTheServersAnswer_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("answer");
        QTest::newRow("taken") << int(SmtpTestServer::Accept) << QString() << true << "250";
        QTest::newRow("signed in") << int(SmtpTestServer::Auth) << "right" << true << "250";
        QTest::newRow("wrong password") << int(SmtpTestServer::Auth) << "wrong" << false << "535";
        QTest::newRow("refused") << int(SmtpTestServer::Refuse) << QString() << false << "550";
        QTest::newRow("no server")
            << int(SmtpTestServer::NotRunning) << QString() << false << "not sent";
    }

    void testMessagesShowTheServersAnswer()
    {
        QFETCH(int, mode);
        QFETCH(QString, password);
        QFETCH(bool, sent);
        QFETCH(QString, answer);
        SmtpTestServer server(SmtpTestServer::Mode(mode), QStringLiteral("reader"),
                              QStringLiteral("right"));
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        dlgMailAccount dialog;
        fillFor(dialog, server, password.isEmpty() ? QString() : QStringLiteral("reader"),
                password);
        dialog.show();
        dialog.btnTest->click();
        QVERIFY2(dialog.lblAnswer->text().contains(answer), qPrintable(dialog.lblAnswer->text()));
        QCOMPARE(dialog.lblAnswer->text().contains(QStringLiteral("was sent to ") + Sender), sent);
        QVERIFY(dialog.btnTest->isEnabled());
        const auto messages = server.messages();
        QCOMPARE(messages.size(), sent ? 1 : 0);
        if (sent) {
            QCOMPARE(messages[0].rcptTos, QStringList({Sender}));
            QCOMPARE(messages[0].mailFrom, Sender);
        }
        // Testing saves nothing.
        QVERIFY(!AppSettings::open()->contains(QStringLiteral("Mail/Server")));
        QVERIFY(!QFile::exists(MailPassword::netrcPath()));
    }

    void theWindowCannotCloseUnderATestMessage()
    {
        SmtpTestServer server(SmtpTestServer::Slow);
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        auto* dialog = new dlgMailAccount;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<dlgMailAccount> alive(dialog);
        fillFor(*dialog, server, QString(), QString());
        dialog->show();
        // The user closes the window while the server takes its time.
        QTimer::singleShot(300, dialog, [dialog] {
            dialog->close();
            dialog->btnCancel->click();
        });
        dialog->btnTest->click();
        QVERIFY(alive);
        QVERIFY(dialog->lblAnswer->text().contains(QStringLiteral("250")));
        QVERIFY(dialog->close());
        QTRY_VERIFY(!alive);
    }

    void theMenuAndTheOptionsWindowOpenIt()
    {
        TestAppFolder app;
        frmMain window(app.path());
        QCOMPARE(window.mnuFileMailAccount->text(), QStringLiteral("&Mail Account..."));
        QVERIFY(window.mnuFile->actions().indexOf(window.mnuFileMailAccount) <
                window.mnuFile->actions().indexOf(window.mnuFileExit));
        window.mnuFileMailAccount->trigger();
        window.ShowOptions();
        auto* options = window.findChild<frmOptions*>();
        if (!options) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                options = options ? options : qobject_cast<frmOptions*>(w);
            }
        }
        QVERIFY(options);
        options->btnMailAccount->click();
        int open = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            open += qobject_cast<dlgMailAccount*>(w) && w->isVisible() ? 1 : 0;
        }
        QCOMPARE(open, 1);
    }
};

QUILLMERE_TEST_MAIN(TestMailAccount)
#include "tst_mail_account.moc"
