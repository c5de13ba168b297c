// The options file: its reader and writer, and the first-run check of the main window.
#include "core/ReaderOptions.h"
#include "core/ReaderState.h"
#include "formats/OptionsFile.h"
#include "mainwindow/frmMain.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/LibraryTree.h"

#include <QAbstractItemModel>
#include <QFile>

class TestOptions : public QObject
{
    Q_OBJECT
private slots:
    void init() { MessageBox::clearShown(); }

    void writerGivesTheExactRecord()
    {
        TestAppFolder app("");
        QVERIFY(OptionsFile::write(app.optionsPath(), 12, OptionsFile::Flag(false)));
        QCOMPARE(app.readFile(app.optionsPath()), QByteArray("\"no\",12,\"no\"\r\n"));
        QVERIFY(OptionsFile::write(app.optionsPath(), -3, OptionsFile::Flag(true)));
        QCOMPARE(app.readFile(app.optionsPath()), QByteArray("\"no\",-3,\"yes\"\r\n"));
    }

    void reader_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<QString>("flag");
        // ReadOptions starts from FontSize 7 and flag "keep" so untouched values show.
        QTest::newRow("quoted") << QByteArray("\"yes\",10,\"yes\"\r\n") << 10 << "yes";
        QTest::newRow("unquoted") << QByteArray("yes,10,yes\r\n") << 10 << "yes";
        QTest::newRow("blanks") << QByteArray("  \"no\",  14 ,  no  \r\n") << 14 << "no";
        QTest::newRow("no line end") << QByteArray("\"no\",9,\"no\"") << 9 << "no";
        QTest::newRow("two fields") << QByteArray("\"no\",16\r\n") << 16 << "keep";
        QTest::newRow("one field") << QByteArray("\"yes\"\r\n") << 7 << "keep";
        QTest::newRow("empty") << QByteArray() << 7 << "keep";
        QTest::newRow("not a number") << QByteArray("\"no\",big,\"No\"\r\n") << 0 << "No";
        QTest::newRow("fraction") << QByteArray("\"no\",10.9,\"no\"\r\n") << 10 << "no";
        QTest::newRow("out of range") << QByteArray("\"no\",99999,\"no\"\r\n") << 0 << "no";
    }

    void reader()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, fontSize);
        QFETCH(QString, flag);
        TestAppFolder app(content.isEmpty() ? QByteArray() : content);
        if (content.isEmpty()) {
            QFile f(app.optionsPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        ReaderState state;
        state.setProgramFolder(app.path());
        state.FontSize = 7;
        state.PdfReaderFlag = OptionsFile::Flag::fromText(QStringLiteral("keep"));
        ReaderOptions::ReadOptions(state);
        QCOMPARE(int(state.FontSize), fontSize);
        QCOMPARE(state.PdfReaderFlag.text(), flag);
    }

    void missingFileKeepsValues()
    {
        TestAppFolder app("");
        ReaderState state;
        state.setProgramFolder(app.path());
        ReaderOptions::ReadOptions(state);
        QCOMPARE(int(state.FontSize), 0);
        QVERIFY(state.PdfReaderFlag.text().isEmpty());
        QCOMPARE(state.effectiveFontSize(), 12);
        // The options dialog's writer creates the file.
        state.FontSize = 14;
        QVERIFY(ReaderOptions::WriteOptions(state));
        QCOMPARE(app.readFile(app.optionsPath()), QByteArray("\"no\",14,\"\"\r\n"));
    }

    void pdfConfirmationKeepsTheFontSize()
    {
        TestAppFolder app("\"no\",16,\"no\"\r\n");
        ReaderState state;
        state.setProgramFolder(app.path());
        ReaderOptions::ReadOptions(state);
        QVERIFY(ReaderOptions::ConfirmPdfReader(state));
        QCOMPARE(state.PdfReaderFlag.text(), QStringLiteral("yes"));
        QCOMPARE(app.readFile(app.optionsPath()), QByteArray("\"no\",16,\"yes\"\r\n"));
    }

    void failedWriteLeavesTheFileAndTheFlag()
    {
        TestAppFolder app("\"no\",16,\"no\"\r\n");
        ReaderState state;
        state.setProgramFolder(app.path() + QStringLiteral("missing-folder/"));
        state.FontSize = 16;
        state.PdfReaderFlag = OptionsFile::Flag(false);
        QString error;
        QVERIFY(!ReaderOptions::ConfirmPdfReader(state, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(state.PdfReaderFlag.text(), QStringLiteral("no"));
    }

    void firstStart_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("rewritten");
        QTest::addColumn<bool>("message");
        QTest::addColumn<bool>("manual");
        QTest::newRow("yes 12 no") << QByteArray("\"yes\",12,\"no\"\r\n")
                                   << QByteArray("\"no\",12,\"no\"\r\n") << true << true;
        QTest::newRow("yes 12 yes") << QByteArray("\"yes\",12,\"yes\"\r\n")
                                    << QByteArray("\"no\",12,\"yes\"\r\n") << false << true;
        QTest::newRow("later start") << QByteArray("\"no\",12,\"no\"\r\n")
                                     << QByteArray("\"no\",12,\"no\"\r\n") << false << false;
        QTest::newRow("Yes is not yes") << QByteArray("\"Yes\",12,\"no\"\r\n")
                                        << QByteArray("\"Yes\",12,\"no\"\r\n") << false << false;
        QTest::newRow("flag No is not no") << QByteArray("\"yes\",12,\"No\"\r\n")
                                           << QByteArray("\"no\",12,\"No\"\r\n") << false << true;
    }

    void firstStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, rewritten);
        QFETCH(bool, message);
        QFETCH(bool, manual);
        TestAppFolder app(content);
        app.addBook(QStringLiteral("manual.rtf"), "{\\rtf1\\ansi Manual text\\par}");
        frmMain window(app.path());
        QCOMPARE(app.readFile(app.optionsPath()), rewritten);
        const auto shown = MessageBox::shown();
        QCOMPARE(shown.size(), message ? 1 : 0);
        if (message) {
            QCOMPARE(shown[0].title, QStringLiteral("Quillmere"));
            QVERIFY(shown[0].text.startsWith(
                QStringLiteral("If you would like to view e-books in PDF format, be sure to "
                               "download Acrobat Reader.  You can download Reader for free at ")));
            QVERIFY(shown[0].text.endsWith(QLatin1Char('.')));
        }
        QCOMPARE(window.state().ShowManualAtStart, manual);
        QCOMPARE(window.state().CurrentBookName, manual ? QStringLiteral("manual.rtf") : QString());
        QCOMPARE(window.TreeView1->model()->rowCount(), 1);
    }
};

QUILLMERE_TEST_MAIN(TestOptions)
#include "tst_options.moc"
