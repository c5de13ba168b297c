// Decoding plain-text books: byte order marks, UTF-8 or Windows-1252, line ends, binary data.
#include "platform/rtf/PlainTextDecoder.h"
#include "support/TestMain.h"

#include <QRandomGenerator>

class TestPlainText : public QObject
{
    Q_OBJECT
private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("ascii") << QByteArray("plain text") << QStringLiteral("plain text");
        QTest::newRow("utf-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC")
                               << QStringLiteral("café €");
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBFok\xC3\xA9") << QStringLiteral("oké");
        QTest::newRow("utf-16 le bom") << QByteArray("\xFF\xFE"
                                                     "a\0\xAC\x20\n\0",
                                                     8)
                                       << QStringLiteral("a€\n");
        QTest::newRow("utf-16 be bom")
            << QByteArray("\xFE\xFF\0a\x20\xAC\0\r\0\n", 10) << QStringLiteral("a€\n");
        QTest::newRow("invalid utf-8 is 1252")
            << QByteArray("caf\xE9 \x93quoted\x94 \x80") << QStringLiteral("café “quoted” €");
        QTest::newRow("one bad byte decides")
            << QByteArray("\xC3\xA9 then \xFF") << QStringLiteral("Ã© then ÿ");
        QTest::newRow("unassigned 1252") << QByteArray("a\x81\x8D\x8F\x90\x9Dz")
                                         << QStringLiteral("a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n");
        QTest::newRow("cr") << QByteArray("a\rb\r\rc") << QStringLiteral("a\nb\n\nc");
        QTest::newRow("lf") << QByteArray("a\nb\n\n") << QStringLiteral("a\nb\n\n");
        QTest::newRow("mixed") << QByteArray("a\r\n\rb\n\r\nc") << QStringLiteral("a\n\nb\n\nc");
        QTest::newRow("lf cr is two") << QByteArray("a\n\rb") << QStringLiteral("a\n\nb");
        QTest::newRow("nul") << QByteArray("a\0b\0\0c", 6)
                             << QStringLiteral("a\uFFFDb\uFFFD\uFFFDc");
        QTest::newRow("controls") << QByteArray("\x01\t\x1B\x7F")
                                  << QStringLiteral("\uFFFD\t\uFFFD\uFFFD");
        QTest::newRow("frame markers")
            << QByteArray("\xEF\xB7\x90x\xEF\xB7\x91") << QStringLiteral("\uFFFDx\uFFFD");
        QTest::newRow("utf-16 odd length") << QByteArray("\xFF\xFE"
                                                         "a\0b",
                                                         5)
                                           << QStringLiteral("a\uFFFD");
    }

    void decode()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        QCOMPARE(PlainText::decode(data), text);
    }

    void binaryKeepsOneCharacterPerByte()
    {
        // Not valid UTF-8: every byte is one character, line ends aside.
        QByteArray data;
        QRandomGenerator random(7);
        for (int i = 0; i < 100000; ++i) {
            char c = char(random.bounded(256));
            data.append(c == '\r' || c == '\n' ? 'x' : c);
        }
        data.append('\xFF');
        const QString text = PlainText::decode(data);
        QCOMPARE(text.size(), data.size());
        for (const QChar c : text) {
            QVERIFY(c.unicode() >= 0x20 || c == u'\t');
        }
    }
};

QUILLMERE_TEST_MAIN(TestPlainText)
#include "tst_plain_text.moc"
