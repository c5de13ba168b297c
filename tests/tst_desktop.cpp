// The program as a desktop starts it: where the library lives, books opened from a file
// manager, one running program per library, and long names in the library tree.
#include "core/ApplicationFolder.h"
#include "core/LibraryImport.h"
#include "mainwindow/DesktopStart.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/RichTextView.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <unistd.h>

namespace {
bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    for (int waited = 0; waited < ms; waited += 50) {
        if (QFileInfo::exists(path)) {
            return true;
        }
        QTest::qWait(50);
    }
    return QFileInfo::exists(path);
}
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
        QCOMPARE(readFile(home + "options.txt"), QByteArray("\"yes\",12,\"no\"\r\n"));
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
        QCOMPARE(readFile(home + "options.txt"), QByteArray("\"no\",16,\"yes\"\r\n"));
        QCOMPARE(readFile(home + "books/manual.rtf"), QByteArray("{\\rtf1 Manual, marked}"));
        QCOMPARE(filesIn(home + "books"), QStringList({"Mine.txt", "manual.rtf"}));
        QCOMPARE(readFile(home + "blank.htm"), QByteArray("<html></html>"));

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
        QCOMPARE(readFile(user.path() + "/Quillmere"), QByteArray("in the way"));
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
        QCOMPARE(filesIn(app.booksPath()),
                 QStringList({"Emma (2).txt", "Emma.txt", "notes", "notes (2)"}));
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
        QCOMPARE(window.TreeView1->currentItem()->text(0), QStringLiteral("Walden.txt"));
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
        QCOMPARE(readFile(copy.books() + "Persuasion.txt"), QByteArray("Persuasion"));
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

    void theTreeShowsLongNamesWhole()
    {
        TestAppFolder app;
        const QString longName = QStringLiteral("The Life and Strange Surprizing Adventures of "
                                                "Robinson Crusoe, of York, Mariner.txt");
        app.addBook(longName, "Crusoe");
        app.addBook("Emma.txt", "Emma");
        frmMain window(app.path());
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTreeWidgetItem* item = Driver::node(window, longName);
        QVERIFY(item);
        QCOMPARE(item->toolTip(0), longName);
        QScrollBar* bar = window.TreeView1->horizontalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QVERIFY(window.TreeView1->columnWidth(0) >
                window.TreeView1->fontMetrics().horizontalAdvance(longName));
        // Scrolled to its end, the name's end is in sight.
        bar->setValue(bar->maximum());
        const QRect rect = window.TreeView1->visualItemRect(item);
        QVERIFY(rect.right() <= window.TreeView1->viewport()->width() + 1);

        // A library of short names needs no scroll bar.
        QVERIFY(QFile::remove(app.booksPath() + longName));
        window.SetNodesList();
        QTRY_COMPARE(bar->maximum(), 0);
    }
};

QUILLMERE_TEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
