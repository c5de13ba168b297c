// The Word document view: a real .doc converted by antiword, broken documents, a missing or
// hanging converter.
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "views/DocumentView.h"
#include "views/WordConverter.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
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
        auto* editor = view.findChild<QPlainTextEdit*>(QStringLiteral("documentText"));
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
