// The program as a desktop starts it: where the library lives, books opened from a file
// manager, one running program per library, and long names in the library tree.
#include "core/ApplicationFolder.h"
#include "core/LibraryImport.h"
#include "core/SingleInstance.h"
#include "mainwindow/DesktopStart.h"
#include "mainwindow/frmMain.h"
#include "support/FileBytes.h"
#include "support/MainWindowDriver.h"
#include "support/OtherUser.h"
#include "support/RawNames.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/LibraryTree.h"
#include "views/RichTextView.h"
#include "views/ScreenFit.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// An installed layout: PREFIX/bin (no books folder) and PREFIX/share/quillmere/appdata.
struct InstalledLayout
{
    QTemporaryDir prefix;
    QString bin() const { return prefix.path() + QStringLiteral("/bin"); }
    QString bundled() const { return ApplicationFolder::bundledFolder(bin()); }
    InstalledLayout()
    {
        QDir().mkpath(bin());
        writeFile(bundled() + "options.txt", "\"yes\",12,\"no\"\r\n");
        writeFile(bundled() + "blank.htm", "<html></html>");
        writeFile(bundled() + "books/manual.rtf", "{\\rtf1 Manual}");
        writeFile(bundled() + "books/Sample.txt", "A sample book.");
    }
};

// The built program, copied into a folder of its own with a books folder: that folder is then
// its application folder, as for a program built or unpacked there.
struct ProgramCopy
{
    QTemporaryDir folder;
    QString program() const { return folder.path() + QStringLiteral("/quillmere"); }
    QString books() const { return folder.path() + QStringLiteral("/books/"); }
    bool make()
    {
        const QString built = QStringLiteral(QUILLMERE_BINARY_DIR) + "/app/quillmere";
        QDir().mkpath(books());
        writeFile(folder.path() + "/options.txt", "\"no\",12,\"yes\"\r\n");
        return QFile::copy(built, program()) &&
               QFile::setPermissions(program(),
                                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

bool waitForFile(const QString& path, int ms)
{
    return QTest::qWaitFor([&] { return QFileInfo::exists(path); }, ms);
}

// QProcess encodes its arguments from text, which a name that is not UTF-8 does not survive:
// a shell's printf gives the program each argument's exact bytes.
void startWithBytes(QProcess& process, const QString& program, const QByteArrayList& arguments)
{
    QString script = QStringLiteral("exec \"$0\"");
    for (const QByteArray& argument : arguments) {
        QString octal;
        for (const char c : argument) {
            octal += QStringLiteral("\\%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
        }
        script += QStringLiteral(" \"$(printf '%1')\"").arg(octal);
    }
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, program});
}

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};
} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT
private slots:
    void init() { MessageBox::clearShown(); }

    void aBuiltProgramKeepsItsLibraryBesideIt()
    {
        TestAppFolder app;
        InstalledLayout installed; // present, and still not used
        QTemporaryDir user;
        const auto choice =
            ApplicationFolder::locate(app.path(), user.path() + "/Quillmere", installed.bundled());
        QCOMPARE(choice.folder, app.path());
        QVERIFY(!choice.perUser);
        QVERIFY(!QFileInfo::exists(user.path() + "/Quillmere"));
    }

    void anInstalledProgramKeepsItsLibraryInTheUsersFolder()
    {
        InstalledLayout installed;
        QTemporaryDir user;
        const QString home = user.path() + "/share/Quillmere/";

        // First start: every bundled file, books included, writable by the user.
        auto choice = ApplicationFolder::locate(installed.bin(), home, installed.bundled());
        QCOMPARE(choice.folder, home);
        QVERIFY(choice.perUser);
        QVERIFY2(choice.error.isEmpty(), qPrintable(choice.error));
        QCOMPARE(filesIn(home + "books"), QStringList({"Sample.txt", "manual.rtf"}));
        QCOMPARE(fileBytes(home + "options.txt"), QByteArray("\"yes\",12,\"no\"\r\n"));
        QVERIFY(QFileInfo(home + "options.txt").isWritable());

        // The user changes things; a later start keeps them all, and a deleted sample book
        // does not come back, while a missing program file does.
        QVERIFY(writeFile(home + "options.txt", "\"no\",16,\"yes\"\r\n"));
        QVERIFY(writeFile(home + "books/manual.rtf", "{\\rtf1 Manual, marked}"));
        QVERIFY(writeFile(home + "books/Mine.txt", "my own"));
        QVERIFY(QFile::remove(home + "books/Sample.txt"));
        QVERIFY(QFile::remove(home + "blank.htm"));
        choice = ApplicationFolder::locate(installed.bin(), home, installed.bundled());
        QVERIFY2(choice.error.isEmpty(), qPrintable(choice.error));
        QCOMPARE(fileBytes(home + "options.txt"), QByteArray("\"no\",16,\"yes\"\r\n"));
        QCOMPARE(fileBytes(home + "books/manual.rtf"), QByteArray("{\\rtf1 Manual, marked}"));
        QCOMPARE(filesIn(home + "books"), QStringList({"Mine.txt", "manual.rtf"}));
        QCOMPARE(fileBytes(home + "blank.htm"), QByteArray("<html></html>"));

        // The main window runs on it: the first start opens the manual and records the start.
        frmMain window(choice.folder);
        QCOMPARE(window.state().BooksFolder, home + "books/");
        QCOMPARE(Driver::treeBooks(window), QStringList({"manual.rtf", "Mine.txt"}));
    }

    void aReadOnlyProgramFolderIsNotUsed()
    {
        // A copy of the program unpacked with its books into a folder the user may not write.
        if (::geteuid() == 0) {
            QSKIP("root may write any folder");
        }
        QTemporaryDir unpacked;
        QVERIFY(writeFile(unpacked.path() + "/books/Sample.txt", "A sample book."));
        QVERIFY(QFile::setPermissions(unpacked.path(), QFile::ReadOwner | QFile::ExeOwner));
        QTemporaryDir user;
        const auto choice = ApplicationFolder::locate(unpacked.path(), user.path() + "/Quillmere",
                                                      unpacked.path() + "/missing/");
        QFile::setPermissions(unpacked.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(choice.perUser);
        QCOMPARE(choice.folder, user.path() + "/Quillmere/");
        QVERIFY(QFileInfo(choice.folder + "books").isDir());
    }

    void aFolderThatCannotBeMadeIsReported()
    {
        InstalledLayout installed;
        QTemporaryDir user;
        // A file where the folder should be.
        QVERIFY(writeFile(user.path() + "/Quillmere", "in the way"));
        const auto choice = ApplicationFolder::locate(installed.bin(), user.path() + "/Quillmere",
                                                      installed.bundled());
        QVERIFY(choice.perUser);
        QVERIFY(!choice.error.isEmpty());
        QCOMPARE(fileBytes(user.path() + "/Quillmere"), QByteArray("in the way"));
    }

    void addingAFileNeverReplacesABook()
    {
        TestAppFolder app;
        QTemporaryDir outside;
        const QString emma = outside.path() + "/Emma.txt";
        QVERIFY(writeFile(emma, "Emma, by Jane Austen"));
        app.addBook("Emma.txt", "another Emma, with marks");

        QString name, error;
        QVERIFY2(LibraryImport::add(app.booksPath(), emma, &name, &error), qPrintable(error));
        QCOMPARE(name, QStringLiteral("Emma (2).txt"));
        QCOMPARE(app.readFile(app.booksPath() + "Emma.txt"),
                 QByteArray("another Emma, with marks"));
        QCOMPARE(app.readFile(app.booksPath() + name), QByteArray("Emma, by Jane Austen"));

        // The same file again is the copy already there, not a third one.
        QVERIFY(LibraryImport::add(app.booksPath(), emma, &name, &error));
        QCOMPARE(name, QStringLiteral("Emma (2).txt"));
        // A book of the library itself is opened where it is.
        QVERIFY(LibraryImport::add(app.booksPath(), app.booksPath() + "Emma.txt", &name, &error));
        QCOMPARE(name, QStringLiteral("Emma.txt"));
        // A hidden file gets a name the library shows; names without an extension count too.
        QVERIFY(writeFile(outside.path() + "/.notes", "hidden"));
        QVERIFY(LibraryImport::add(app.booksPath(), outside.path() + "/.notes", &name, &error));
        QCOMPARE(name, QStringLiteral("notes"));
        QVERIFY(writeFile(outside.path() + "/other/notes", "other notes"));
        QVERIFY(
            LibraryImport::add(app.booksPath(), outside.path() + "/other/notes", &name, &error));
        QCOMPARE(name, QStringLiteral("notes (2)"));
        // The dots of a title are no extension.
        app.addBook("St. Ives", "St. Ives, by Stevenson");
        QVERIFY(writeFile(outside.path() + "/St. Ives", "another St. Ives"));
        QVERIFY(LibraryImport::add(app.booksPath(), outside.path() + "/St. Ives", &name, &error));
        QCOMPARE(name, QStringLiteral("St. Ives (2)"));
        QCOMPARE(filesIn(app.booksPath()), QStringList({"Emma (2).txt", "Emma.txt", "St. Ives",
                                                        "St. Ives (2)", "notes", "notes (2)"}));
        // A book renamed in the library is still the same book: it is opened, not copied.
        QVERIFY(QFile::rename(app.booksPath() + "Emma (2).txt", app.booksPath() + "Austen.txt"));
        QVERIFY(LibraryImport::add(app.booksPath(), emma, &name, &error));
        QCOMPARE(name, QStringLiteral("Austen.txt"));
        // A file of the same size but other content is a new book.
        QVERIFY(writeFile(outside.path() + "/Emma.txt", "Emma, by Jane Austin"));
        QVERIFY(LibraryImport::add(app.booksPath(), emma, &name, &error));
        QCOMPARE(name, QStringLiteral("Emma (2).txt"));
    }

    void filesThatCannotBeAddedLeaveNothingBehind()
    {
        TestAppFolder app;
        QTemporaryDir outside;
        QString name, error;
        QVERIFY(
            !LibraryImport::add(app.booksPath(), outside.path() + "/missing.txt", &name, &error));
        QVERIFY(error.contains("missing.txt"));
        QVERIFY(!LibraryImport::add(app.booksPath(), outside.path(), &name, &error));
        QVERIFY(error.contains("folder"));
        QVERIFY(filesIn(app.booksPath()).isEmpty());

        // A library folder that cannot take the copy (a file stands in its place).
        QVERIFY(writeFile(outside.path() + "/book.txt", "text"));
        QVERIFY(writeFile(outside.path() + "/lib", "not a folder"));
        QVERIFY(!LibraryImport::add(outside.path() + "/lib/books/", outside.path() + "/book.txt",
                                    &name, &error));
        QVERIFY(!error.isEmpty());
    }

    void theMainWindowOpensFilesFromTheDesktop()
    {
        TestAppFolder app;
        app.addBook("Alpha.txt", "alpha");
        QTemporaryDir outside;
        QVERIFY(writeFile(outside.path() + "/Walden.txt", "Walden, or Life in the Woods"));
        QVERIFY(writeFile(outside.path() + "/Second.txt", "second"));
        frmMain window(app.path());

        window.OpenFiles({outside.path() + "/Walden.txt", outside.path() + "/nothing.txt",
                          outside.path() + "/Second.txt"});
        // The first book that could be added is open, every one is in the tree, and the one
        // that could not be added is named in one message.
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("Walden.txt"));
        QCOMPARE(window.state().Kind, BookKind::PlainText);
        QCOMPARE(window.txtBook->text(), QStringLiteral("Walden, or Life in the Woods"));
        QCOMPARE(Driver::currentNode(window), QStringLiteral("Walden.txt"));
        QCOMPARE(Driver::treeBooks(window), QStringList({"Alpha.txt", "Second.txt", "Walden.txt"}));
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().first().text.contains("nothing.txt"));
    }

    void aSecondStartHandsItsFileToTheRunningProgram()
    {
        ProgramCopy copy;
        QVERIFY(copy.make());
        QTemporaryDir outside;
        QVERIFY(writeFile(outside.path() + "/Persuasion.txt", "Persuasion"));

        DesktopStart start({"quillmere"}, copy.folder.path());
        QVERIFY(!start.finished());
        QCOMPARE(start.applicationFolder(), copy.folder.path() + "/");
        frmMain window(start.applicationFolder());
        start.attach(window);

        QProcess second;
        second.setWorkingDirectory(outside.path());
        second.start(copy.program(), {"Persuasion.txt"}); // relative to its own folder
        QVERIFY(second.waitForStarted());
        // The running program's events must run while the second one waits for its answer.
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE(window.state().CurrentBookName, QStringLiteral("Persuasion.txt"));
        QCOMPARE(window.txtBook->text(), QStringLiteral("Persuasion"));
        QCOMPARE(fileBytes(copy.books() + "Persuasion.txt"), QByteArray("Persuasion"));
    }

    void aFirstStartOpensItsFileAndServesTheNext()
    {
        ProgramCopy copy;
        QVERIFY(copy.make());
        QTemporaryDir outside;
        QVERIFY(writeFile(outside.path() + "/Walden.txt", "Walden"));

        QProcess first;
        first.start(copy.program(), {outside.path() + "/Walden.txt"});
        QVERIFY(first.waitForStarted());
        QVERIFY(waitForFile(copy.books() + "Walden.txt", 30000));
        QCOMPARE(first.state(), QProcess::Running);

        // A bare second start finds the first one and ends at once; a second file reaches
        // the first program's library.
        QVERIFY(writeFile(outside.path() + "/Emma.txt", "Emma"));
        QProcess second;
        second.start(copy.program(),
                     {QUrl::fromLocalFile(outside.path() + "/Emma.txt").toString()});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(waitForFile(copy.books() + "Emma.txt", 10000));
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    void twoStartsAtTheSameMomentOpenOneWindow()
    {
        ProgramCopy copy;
        QVERIFY(copy.make());
        QTemporaryDir outside;
        // Each round ends the serving program hard, so the next round also meets the lock and
        // the socket it left behind.
        for (int round = 1; round <= 3; ++round) {
            const QString a = QStringLiteral("A%1.txt").arg(round);
            const QString b = QStringLiteral("B%1.txt").arg(round);
            QVERIFY(writeFile(outside.path() + '/' + a, a.toUtf8()));
            QVERIFY(writeFile(outside.path() + '/' + b, b.toUtf8()));
            QProcess first;
            QProcess second;
            first.start(copy.program(), {outside.path() + '/' + a});
            second.start(copy.program(), {outside.path() + '/' + b});
            QVERIFY(first.waitForStarted() && second.waitForStarted());

            // One start hands its book to the other and ends; the other serves both books.
            QTRY_VERIFY_WITH_TIMEOUT(first.state() == QProcess::NotRunning ||
                                         second.state() == QProcess::NotRunning,
                                     30000);
            QVERIFY(waitForFile(copy.books() + a, 20000));
            QVERIFY(waitForFile(copy.books() + b, 20000));
            QProcess& ended = first.state() == QProcess::NotRunning ? first : second;
            QProcess& serving = &ended == &first ? second : first;
            QCOMPARE(ended.exitStatus(), QProcess::NormalExit);
            QCOMPARE(ended.exitCode(), 0);
            QCOMPARE(serving.state(), QProcess::Running);
            serving.kill();
            QVERIFY(serving.waitForFinished(10000));
        }
    }

    void aLibraryWhoseProgramDoesNotAnswerIsNotOpenedAgain()
    {
        TestAppFolder app;
        // A program holds the library but is too busy to take the files.
        QLockFile held(SingleInstance(app.path()).lockName());
        QVERIFY(held.tryLock());
        SingleInstance later(app.path());
        QString error;
        QCOMPARE(later.start({"/books/Emma.txt"}, &error, 300), SingleInstance::Outcome::Busy);
        QVERIFY(!error.isEmpty());
        // Once it has ended, the next start serves the library.
        held.unlock();
        QCOMPARE(later.start({"/books/Emma.txt"}, &error, 5000), SingleInstance::Outcome::Serving);
        QVERIFY(QFileInfo(later.serverName()).exists());
    }

    void theSocketAndLockLiveInAFolderOfThisUsersAlone_data()
    {
        QTest::addColumn<QString>("runtimeMode"); // "" when XDG_RUNTIME_DIR is not set
        QTest::addColumn<QString>("fallback");    // what stands at TMPDIR/quillmere-UID first
        QTest::addColumn<QString>("expected");    // "runtime", "fallback" or "" (refused)
        QTest::newRow("the session's folder") << "0700"
                                              << ""
                                              << "runtime";
        QTest::newRow("no session folder") << ""
                                           << ""
                                           << "fallback";
        QTest::newRow("a session folder open to others") << "0755"
                                                         << ""
                                                         << "fallback";
        QTest::newRow("our earlier folder") << ""
                                            << "0700"
                                            << "fallback";
        QTest::newRow("a folder open to others") << ""
                                                 << "0777"
                                                 << "";
        QTest::newRow("a link to a private folder") << ""
                                                    << "link"
                                                    << "";
        QTest::newRow("another user's folder") << ""
                                               << "other"
                                               << "";
    }

    void theSocketAndLockLiveInAFolderOfThisUsersAlone()
    {
        QFETCH(QString, runtimeMode);
        QFETCH(QString, fallback);
        QFETCH(QString, expected);
        QTemporaryDir runtime;
        QTemporaryDir temp;
        const QString ours =
            temp.path() + QStringLiteral("/quillmere-%1").arg(qulonglong(::geteuid()));
        if (!runtimeMode.isEmpty()) {
            QCOMPARE(::chmod(QFile::encodeName(runtime.path()), runtimeMode.toUInt(nullptr, 8)), 0);
        }
        if (fallback == "link") {
            QVERIFY(QFile::link(runtime.path(), ours));
        } else if (!fallback.isEmpty()) {
            QVERIFY(QDir().mkdir(ours));
            if (fallback == "other") {
                REQUIRE_OTHER_USER();
                QCOMPARE(::chown(QFile::encodeName(ours), OtherUser::uid(), gid_t(-1)), 0);
            } else {
                QCOMPARE(::chmod(QFile::encodeName(ours), fallback.toUInt(nullptr, 8)), 0);
            }
        }
        ScopedVariable tmp("TMPDIR", QFile::encodeName(temp.path()));
        ScopedVariable session("XDG_RUNTIME_DIR", runtimeMode.isEmpty()
                                                      ? QByteArray()
                                                      : QFile::encodeName(runtime.path()));
        QString error;
        const QString folder = SingleInstance::privateFolder(&error);
        const QString wanted = expected == "runtime"    ? runtime.path()
                               : expected == "fallback" ? ours
                                                        : QString();
        QCOMPARE(folder, wanted);
        QCOMPARE(error.isEmpty(), !wanted.isEmpty());
        if (!wanted.isEmpty()) {
            QFileInfo made(wanted);
            QCOMPARE(made.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                           QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup),
                     QFile::Permissions());
            SingleInstance instance(QDir::tempPath());
            QVERIFY(instance.serverName().startsWith(wanted + '/'));
            QVERIFY(instance.lockName().startsWith(wanted + '/'));
        } else {
            // Without a folder of its own the program neither hands over nor serves.
            SingleInstance instance(QDir::tempPath());
            QCOMPARE(instance.start({"/book.txt"}, &error, 1000), SingleInstance::Outcome::Alone);
            QVERIFY(!error.isEmpty());
        }
    }

    void aListenerOfAnotherUserGetsNothing()
    {
        REQUIRE_OTHER_USER();
        ProgramCopy copy;
        QVERIFY(copy.make());
        QTemporaryDir runtime;
        ScopedVariable session("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        // Another user took the socket's name first and answers as the program would.
        const QString socket = SingleInstance(copy.folder.path()).serverName();
        QVERIFY(socket.startsWith(runtime.path()));
        OtherUser squatter;
        QVERIFY(squatter.listenAt(QFile::encodeName(socket), "opened\n"));
        QTRY_VERIFY(QFileInfo::exists(socket));

        QTemporaryDir outside;
        QVERIFY(writeFile(outside.path() + "/Private.txt", "private"));
        QProcess first;
        first.start(copy.program(), {outside.path() + "/Private.txt"});
        QVERIFY(first.waitForStarted());
        // The start is not fooled: it opens its own window on its library and serves it.
        QVERIFY(waitForFile(copy.books() + "Private.txt", 30000));
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(writeFile(outside.path() + "/Later.txt", "later"));
        QProcess later;
        later.start(copy.program(), {outside.path() + "/Later.txt"});
        QVERIFY(later.waitForFinished(30000));
        QCOMPARE(later.exitCode(), 0);
        QVERIFY(waitForFile(copy.books() + "Later.txt", 10000));
        QVERIFY(!squatter.finished());
        QCOMPARE(squatter.report(), QByteArray());
        first.kill();
        QVERIFY(first.waitForFinished(10000));
    }

    void aClientOfAnotherUserIsRefused()
    {
        REQUIRE_OTHER_USER();
        TestAppFolder app;
        QTemporaryDir runtime;
        ScopedVariable session("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        SingleInstance instance(app.path());
        QSignalSpy received(&instance, &SingleInstance::filesReceived);
        QString error;
        QCOMPARE(instance.start({}, &error, 5000), SingleInstance::Outcome::Serving);
        // A careless system lets others reach the socket; the program itself still refuses.
        const QByteArray socket = QFile::encodeName(instance.serverName());
        QCOMPARE(::chmod(QFile::encodeName(runtime.path()), 0711), 0);
        QCOMPARE(::chmod(socket.constData(), 0777), 0);
        OtherUser intruder;
        QVERIFY(intruder.connectTo(socket, QByteArray("/etc/shadow\0\0", 13)));
        QTRY_VERIFY_WITH_TIMEOUT(intruder.finished(), 20000);
        QCOMPARE(intruder.exitCode(), 0); // it reached the socket
        QCOMPARE(intruder.report(), QByteArray());
        QCoreApplication::processEvents();
        QCOMPARE(received.count(), 0);
    }

    void namesThatAreNotUtf8ReachTheLibraryWhole()
    {
        TestAppFolder app;
        QTemporaryDir outside;
        const QByteArray folder = QFile::encodeName(outside.path()) + '/';
        const QByteArray books = QFile::encodeName(app.booksPath());
        NotUtf8Names cleanup{{folder, books}};
        // Two names that look alike once shown: each opens its own book.
        QVERIFY(writeRawFile(folder + "Caf\xe9.txt", "Latin-1 name"));
        QVERIFY(writeRawFile(folder + "Caf\xe8.txt", "another Latin-1 name"));
        frmMain window(app.path());
        window.OpenFiles(QByteArrayList{folder + "Caf\xe9.txt"});
        window.OpenFiles(QByteArrayList{folder + "Caf\xe8.txt"});
        QCOMPARE(MessageBox::shown().size(), 0);
        QCOMPARE(window.txtBook->text(), QStringLiteral("another Latin-1 name"));
        QCOMPARE(window.state().CurrentBookName, QString::fromUtf8("Caf\xe8.txt"));
        QCOMPARE(readRawFile(books + "Caf\xe9.txt"), QByteArray("Latin-1 name"));
        QCOMPARE(readRawFile(books + "Caf\xe8.txt"), QByteArray("another Latin-1 name"));
        // The same file again is the book already there; a taken name gets a number.
        window.OpenFiles(QByteArrayList{folder + "Caf\xe9.txt"});
        QCOMPARE(window.txtBook->text(), QStringLiteral("Latin-1 name"));
        QVERIFY(writeRawFile(folder + "Caf\xe9.txt", "changed"));
        window.OpenFiles(QByteArrayList{folder + "Caf\xe9.txt"});
        QCOMPARE(readRawFile(books + "Caf\xe9 (2).txt"), QByteArray("changed"));
        QCOMPARE(window.txtBook->text(), QStringLiteral("changed"));
    }

    void theCommandLineAndTheHandOverKeepANamesBytes()
    {
        ProgramCopy copy;
        QVERIFY(copy.make());
        QTemporaryDir outside;
        const QByteArray folder = QFile::encodeName(outside.path()) + '/';
        QVERIFY(writeRawFile(folder + "Caf\xe9.txt", "first"));
        QVERIFY(writeRawFile(folder + "Na\xef"
                                      "ve.txt",
                             "second"));
        QVERIFY(writeRawFile(folder + "\xff odd.txt", "third"));
        const QByteArray books = QFile::encodeName(copy.books());
        NotUtf8Names cleanup{{folder, books}};

        QProcess first;
        first.setWorkingDirectory(outside.path());
        startWithBytes(first, copy.program(), {"Caf\xe9.txt"}); // relative to its folder
        QVERIFY(first.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(readRawFile(books + "Caf\xe9.txt"), QByteArray("first"), 30000);

        // A later start hands a file address and a path over, byte for byte.
        QProcess second;
        startWithBytes(second, copy.program(),
                       {"file://" + (folder + "Na\xef"
                                              "ve.txt")
                                        .toPercentEncoding("/"),
                        folder + "\xff odd.txt"});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(readRawFile(books + "Na\xef"
                                                      "ve.txt"),
                                  QByteArray("second"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(readRawFile(books + "\xff odd.txt"), QByteArray("third"), 10000);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        QVERIFY(first.waitForFinished(10000));
    }

    void framesAreFittedIntoTheScreen_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("fitted");
        const QRect screen(0, 30, 1280, 770); // a panel above
        QTest::newRow("inside") << QRect(100, 100, 800, 600) << screen << QRect(100, 100, 800, 600);
        QTest::newRow("the screen's size plus a title bar")
            << QRect(0, 30, 1282, 796) << screen << QRect(0, 30, 1280, 770);
        QTest::newRow("title bar above the screen")
            << QRect(0, -20, 1282, 796) << screen << QRect(0, 30, 1280, 770);
        QTest::newRow("off to the left and below")
            << QRect(-300, 600, 800, 400) << screen << QRect(0, 400, 800, 400);
        QTest::newRow("a second screen to the right")
            << QRect(1200, 0, 900, 700) << QRect(1280, 0, 1920, 1080) << QRect(1280, 0, 900, 700);
    }

    void framesAreFittedIntoTheScreen()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, available);
        QFETCH(QRect, fitted);
        QCOMPARE(ScreenFit::fitted(frame, available), fitted);
    }

    void aRestoredMainWindowKeepsItsTitleBarOnTheScreen()
    {
        TestAppFolder app;
        frmMain window(app.path());
        ScreenFit::showMaximized(&window);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(window.isMaximized());
        const QRect available = window.screen()->availableGeometry();
        // The frame this platform draws makes the window larger than the screen's size.
        QVERIFY(window.frameGeometry() != window.geometry());

        window.showNormal();
        QTRY_VERIFY(!window.isMaximized());
        QTRY_VERIFY2(available.contains(window.frameGeometry()),
                     qPrintable(QStringLiteral("%1 outside %2")
                                    .arg(QDebug::toString(window.frameGeometry()),
                                         QDebug::toString(available))));
        // Dragged up off the screen, then maximized and restored: back on the screen.
        window.move(available.left() - 40, available.top() - 60);
        window.showMaximized();
        QTRY_VERIFY(window.isMaximized());
        window.showNormal();
        QTRY_VERIFY(available.contains(window.frameGeometry()));
        QVERIFY(window.frameGeometry().top() >= available.top());
    }

    void helpAndVersionNeedNoDisplay()
    {
        // A terminal without a display: reaching the window system would fail.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const QString program = QStringLiteral(QUILLMERE_BINARY_DIR) + "/app/quillmere";
        struct Case
        {
            QStringList arguments;
            int exitCode;
            QByteArray output;
        };
        const Case cases[] = {{{"--version"}, 0, "Quillmere 1.0.0"},
                              {{"--help"}, 0, "[FILE...]"},
                              {{"--no-such-option", "book.txt"}, 2, ""}};
        for (const Case& c : cases) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(program, c.arguments);
            QVERIFY(process.waitForFinished(20000));
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), c.exitCode);
            QVERIFY(process.readAllStandardOutput().contains(c.output));
        }
    }

    void theTreeElidesLongNamesInTheMiddle()
    {
        TestAppFolder app;
        const QString first = QStringLiteral("The Harbour Almanac of the Northern Shore (1).rtf");
        const QString second = QStringLiteral("The Harbour Almanac of the Northern Shore (2).rtf");
        app.addBook(first, "{\\rtf1 One}");
        app.addBook(second, "{\\rtf1 Two}");
        frmMain window(app.path());
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Both names lose their middles alike and keep the ends that tell them apart; each
        // is whole in its tooltip, and the tree never scrolls sideways.
        QStringList shown;
        for (const QString& name : {first, second}) {
            const QModelIndex item = Driver::node(window, name);
            QVERIFY(item.isValid());
            QCOMPARE(item.data(Qt::ToolTipRole).toString(), name);
            const QRect rect = window.TreeView1->visualRect(item);
            QVERIFY(rect.right() <= window.TreeView1->viewport()->width() + 1);
            shown << window.TreeView1->fontMetrics().elidedText(
                name, window.TreeView1->textElideMode(), rect.width() - 8);
        }
        QCOMPARE(window.TreeView1->horizontalScrollBar()->maximum(), 0);
        QVERIFY(shown.at(0) != first);
        QVERIFY2(shown.at(0).endsWith(QStringLiteral("1).rtf")), qPrintable(shown.at(0)));
        QVERIFY(shown.at(1).endsWith(QStringLiteral("2).rtf")));
        QVERIFY(shown.at(0).startsWith(QStringLiteral("The ")));
    }
};

QUILLMERE_TEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
