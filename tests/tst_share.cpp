// Sharing a book by e-mail: the share dialog and SendClassic against a real SMTP server on
// 127.0.0.1.
#include "core/AppSettings.h"
#include "core/MailSession.h"
#include "core/ShareMail.h"
#include "formats/Twips.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/SmtpTestServer.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/dialogs/dlgShare.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinLabel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include <fstream>
#include <unistd.h>

namespace {
const QString Sender = QStringLiteral("reader@quillmere.test");
const QString Friend = QStringLiteral("friend@example.org");
const QString SentText = QStringLiteral("Message Sent");
const QString FailedText =
    QStringLiteral("Unable to send message.  Please check your email setup.");

void setMailAccount(const QString& server, const QString& sender = Sender)
{
    auto settings = AppSettings::open();
    settings->remove(QStringLiteral("Mail"));
    settings->beginGroup(QStringLiteral("Mail"));
    if (!server.isEmpty()) {
        settings->setValue(QStringLiteral("Server"), server);
    }
    if (!sender.isEmpty()) {
        settings->setValue(QStringLiteral("Sender"), sender);
    }
    settings->endGroup();
    settings->sync();
}

// The share dialog the main window shows now.
dlgShare* openShare(frmMain& window)
{
    window.ShowShare();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<dlgShare*>(w);
        if (dialog && !dialog->isUnloaded() && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

void fill(dlgShare* dialog, const QString& address, const QString& subject, int book,
          const QString& message)
{
    dialog->txtEmail->setText(address);
    dialog->txtSubject->setText(subject);
    dialog->cmboClassics->setCurrentIndex(book);
    dialog->txtMessage->setPlainText(message);
}

// The next control the Tab key reaches.
QWidget* nextTabStop(QWidget* widget)
{
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus)) {
        next = next->nextInFocusChain();
    }
    return next;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// How many messages had been shown when a window first left the screen.
class HideWatch : public QObject
{
public:
    explicit HideWatch(QWidget* window) { window->installEventFilter(this); }
    int shownWhenHidden = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && shownWhenHidden < 0) {
            shownWhenHidden = int(MessageBox::shown().size());
        }
        return false;
    }
};

int dialogsAlive()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        n += qobject_cast<dlgShare*>(w) ? 1 : 0;
    }
    return n;
}
} // namespace

class TestShare : public QObject
{
    Q_OBJECT
private slots:
    // Plain SMTP is allowed only to this computer; every other server must be encrypted.
    void onlyThisComputerCountsAsLocal_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("local");
        QTest::newRow("localhost") << "smtp://localhost:25" << true;
        QTest::newRow("LOCALHOST") << "smtp://LOCALHOST:25" << true;
        QTest::newRow("127.0.0.1") << "smtp://127.0.0.1:2525" << true;
        QTest::newRow("127.8.9.10") << "smtp://127.8.9.10" << true;
        QTest::newRow("IPv6 loopback") << "smtp://[::1]:25" << true;
        QTest::newRow("IPv4-mapped loopback") << "smtp://[::ffff:127.0.0.1]:25" << true;
        QTest::newRow("name") << "smtp://mail.example.org:587" << false;
        QTest::newRow("loopback-looking name") << "smtp://127.0.0.1.example.org" << false;
        QTest::newRow("128.0.0.1") << "smtp://128.0.0.1" << false;
        QTest::newRow("out of range") << "smtp://127.0.0.256" << false;
        QTest::newRow("IPv6 elsewhere") << "smtp://[2001:db8::1]:25" << false;
        QTest::newRow("mapped elsewhere") << "smtp://[::ffff:10.0.0.1]:25" << false;
        QTest::newRow("no host") << "smtp://" << false;
    }

    void onlyThisComputerCountsAsLocal()
    {
        QFETCH(QString, server);
        QFETCH(bool, local);
        QCOMPARE(MailSession::isLocalServer(server), local);
    }

    void init() { MessageBox::clearShown(); }
    void cleanup()
    {
        flushDeletes();
        setMailAccount(QString(), QString());
    }

    void dialogLayout()
    {
        TestAppFolder app;
        for (const char* name : {"Walden.txt", "emma.rtf", "manual.rtf", "Beowulf.htm"}) {
            app.addBook(QLatin1String(name), "text");
        }
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Share"));
        QStringList listed;
        for (int i = 0; i < dialog->cmboClassics->count(); ++i) {
            listed << dialog->cmboClassics->itemText(i);
        }
        QCOMPARE(listed, Driver::treeBooks(window));
        QCOMPARE(listed.size(), 4);
        QVERIFY(listed.contains(QStringLiteral("manual.rtf")));
        QCOMPARE(dialog->cmboClassics->currentIndex(), 0);
        QVERIFY(!dialog->cmboClassics->isEditable());
        QVERIFY(dialog->txtEmail->text().isEmpty() && dialog->txtMessage->toPlainText().isEmpty());

        QCOMPARE(dialog->labelTitle->text(), QStringLiteral("Share a Classic"));
        QCOMPARE(dialog->labelBook->text(), QStringLiteral("Book to Share:"));
        QVERIFY(!dialog->txtSending->isVisible());
        QVERIFY(dialog->txtSending->x() < 0);
        QCOMPARE(nextTabStop(dialog->txtEmail), dialog->txtSubject);
        QCOMPARE(nextTabStop(dialog->txtSubject), dialog->cmboClassics);
        QCOMPARE(nextTabStop(dialog->cmboClassics), dialog->txtMessage);

        // One dialog at a time.
        QCOMPARE(openShare(window), dialog);
        QCOMPARE(dialogsAlive(), 1);
    }

    void sendsTheBook_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("book");
        QTest::addColumn<QString>("type");
        QTest::newRow("typed message") << "Read this one!\nYours, Ann"
                                       << "A classic"
                                       << "b.rtf"
                                       << "application/rtf";
        QTest::newRow("empty message") << ""
                                       << ""
                                       << "a.txt"
                                       << "text/plain";
        QTest::newRow("non-ASCII subject")
            << "Ça va?" << QStringLiteral("Émile — Rousseau") << "c.pdf"
            << "application/pdf";
        // Every kind of book the reader opens goes with its own type.
        QTest::newRow("EPUB book") << "An EPUB"
                                   << "EPUB"
                                   << "d.epub"
                                   << "application/epub+zip";
        QTest::newRow("HTML book") << "A page"
                                   << "HTML"
                                   << "e.htm"
                                   << "text/html";
        QTest::newRow("Word document") << "A document"
                                       << "Word"
                                       << "f.DOC"
                                       << "application/msword";
    }

    void sendsTheBook()
    {
        QFETCH(QString, message);
        QFETCH(QString, subject);
        QFETCH(QString, book);
        QFETCH(QString, type);
        SmtpTestServer server;
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        setMailAccount(server.url());
        TestAppFolder app;
        QByteArray content("Chapter 1\r\n\x00\xff\xfe binary tail", 27);
        content += QByteArray(70000, 'x'); // longer than one base64 line many times over
        app.addBook(QStringLiteral("a.txt"), content);
        app.addBook(QStringLiteral("b.rtf"), content);
        for (const char* name : {"c.pdf", "d.epub", "e.htm", "f.DOC"}) {
            app.addBook(QLatin1String(name), content);
        }
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        fill(dialog, Friend, subject, dialog->cmboClassics->findText(book), message);
        const HideWatch watch(dialog);
        QTest::mouseClick(dialog->OKbutton, Qt::LeftButton);

        // The dialog is gone from the screen before "Message Sent" appears.
        QCOMPARE(watch.shownWhenHidden, 0);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, SentText);
        QCOMPARE(MessageBox::shown()[0].title, QStringLiteral("Quillmere"));
        QCOMPARE(window.shareRequest().ShareBookName, book);

        const auto received = server.messages();
        QCOMPARE(received.size(), 1);
        const SmtpTestServer::Message& mail = received[0];
        QCOMPARE(mail.rcptTos, QStringList{Friend});
        QCOMPARE(mail.mailFrom, Sender);
        QCOMPARE(mail.parts.size(), 2);
        const QByteArray body = mail.parts[0].payload;
        QCOMPARE(body, (message + QStringLiteral("\n\r\n\r") + ShareMail::mailNote()).toUtf8());
        // The note names no address that leads nowhere.
        QVERIFY(
            body.contains("In order to best read this book, download Quillmere.  Run "
                          "quillmere-setup.deb to install Quillmere.  Place the attached file"));
        QVERIFY(!body.contains("example"));
        QVERIFY(!body.contains("://"));
        QCOMPARE(mail.parts[1].fileName, book);
        QCOMPARE(mail.parts[1].contentType, type);
        QCOMPARE(mail.parts[1].payload, content);
        QCOMPARE(mail.header(QStringLiteral("To")).size(), 1);
        QVERIFY(mail.header(QStringLiteral("To"))[0].contains(Friend));
        QCOMPARE(mail.header(QStringLiteral("Subject")).size(), 1);
        // Python's parser leaves encoded words as they came; decode those by their charset.
        const QString rawSubject = mail.header(QStringLiteral("Subject"))[0];
        const QString shownSubject = rawSubject.startsWith(QLatin1String("=?UTF-8?B?"))
                                         ? QString::fromUtf8(QByteArray::fromBase64(
                                               rawSubject.mid(10).chopped(2).toLatin1()))
                                         : rawSubject;
        QCOMPARE(shownSubject, subject);

        // A successful send discards the dialog; the next one opens empty.
        QVERIFY(dialog->isUnloaded());
        flushDeletes();
        QCOMPARE(dialogsAlive(), 0);
        dlgShare* again = openShare(window);
        QVERIFY(again);
        QVERIFY(again->txtEmail->text().isEmpty());
        QVERIFY(again->txtMessage->toPlainText().isEmpty());
    }

    void failureKeepsTheEntries_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("account");
        QTest::addColumn<bool>("bookGone");
        QTest::addColumn<QString>("reason"); // part of the reason the message gives
        QTest::newRow("recipient refused")
            << int(SmtpTestServer::Refuse) << true << false << "550 5.1.1 Recipient refused";
        QTest::newRow("server not running")
            << int(SmtpTestServer::NotRunning) << true << false << "connect";
        QTest::newRow("no account set up")
            << int(SmtpTestServer::Accept) << false << false << "No mail account is set up.";
        QTest::newRow("book deleted meanwhile")
            << int(SmtpTestServer::Accept) << true << true << "The book file cannot be read";
    }

    void failureKeepsTheEntries()
    {
        QFETCH(int, mode);
        QFETCH(bool, account);
        QFETCH(bool, bookGone);
        QFETCH(QString, reason);
        SmtpTestServer server(static_cast<SmtpTestServer::Mode>(mode));
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        setMailAccount(account ? server.url() : QString());
        TestAppFolder app;
        const QString first = app.addBook(QStringLiteral("a.txt"), "first");
        app.addBook(QStringLiteral("b.txt"), "second");
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        fill(dialog, Friend, QStringLiteral("Subject kept"), 0, QStringLiteral("Kept message"));
        if (bookGone) {
            QVERIFY(QFile::remove(first));
        }
        QTest::mouseClick(dialog->OKbutton, Qt::LeftButton);

        QCOMPARE(MessageBox::shown().size(), 1);
        const QString shown = MessageBox::shown()[0].text;
        QVERIFY2(shown.startsWith(FailedText + QStringLiteral("\n\n")), qPrintable(shown));
        QVERIFY2(shown.contains(reason), qPrintable(shown));
        QCOMPARE(MessageBox::shown()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(server.messages().isEmpty());
        flushDeletes();
        QCOMPARE(dialogsAlive(), 1);
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dialog->txtSending->isVisible());

        // Reopening offers the same entries; the book list is not filled again.
        app.addBook(QStringLiteral("c.txt"), "third");
        window.SetNodesList();
        QCOMPARE(openShare(window), dialog);
        QCOMPARE(dialog->txtEmail->text(), Friend);
        QCOMPARE(dialog->txtSubject->text(), QStringLiteral("Subject kept"));
        QCOMPARE(dialog->txtMessage->toPlainText(), QStringLiteral("Kept message"));
        QCOMPARE(dialog->cmboClassics->count(), 2);
        QVERIFY(!dialog->txtSending->isVisible());
        QVERIFY(dialog->OKbutton->isEnabled());
    }

    // A line break in a field must not become a header of its own or an extra recipient.
    void headerInjection_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("subject");
        QTest::newRow("subject") << Friend << "Hello\r\nBcc: victim@example.org";
        QTest::newRow("subject with bare LF") << Friend << "Hello\nBcc: victim@example.org";
        QTest::newRow("address, header") << Friend + "\r\nBcc: victim@example.org"
                                         << "Hello";
        QTest::newRow("address, command") << Friend + ">\r\nRCPT TO:<victim@example.org"
                                          << "Hello";
    }

    void headerInjection()
    {
        QFETCH(QString, address);
        QFETCH(QString, subject);
        SmtpTestServer server;
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        setMailAccount(server.url());
        TestAppFolder app;
        app.addBook(QStringLiteral("a.txt"), "book");
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        fill(dialog, address, subject, 0, QStringLiteral("Hi"));
        QTest::mouseClick(dialog->OKbutton, Qt::LeftButton);

        QCOMPARE(MessageBox::shown().size(), 1);
        for (const auto& mail : server.messages()) {
            QVERIFY(mail.header(QStringLiteral("Bcc")).isEmpty());
            QCOMPARE(mail.header(QStringLiteral("Subject")).size(), 1);
            QVERIFY(!mail.rcptTos.join(QLatin1Char(' ')).contains(QLatin1String("victim")));
            const QByteArray headers = mail.raw.left(mail.raw.indexOf("\r\n\r\n"));
            QVERIFY(!headers.contains("\nBcc:"));
        }
        QVERIFY(!server.recipientsAsked().join(QLatin1Char(' ')).contains(QLatin1String("victim")));
        if (address == Friend) {
            QCOMPARE(server.messages().size(), 1);
            QCOMPARE(MessageBox::shown()[0].text, SentText);
        }
    }

    // Enter in a box being typed in sends nothing; Enter on the Send button sends.
    void enterSendsOnlyFromTheButton()
    {
        SmtpTestServer server;
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        setMailAccount(server.url());
        TestAppFolder app;
        app.addBook(QStringLiteral("a.txt"), "book");
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        fill(dialog, Friend, QStringLiteral("Half typed"), 0, QStringLiteral("Hi"));
        for (QWidget* box :
             {static_cast<QWidget*>(dialog->txtEmail), static_cast<QWidget*>(dialog->txtSubject)}) {
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClick(box, Qt::Key_Enter);
        }
        QTest::qWait(100);
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(server.messages().isEmpty());
        QVERIFY(dialog->isVisible());

        dialog->OKbutton->setFocus();
        QTest::keyClick(dialog->OKbutton, Qt::Key_Return);
        QTRY_COMPARE(server.messages().size(), 1);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, SentText);
    }

    void bookNamesCannotInjectPartHeaders_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("received");
        QTest::newRow("CR LF and a header") << "evil.txt\r\nX-Injected: yes\r\n\r\nboo.txt"
                                            << "evil.txtX-Injected: yesboo.txt";
        QTest::newRow("bare LF") << "two\nlines.txt"
                                 << "twolines.txt";
        QTest::newRow("quote and semicolon") << "a \"b\"; filename=c.txt"
                                             << "a \"b\"; filename=c.txt";
        QTest::newRow("non-ASCII") << QStringLiteral("Émile, ou De l'éducation.txt")
                                   << QStringLiteral("Émile, ou De l'éducation.txt");
    }

    void bookNamesCannotInjectPartHeaders()
    {
        QFETCH(QString, name);
        QFETCH(QString, received);
        SmtpTestServer server;
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        setMailAccount(server.url());
        TestAppFolder app;
        const QByteArray content = QByteArray("The whole book.\r\n") + QByteArray(5000, 'y');
        app.addBook(name, content);
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        const int book = dialog->cmboClassics->findText(name);
        QVERIFY(book >= 0);
        fill(dialog, Friend, QStringLiteral("A book"), book, QStringLiteral("Hi"));
        QTest::mouseClick(dialog->OKbutton, Qt::LeftButton);

        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, SentText);
        const auto messages = server.messages();
        QCOMPARE(messages.size(), 1);
        const SmtpTestServer::Message& mail = messages[0];
        QCOMPARE(mail.parts.size(), 2);
        QCOMPARE(mail.parts[1].payload, content);
        QCOMPARE(mail.parts[1].contentType, QStringLiteral("text/plain"));
        QCOMPARE(mail.parts[1].fileName, received);
        QVERIFY(!mail.raw.contains("\nX-Injected:"));
    }

    // A book whose file name is not UTF-8 is sent whole, under the name the library shows.
    void aNameThatIsNotUtf8IsSent()
    {
        SmtpTestServer server;
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        setMailAccount(server.url());
        TestAppFolder app;
        const QByteArray content = "Odd name, whole book.";
        const QByteArray raw = QFile::encodeName(app.booksPath()) + "Caf\xe9.txt";
        {
            std::ofstream file(raw.constData(), std::ios::binary);
            file << content.constData();
        }
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        const QString shown = QStringLiteral("Caf\uFFFD.txt");
        const int book = dialog->cmboClassics->findText(shown);
        QVERIFY(book >= 0);
        fill(dialog, Friend, QStringLiteral("Odd"), book, QStringLiteral("Hi"));
        QTest::mouseClick(dialog->OKbutton, Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, SentText);
        const auto messages = server.messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].parts.size(), 2);
        QCOMPARE(messages[0].parts[1].payload, content);
        QCOMPARE(messages[0].parts[1].fileName, shown);
        ::unlink(raw.constData());
    }

    void emptyLibrary()
    {
        SmtpTestServer server;
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        setMailAccount(server.url());
        TestAppFolder app;
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        QCOMPARE(dialog->cmboClassics->count(), 0);
        fill(dialog, Friend, QStringLiteral("Nothing"), -1, QString());
        QTest::mouseClick(dialog->OKbutton, Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(!MessageBox::shown()[0].text.startsWith(FailedText));
        QVERIFY(MessageBox::shown()[0].text != SentText);
        QVERIFY(server.messages().isEmpty());
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->txtEmail->text(), Friend);
    }

    // While the server works the windows keep handling events with "Sending" on top, and the
    // dialog cannot be cancelled or closed under the send.
    void windowStaysAliveWhileSending()
    {
        SmtpTestServer server(SmtpTestServer::Slow);
        QVERIFY2(server.isReady(), qPrintable(server.error()));
        setMailAccount(server.url());
        TestAppFolder app;
        app.addBook(QStringLiteral("a.txt"), "book");
        frmMain window(app.path());
        dlgShare* dialog = openShare(window);
        QVERIFY(dialog);
        fill(dialog, Friend, QStringLiteral("Slow"), 0, QStringLiteral("Hi"));
        bool sawOverlay = false;
        bool stayedOpen = false;
        QTimer::singleShot(500, dialog, [&] {
            sawOverlay = dialog->txtSending->isVisible() && dialog->txtSending->pos() == QPoint() &&
                         !dialog->OKbutton->isEnabled();
            dialog->CancelButton_Click();
            dialog->close();
            stayedOpen = dialog->isVisible() && !dialog->isUnloaded();
        });
        QTest::mouseClick(dialog->OKbutton, Qt::LeftButton);
        QVERIFY(sawOverlay);
        QVERIFY(stayedOpen);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, SentText);
        QCOMPARE(server.messages().size(), 1);
    }
};

QUILLMERE_TEST_MAIN(TestShare)
#include "tst_share.moc"
