// The Word document view: a real .doc converted by antiword, its tables, broken documents, a
// missing or hanging converter.
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/DocumentView.h"
#include "views/WordConverter.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFontInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

namespace {
bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class TestDocumentView : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void cleanup()
    {
        WordConverter::setProgram(QStringLiteral("antiword"));
        WordConverter::setTimeLimit(30000);
    }

    void showsTheTextOfARealDocumentReadOnly()
    {
        DocumentView view;
        view.resize(600, 400);
        QString error;
        QVERIFY2(view.CreateEmbedFromFile(testDataPath(QStringLiteral("lighthouse.doc")), &error),
                 qPrintable(error));
        QVERIFY(!view.showsExplanation());
        const QString text = view.text();
        QVERIFY(text.startsWith(QStringLiteral("The Tale of the Quiet Lighthouse")));
        QVERIFY(text.contains(QStringLiteral("a keeper named Ellery Marsh kept the light")));
        // Accents and dashes survive the conversion.
        QVERIFY(text.contains(QStringLiteral("Café owners in the village said his lamp never "
                                             "failed — not once in forty years.")));

        view.DoVerb(DocumentView::VerbUiActivate);
        QVERIFY(view.isActive());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* editor = view.findChild<QTextEdit*>(QStringLiteral("documentText"));
        QVERIFY(editor->isEnabled());
        QTRY_VERIFY(editor->hasFocus());
        // Typing changes nothing: the document is never editable.
        QTest::keyClicks(editor, QStringLiteral("XYZ"));
        QTest::keyClick(editor, Qt::Key_Delete);
        QCOMPARE(view.text(), text);

        view.Deactivate();
        QVERIFY(!view.isActive());
        QVERIFY(!editor->hasFocus());
    }

    // A table (made by LibreOffice, tide-table.html saved as Word 97) shows with its columns
    // lined up: its rows in a font of one width, never wrapped; the prose around it in the
    // view's own font, wrapped to the view's width.
    void tablesLineUp()
    {
        DocumentView view;
        view.resize(500, 400);
        QString error;
        QVERIFY2(view.CreateEmbedFromFile(testDataPath(QStringLiteral("tide-table.doc")), &error),
                 qPrintable(error));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* editor = view.findChild<QTextEdit*>(QStringLiteral("documentText"));
        QTextDocument* document = editor->document();
        QTRY_VERIFY(document->documentLayout()->documentSize().height() > 0);

        QList<QList<qreal>> bars;
        QStringList cells;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            const QString text = block.text();
            if (text.isEmpty()) {
                continue;
            }
            const QFontInfo font(block.begin().fragment().charFormat().font());
            if (!text.startsWith(QLatin1Char('|'))) {
                if (text.startsWith(QLatin1String("Every week the keeper"))) {
                    QVERIFY(!font.fixedPitch());
                    QVERIFY(block.layout()->lineCount() > 1);
                }
                continue;
            }
            QVERIFY2(font.fixedPitch(), qPrintable(font.family()));
            QCOMPARE(block.layout()->lineCount(), 1);
            QList<qreal> row;
            for (int i = 0; i < text.size(); ++i) {
                if (text.at(i) == QLatin1Char('|')) {
                    row << block.layout()->lineAt(0).cursorToX(i);
                }
            }
            bars << row;
            cells << text.section(QLatin1Char('|'), 1, 1).trimmed();
        }
        QCOMPARE(cells, (QStringList{"Day", "Monday", "Tuesday", "Wednesday"}));
        for (const QList<qreal>& row : bars) {
            QCOMPARE(row, bars.first());
        }
        QCOMPARE(bars.first().size(), 4);
        // The widest row is wider than the view: the view scrolls sideways to it.
        QVERIFY(editor->horizontalScrollBar()->maximum() > 0);
        QVERIFY(view.text().contains(QStringLiteral("Fog until noon; the horn sounded")));
    }

    void brokenDocumentIsExplained_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray noise(8192, '\0');
        for (int i = 0; i < noise.size(); ++i) {
            noise[i] = char((i * 31 + 7) % 256);
        }
        QTest::newRow("random bytes") << noise;
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("plain text named doc") << QByteArray("Not a Word document at all.\n");
    }

    void brokenDocumentIsExplained()
    {
        QFETCH(QByteArray, content);
        const QString path = m_dir.filePath(QStringLiteral("broken.doc"));
        QVERIFY(writeBytes(path, content));
        DocumentView view;
        // A good document first: the broken one must not leave its text on show.
        QVERIFY(view.CreateEmbedFromFile(testDataPath(QStringLiteral("lighthouse.doc"))));
        QString error;
        QVERIFY(!view.CreateEmbedFromFile(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(view.showsExplanation());
        QVERIFY(view.text().contains(QStringLiteral("cannot be shown")));
        QVERIFY(view.text().contains(error));
        QVERIFY(!view.text().contains(QStringLiteral("Ellery Marsh")));
        // Activating an explanation is harmless.
        view.DoVerb(DocumentView::VerbUiActivate);
        view.Deactivate();
    }

    void missingConverterIsExplained()
    {
        WordConverter::setProgram(QStringLiteral("quillmere-no-such-converter"));
        DocumentView view;
        QString error;
        QVERIFY(!view.CreateEmbedFromFile(testDataPath(QStringLiteral("lighthouse.doc")), &error));
        QVERIFY(error.contains(QStringLiteral("not installed")));
        QVERIFY(view.showsExplanation());
    }

    // A converter that hangs is stopped at the time limit, and the window goes on handling
    // events meanwhile.
    void hangingConverterIsStoppedWhileEventsGoOn()
    {
        const QString script = m_dir.filePath(QStringLiteral("hang.sh"));
        QVERIFY(writeBytes(script, "#!/bin/sh\nexec sleep 30\n"));
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        WordConverter::setProgram(script);
        WordConverter::setTimeLimit(1500);

        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(50);
        DocumentView view;
        QElapsedTimer clock;
        clock.start();
        QString error;
        QVERIFY(!view.CreateEmbedFromFile(testDataPath(QStringLiteral("lighthouse.doc")), &error));
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(error.contains(QStringLiteral("longer than")));
        QVERIFY(ticks >= 5);
        QVERIFY(view.showsExplanation());
    }
};

QUILLMERE_TEST_MAIN(TestDocumentView)
#include "tst_documentview.moc"
