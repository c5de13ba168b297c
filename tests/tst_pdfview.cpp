// The PDF view: real PDF files written here, and files that are not PDF at all.
#include "support/PdfBooks.h"
#include "support/TestMain.h"
#include "views/PdfView.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

namespace {
// A PDF of the given number of pages, each naming its number.
bool writePdf(const QString& path, int pages)
{
    QStringList texts;
    for (int page = 1; page <= pages; ++page) {
        texts << QStringLiteral("Page %1 of the test book").arg(page);
    }
    return PdfBooks::write(path, texts);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class TestPdfView : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static bool explanationShown(PdfView& view)
    {
        auto* message = view.findChild<QLabel*>(QStringLiteral("pdfMessage"));
        return message && message->isVisibleTo(&view) && !view.explanation().isEmpty();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void opensEveryPageOfARealPdf()
    {
        QVERIFY(writePdf(path(QStringLiteral("three.pdf")), 3));
        PdfView view;
        view.resize(600, 800);
        view.show();
        QString error;
        QVERIFY(view.setSourceFile(path(QStringLiteral("three.pdf")), &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(view.pageCount(), 3);
        QVERIFY(!explanationShown(view));
        QVERIFY(view.findChild<QWidget*>(QStringLiteral("pdfPages"))->isVisibleTo(&view));
    }

    void brokenFileReportsFailureAndExplains_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QByteArray noise(4096, '\0');
        for (int i = 0; i < noise.size(); ++i) {
            noise[i] = char((i * 7919) % 251);
        }
        QTest::newRow("random bytes") << noise << true;
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("text named pdf") << QByteArray("Call me Ishmael.\n") << true;
        QTest::newRow("header only") << QByteArray("%PDF-1.4\n%%EOF\n") << true;
        QTest::newRow("missing file") << QByteArray() << false;
    }

    void brokenFileReportsFailureAndExplains()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        const QString broken = path(QStringLiteral("broken-%1.pdf").arg(QTest::currentDataTag()));
        if (exists) {
            QVERIFY(writeBytes(broken, content));
        }
        QVERIFY(writePdf(path(QStringLiteral("two.pdf")), 2));

        PdfView view;
        view.resize(600, 800);
        view.show();
        // A good book first: the broken one must not leave it on show.
        QVERIFY(view.setSourceFile(path(QStringLiteral("two.pdf"))));
        QString error;
        QVERIFY(!view.setSourceFile(broken, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(view.pageCount(), 0);
        QVERIFY(explanationShown(view));
        QVERIFY(view.explanation().contains(error));
        QVERIFY(!view.findChild<QWidget*>(QStringLiteral("pdfPages"))->isVisibleTo(&view));

        // And the view recovers with the next good book.
        QVERIFY(view.setSourceFile(path(QStringLiteral("two.pdf"))));
        QCOMPARE(view.pageCount(), 2);
        QVERIFY(!explanationShown(view));
    }
};

QUILLMERE_TEST_MAIN(TestPdfView)
#include "tst_pdfview.moc"
