// Every file the program writes, on a disk that is full or fills up during the write: the old
// file stays byte for byte, nothing half written is left, and the user is told.
#include "core/ApplicationFolder.h"
#include "core/LibraryImport.h"
#include "formats/AtomicFile.h"
#include "formats/BookmarkFile.h"
#include "formats/OptionsFile.h"
#include "mainwindow/frmMain.h"
#include "support/FileBytes.h"
#include "support/FolderSnapshot.h"
#include "support/FullDisk.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/dialogs/frmOptions.h"
#include "ui/skin/SkinButton.h"
#include "views/RichTextView.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {
const QString WinterWalk = QStringLiteral("A Winter Walk.rtf");
const QString LanternKeeper = QStringLiteral("The Lantern Keeper.txt");
const QByteArray OldBookmarks = "\"A Winter Walk.rtf\",120\r\n";
const QByteArray OldOptions = "\"no\",12,\"yes\"\r\n";

QString noSpace()
{
    return QString::fromLocal8Bit(std::strerror(ENOSPC));
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// Bytes no two runs of a test share, so a copy cut short never equals the whole.
QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        bytes[i] = char('a' + (i * 7 + i / 26) % 26);
    }
    return bytes;
}

// The names of the files in a folder, hidden ones included.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

enum class Writer
{
    Book,
    Bookmark,
    Options
};

enum class UserAction
{
    BookmarkInRtfBook,
    RedPenThenAnotherBook,
    RedPenThenExit,
    RedPenThenCloseButton,
    ConvertPlainTextBook,
    BookmarkInPlainTextBook,
    FontSizeOption,
    ImportFromDesktop
};
} // namespace

class TestFullDisk : public QObject
{
    Q_OBJECT
private slots:
    void init() { MessageBox::setTestMode(true); }

    void writersKeepTheOldFileWhenTheDiskFills_data()
    {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("roomLeft");
        // A small file fits Qt's write buffer whole: the case that once emptied books.
        QTest::newRow("small book, no room") << Writer::Book << 3000 << 0;
        QTest::newRow("large book, some room") << Writer::Book << 200 * 1024 << 16 * 1024;
        QTest::newRow("bookmark record") << Writer::Bookmark << 0 << 0;
        QTest::newRow("options") << Writer::Options << 0 << 0;
    }

    void writersKeepTheOldFileWhenTheDiskFills()
    {
        QFETCH(Writer, writer);
        QFETCH(int, size);
        QFETCH(int, roomLeft);
        FullDisk disk;
        REQUIRE_FULL_DISK(disk);
        const QString folder = disk.path() + QStringLiteral("/files");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/target");
        const QByteArray old = writer == Writer::Bookmark  ? OldBookmarks
                               : writer == Writer::Options ? OldOptions
                                                           : pattern(1500);
        QVERIFY(writeAll(path, old));
        const auto write = [&](QString* error) {
            switch (writer) {
            case Writer::Book:
                return writeFileAtomically(path, pattern(size), error);
            case Writer::Bookmark:
                return BookmarkFile::append(path, WinterWalk, 2000, error);
            case Writer::Options:
                return OptionsFile::write(path, 18, OptionsFile::Flag(true), error);
            }
            return false;
        };

        QVERIFY(disk.fill(roomLeft));
        QString error;
        QVERIFY(!write(&error));
        QVERIFY2(error.contains(noSpace()), qPrintable(error));
        QCOMPARE(fileBytes(path), old);
        QCOMPARE(entries(folder), QStringList{QStringLiteral("target")});

        // With room again the same write goes through: it was the disk that failed.
        disk.drain();
        QVERIFY2(write(&error), qPrintable(error));
        QVERIFY(fileBytes(path) != old);
        QCOMPARE(entries(folder), QStringList{QStringLiteral("target")});
    }

    void writtenFilesGetThePermissionsAsked()
    {
        QTemporaryDir dir;
        const QString secret = dir.filePath(QStringLiteral("secret"));
        QVERIFY(writeAll(secret, "old"));
        QVERIFY(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ReadGroup | QFile::ReadOther));
        const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        QVERIFY(writeFileAtomically(secret, "password", ownerOnly));
        QCOMPARE(QFileInfo(secret).permissions() &
                     ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser),
                 ownerOnly);
        QCOMPARE(fileBytes(secret), QByteArray("password"));
        const QString fresh = dir.filePath(QStringLiteral("fresh"));
        QVERIFY(writeFileAtomically(fresh, "password", ownerOnly));
        QCOMPARE(QFileInfo(fresh).permissions() &
                     ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser),
                 ownerOnly);
    }

    void importsOntoAFullDiskLeaveNoBookBehind_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("roomLeft");
        QTest::newRow("small, no room") << 3000 << 0;
        QTest::newRow("large, some room") << 300 * 1024 << 64 * 1024;
    }

    void importsOntoAFullDiskLeaveNoBookBehind()
    {
        QFETCH(int, size);
        QFETCH(int, roomLeft);
        FullDisk disk;
        REQUIRE_FULL_DISK(disk);
        QTemporaryDir outside;
        const QString source = outside.filePath(QStringLiteral("Walden.txt"));
        QVERIFY(writeAll(source, pattern(size)));
        const QString books = disk.path() + QStringLiteral("/books/");
        QVERIFY(QDir().mkpath(books));
        QVERIFY(writeAll(books + QStringLiteral("Emma.txt"), "Emma"));

        QVERIFY(disk.fill(roomLeft));
        QString name;
        QString error;
        QVERIFY(!LibraryImport::add(books, source, &name, &error));
        QVERIFY2(error.contains(noSpace()), qPrintable(error));
        QCOMPARE(entries(books), QStringList{QStringLiteral("Emma.txt")});

        disk.drain();
        QVERIFY2(LibraryImport::add(books, source, &name, &error), qPrintable(error));
        QCOMPARE(fileBytes(books + name), pattern(size));
    }

    void seedingOntoAFullDiskLeavesNoCutFile()
    {
        FullDisk disk;
        REQUIRE_FULL_DISK(disk);
        QTemporaryDir bundled;
        QVERIFY(QDir().mkpath(bundled.filePath(QStringLiteral("books"))));
        QVERIFY(writeAll(bundled.filePath(QStringLiteral("options.txt")), OldOptions));
        QVERIFY(writeAll(bundled.filePath(QStringLiteral("books/small.txt")), pattern(3000)));
        QVERIFY(writeAll(bundled.filePath(QStringLiteral("books/large.rtf")), pattern(96 * 1024)));
        const QString target = disk.path() + QStringLiteral("/user");

        QVERIFY(disk.fill(32 * 1024));
        QString error;
        QVERIFY(!ApplicationFolder::seed(bundled.path(), target, &error));
        QVERIFY2(error.contains(noSpace()), qPrintable(error));
        // What was copied is whole; what could not be is missing, never cut short.
        const auto copied = folderSnapshot(target);
        const auto shipped = folderSnapshot(bundled.path());
        QVERIFY(!copied.contains(QStringLiteral("books/large.rtf")));
        for (auto it = copied.begin(); it != copied.end(); ++it) {
            QCOMPARE(it.value(), shipped.value(it.key()));
        }

        // A later start with room completes the folder.
        disk.drain();
        QVERIFY2(ApplicationFolder::seed(bundled.path(), target, &error), qPrintable(error));
        QCOMPARE(folderSnapshot(target), shipped);
    }

    // A long-used bookmark file needs more room than the book: the book takes its picture,
    // and the user learns that the place itself was not recorded.
    void aBookmarkWhoseRecordDoesNotFitSaysSo()
    {
        FullDisk disk;
        REQUIRE_FULL_DISK(disk);
        TestAppFolder app(disk.path(), OldOptions);
        const QString shipped = QStringLiteral(QUILLMERE_APPDATA) + QStringLiteral("/books/");
        QVERIFY(QFile::copy(shipped + WinterWalk, app.booksPath() + WinterWalk));
        QByteArray records;
        while (records.size() < 64 * 1024) {
            records += "\"Some other book.txt\"," + QByteArray::number(records.size()) + "\r\n";
        }
        QVERIFY(writeAll(app.bookmarkPath(), records));
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, WinterWalk));
        MessageBox::clearShown();

        QVERIFY(disk.fill(16 * 1024));
        window.txtBook->setSelStart(200);
        window.SetBookmark();
        QVERIFY(fileBytes(app.booksPath() + WinterWalk) != fileBytes(shipped + WinterWalk));
        QCOMPARE(fileBytes(app.bookmarkPath()), records);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.contains(
            QStringLiteral("its bookmark could not be recorded")));
        QVERIFY(MessageBox::shown()[0].text.contains(noSpace()));
    }

    // The user's own steps in the program, over an application folder on a full disk.
    void theUserIsToldAndNothingIsLost_data()
    {
        QTest::addColumn<UserAction>("action");
        QTest::newRow("bookmark in an rtf book") << UserAction::BookmarkInRtfBook;
        QTest::newRow("red pen, then another book") << UserAction::RedPenThenAnotherBook;
        QTest::newRow("red pen, then exit") << UserAction::RedPenThenExit;
        QTest::newRow("red pen, then the close button") << UserAction::RedPenThenCloseButton;
        QTest::newRow("plain-text book converted") << UserAction::ConvertPlainTextBook;
        QTest::newRow("bookmark in a plain-text book") << UserAction::BookmarkInPlainTextBook;
        QTest::newRow("font size option") << UserAction::FontSizeOption;
        QTest::newRow("book opened from the desktop") << UserAction::ImportFromDesktop;
    }

    void theUserIsToldAndNothingIsLost()
    {
        QFETCH(UserAction, action);
        FullDisk disk;
        REQUIRE_FULL_DISK(disk);
        TestAppFolder app(disk.path(), OldOptions);
        const QString shipped = QStringLiteral(QUILLMERE_APPDATA) + QStringLiteral("/books/");
        for (const QString& name : {WinterWalk, LanternKeeper}) {
            QVERIFY(QFile::copy(shipped + name, app.booksPath() + name));
        }
        QVERIFY(writeAll(app.bookmarkPath(), OldBookmarks));
        QTemporaryDir outside;
        const QString walden = outside.filePath(QStringLiteral("Walden.txt"));
        QVERIFY(writeAll(walden, pattern(3000)));

        frmMain window(app.path());
        window.show();
        const bool plainText = action == UserAction::ConvertPlainTextBook ||
                               action == UserAction::BookmarkInPlainTextBook ||
                               action == UserAction::FontSizeOption;
        const QString book = plainText ? LanternKeeper : WinterWalk;
        QVERIFY(Driver::clickNode(window, book));
        QVERIFY(window.state().Kind == (plainText ? BookKind::PlainText : BookKind::Rtf));
        const auto before = folderSnapshot(app.path());
        MessageBox::clearShown();

        QVERIFY(disk.fill());
        window.txtBook->setSelStart(200);
        window.txtBook->setSelLength(30);
        switch (action) {
        case UserAction::BookmarkInRtfBook:
        case UserAction::BookmarkInPlainTextBook:
            window.SetBookmark();
            break;
        case UserAction::RedPenThenAnotherBook:
            window.HighlightIt();
            QVERIFY(Driver::clickNode(window, LanternKeeper));
            // The marked book stays open rather than losing its marks.
            QCOMPARE(window.state().CurrentBookName, WinterWalk);
            QCOMPARE(window.state().Kind, BookKind::Rtf);
            break;
        case UserAction::RedPenThenExit:
            window.HighlightIt();
            window.Exit();
            QVERIFY(!window.hasEnded());
            break;
        case UserAction::RedPenThenCloseButton:
            window.HighlightIt();
            QVERIFY(!window.close());
            QVERIFY(window.isVisible());
            break;
        case UserAction::ConvertPlainTextBook:
            window.HighlightIt(); // the format question is answered OK
            QCOMPARE(window.state().Kind, BookKind::PlainText);
            QCOMPARE(window.state().CurrentBookName, LanternKeeper);
            break;
        case UserAction::FontSizeOption: {
            window.ShowOptions();
            auto* dialog = Driver::topLevel<frmOptions>();
            QVERIFY(dialog);
            dialog->cboFontSizes->setEditText(QStringLiteral("18"));
            dialog->btnOK->click();
            break;
        }
        case UserAction::ImportFromDesktop:
            window.OpenFiles({walden});
            QVERIFY(Driver::anyMessageContains(QStringLiteral("Not added to the library")));
            QCOMPARE(window.state().CurrentBookName, WinterWalk);
            break;
        }

        QCOMPARE(folderSnapshot(app.path()), before);
        QVERIFY2(Driver::anyMessageContains(noSpace()),
                 qPrintable(MessageBox::shown().isEmpty() ? QStringLiteral("no message")
                                                          : MessageBox::shown().last().text));
        QVERIFY(!Driver::anyMessageContains(QStringLiteral("Bookmark set")));
        const bool marked =
            action != UserAction::FontSizeOption && action != UserAction::ImportFromDesktop;
        QCOMPARE(window.state().ChangesPending, marked);

        // Once there is room, what the user did is saved after all.
        disk.drain();
        MessageBox::clearShown();
        if (marked) {
            window.Exit();
            QVERIFY(window.hasEnded());
            QVERIFY(!QFileInfo::exists(app.booksPath() + book) ||
                    fileBytes(app.booksPath() + book) != fileBytes(shipped + book));
        }
    }
};

QUILLMERE_TEST_MAIN(TestFullDisk)
#include "tst_full_disk.moc"
