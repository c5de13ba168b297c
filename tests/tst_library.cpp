// The library as data: what it lists, how it follows the folder (checked through the tree's
// model), the free-name rule, finding books and their fingerprints.
#include "core/Library.h"
#include "core/LibraryModel.h"
#include "support/RawNames.h"
#include "support/TestMain.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {
bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QStringList namesOf(const Library& library)
{
    QStringList names;
    for (const LibraryBook& book : library.books()) {
        names << book.name;
    }
    return names;
}

// The book names the model shows under its root.
QStringList modelNames(const LibraryModel& model)
{
    QStringList names;
    const QModelIndex root = model.index(0, 0);
    for (int i = 0; i < model.rowCount(root); ++i) {
        names << model.index(i, 0, root).data().toString();
    }
    return names;
}
} // namespace

class TestLibrary : public QObject
{
    Q_OBJECT
private slots:
    void listsTheRegularFilesOfTheFolder()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        for (const char* name : {"zebra.txt", "Emma.rtf", "emma.txt", "Beowulf.htm", "b.pdf",
                                 "c.doc", "d.epub", ".hidden", ".import-1.part"}) {
            QVERIFY(writeFile(folder + QLatin1String(name), "x"));
        }
        QVERIFY(QDir(folder).mkpath(QStringLiteral("folder/inner.txt")));
        QVERIFY(QFile::link(folder + "zebra.txt", folder + "link to zebra.txt"));
        QVERIFY(QFile::link(folder + "missing.txt", folder + "dangling.txt"));
        QVERIFY(writeRawFile(QFile::encodeName(folder) + "caf\xe9.txt", "latin-1 name"));

        Library library(dir.path());
        QCOMPARE(library.count(), 0);
        library.refresh();
        QCOMPARE(namesOf(library),
                 QStringList({"b.pdf", "Beowulf.htm", "c.doc", QStringLiteral("caf\uFFFD.txt"),
                              "d.epub", "Emma.rtf", "emma.txt", "link to zebra.txt", "zebra.txt"}));
        const LibraryBook& emma = library.at(library.find("Emma.rtf"));
        QCOMPARE(emma.path, folder + "Emma.rtf");
        QVERIFY(emma.nameIsExact());
        QCOMPARE(emma.kind, BookKind::Rtf);
        QCOMPARE(library.at(library.find("d.epub")).kind, BookKind::Epub);
        // A name that is not UTF-8 keeps its bytes and is reached through its own path.
        const int odd = library.findRaw("caf\xe9.txt");
        QVERIFY(odd >= 0);
        QVERIFY(!library.at(odd).nameIsExact());
        QFile oddFile(library.at(odd).path);
        QVERIFY(oddFile.open(QIODevice::ReadOnly));
        QCOMPARE(oddFile.readAll(), QByteArray("latin-1 name"));
        QCOMPARE(library.find(QStringLiteral("nothing.txt")), -1);
        QCOMPARE(library.findRaw("nothing.txt"), -1);

        // The folder gone: no books, and no complaint.
        NotUtf8Names{{QFile::encodeName(folder)}};
        QVERIFY(dir.remove());
        library.refresh();
        QCOMPARE(library.count(), 0);
    }

    // The model stays consistent (the tester fails the test otherwise) and shows the folder
    // after each refresh, whatever came and went.
    void theModelFollowsTheFolder()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        Library library(folder);
        LibraryModel model(library);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(&library, &Library::changed);

        const auto apply = [&](const QStringList& add, const QStringList& remove) {
            for (const QString& name : add) {
                QVERIFY(writeFile(folder + name, name.toUtf8()));
            }
            for (const QString& name : remove) {
                QVERIFY(QFile::remove(folder + name));
            }
            library.refresh();
        };
        const auto expected = [&] {
            return QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
        };

        QCOMPARE(modelNames(model), QStringList());
        apply({"m.txt", "d.txt", "t.txt"}, {});
        QCOMPARE(modelNames(model), expected());
        // Before, between and after the books there, at once.
        apply({"a.txt", "b.txt", "g.txt", "z.txt", "y.txt"}, {});
        QCOMPARE(modelNames(model), expected());
        // Runs of books gone, the first and the last among them, with new ones between.
        apply({"e.txt", "u.txt"}, {"a.txt", "b.txt", "m.txt", "y.txt", "z.txt"});
        QCOMPARE(modelNames(model), expected());
        QCOMPARE(changed.count(), 3);
        // Nothing changed: nothing is announced.
        library.refresh();
        QCOMPARE(changed.count(), 3);
        // The keys follow the places.
        const QModelIndex root = model.index(0, 0);
        QCOMPARE(root.data(LibraryModel::KeyRole).toString(), QStringLiteral("R"));
        QCOMPARE(model.index(4, 0, root).data(LibraryModel::KeyRole).toString(),
                 QStringLiteral("C 5"));
        QCOMPARE(model.index(4, 0, root).data(LibraryModel::PathRole).toString(),
                 folder + expected().at(4));
        // Everything gone.
        apply({}, expected());
        QCOMPARE(model.rowCount(root), 0);
        QCOMPARE(model.data(root).toString(), QStringLiteral("Books"));
    }

    void aBookThatStaysKeepsItsEntry()
    {
        QTemporaryDir dir;
        NotUtf8Names cleanup{{QFile::encodeName(dir.path())}};
        QVERIFY(writeRawFile(QFile::encodeName(dir.path()) + "/caf\xe9.txt", "odd"));
        Library library(dir.path());
        library.refresh();
        const QString path = library.at(0).path;
        QVERIFY(writeFile(dir.path() + "/another.txt", "x"));
        library.refresh();
        // Still reached by the same way, not by one more link each time.
        QCOMPARE(library.at(library.findRaw("caf\xe9.txt")).path, path);
    }

    void freeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << "Emma.txt" << QStringList{"Emma.rtf"} << "Emma.txt";
        QTest::newRow("taken") << "Emma.txt" << QStringList{"Emma.txt"} << "Emma (2).txt";
        QTest::newRow("dots in the title")
            << "Dr. Jekyll and Mr. Hyde.txt" << QStringList{"Dr. Jekyll and Mr. Hyde.txt"}
            << "Dr. Jekyll and Mr. Hyde (2).txt";
        QTest::newRow("dots, no extension")
            << "St. Ives" << QStringList{"St. Ives"} << "St. Ives (2)";
        QTest::newRow("only the last extension")
            << "poems.tar.gz" << QStringList{"poems.tar.gz"} << "poems.tar (2).gz";
        QTest::newRow("too long for an extension")
            << "notes.markdown1" << QStringList{"notes.markdown1"} << "notes.markdown1 (2)";
        QTest::newRow("a dot at the end") << "Why." << QStringList{"Why."} << "Why. (2)";
        QTest::newRow("a dangling link of the name")
            << "Emma.rtf" << QStringList{"Emma.rtf@"} << "Emma (2).rtf";
    }

    void freeNames()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        for (const QString& other : taken) {
            if (other.endsWith(QLatin1Char('@'))) {
                QVERIFY(QFile::link(folder + "gone", folder + other.chopped(1)));
            } else {
                QVERIFY(writeFile(folder + other, "a book"));
            }
        }
        QCOMPARE(Library::freeName(folder, name), expected);
        // Numbering by bytes gives the same names.
        QCOMPARE(QString::fromUtf8(Library::freeName(folder.toUtf8(), name.toUtf8())), expected);
    }

    void fingerprintsFollowTheContent()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        QVERIFY(writeFile(folder + "a.txt", "the same words"));
        QVERIFY(writeFile(folder + "b.txt", "the same words"));
        QVERIFY(writeFile(folder + "c.txt", "other  words!!"));
        Library library(folder);
        library.refresh();
        const QString a = library.fingerprint(library.find("a.txt"));
        QVERIFY(!a.isEmpty());
        QCOMPARE(library.fingerprint(library.find("b.txt")), a);
        QVERIFY(library.fingerprint(library.find("c.txt")) != a);
        // Renamed, the book is the same book.
        QVERIFY(QFile::rename(folder + "a.txt", folder + "renamed.txt"));
        library.refresh();
        QCOMPARE(library.fingerprint(library.find("renamed.txt")), a);
        // Rewritten with other words of the same length, it is another book.
        QVERIFY(writeFile(folder + "renamed.txt", "other  words!!"));
        QFile file(folder + "renamed.txt");
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(library.fingerprint(library.find("renamed.txt")),
                 library.fingerprint(library.find("c.txt")));
        // A book gone meanwhile has none.
        QVERIFY(QFile::remove(folder + "b.txt"));
        QCOMPARE(library.fingerprint(library.find("b.txt")), QString());
    }

    void watchingSeesBooksComeAndGo()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        QVERIFY(writeFile(folder + "Emma.txt", "Emma"));
        Library library(folder);
        library.refresh();
        library.setWatching(true);
        QVERIFY(writeFile(folder + "Walden.txt", "Walden"));
        QTRY_COMPARE(namesOf(library), QStringList({"Emma.txt", "Walden.txt"}));
        QVERIFY(QFile::rename(folder + "Emma.txt", folder + "Persuasion.txt"));
        QTRY_COMPARE(namesOf(library), QStringList({"Persuasion.txt", "Walden.txt"}));
        // A folder made after the watching began is watched once the library has read it.
        QTemporaryDir later;
        const QString laterFolder = later.path() + QStringLiteral("/books/");
        Library made(laterFolder);
        made.setWatching(true);
        QVERIFY(QDir().mkpath(laterFolder));
        made.refresh();
        QVERIFY(writeFile(laterFolder + "Emma.txt", "Emma"));
        QTRY_COMPARE(namesOf(made), QStringList({"Emma.txt"}));
    }
};

QUILLMERE_TEST_MAIN(TestLibrary)
#include "tst_library.moc"
