// The word at the caret, as the lookup commands take it from the book view.
#include "core/ReaderState.h"
#include "support/TestMain.h"
#include "views/Module1.h"
#include "views/RichTextView.h"

class TestWordAtCursor : public QObject
{
    Q_OBJECT
private slots:
    void wordAtCursor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("word");
        // Where the view's selection is left: the last character examined.
        QTest::addColumn<int>("leftStart");
        QTest::addColumn<int>("leftLength");

        const QString reading = QStringLiteral("the reading room");
        QTest::newRow("inside a word") << reading << 6 << 0 << "reading" << 3 << 1;
        QTest::newRow("on the word's first letter") << reading << 4 << 0 << "reading" << 3 << 1;
        QTest::newRow("on the space after a word") << reading << 11 << 0 << "reading" << 3 << 1;
        QTest::newRow("space after a space") << "a  b" << 2 << 0 << "" << 1 << 1;
        QTest::newRow("a selection is taken as it is")
            << "the red pen" << 4 << 7 << "red pen" << 4 << 7;
        QTest::newRow("a selection of blanks") << "the red pen" << 3 << 1 << " " << 3 << 1;
        QTest::newRow("first letter of the text")
            << "reading room" << 0 << 0 << "reading" << 0 << 0;
        QTest::newRow("space at the start") << " reading" << 0 << 0 << "" << 0 << 1;
        QTest::newRow("last word of the text") << "a word" << 6 << 0 << "word" << 1 << 1;
        QTest::newRow("inside the last word") << "a word" << 4 << 0 << "word" << 1 << 1;
        QTest::newRow("empty text") << "" << 0 << 0 << "" << 0 << 0;
        // Line ends stop a scan and stay out of the word; the view hands them out as "\r".
        QTest::newRow("word at the end of a line") << "one two\nthree" << 5 << 0 << "two" << 3 << 1;
        QTest::newRow("word at the start of a line")
            << "one\ntwo three" << 5 << 0 << "two" << 3 << 1;
        QTest::newRow("a line of one word") << "one\ntwo\nthree" << 5 << 0 << "two" << 3 << 1;
        QTest::newRow("caret on a line end") << "one\ntwo" << 3 << 0 << "one" << 0 << 1;
        QTest::newRow("space before a line end") << "two \nthree" << 3 << 0 << "two" << 0 << 1;
        QTest::newRow("line end after a space") << "two \nthree" << 4 << 0 << "" << 3 << 1;
        QTest::newRow("empty line") << "one\n\ntwo" << 4 << 0 << "" << 3 << 1;
        QTest::newRow("selection drawn over line ends")
            << "one\ntwo\nthree" << 3 << 5 << "two" << 3 << 5;
        QTest::newRow("selection across lines keeps its inner line end")
            << "red\npen" << 0 << 7 << "red\rpen" << 0 << 7;
        // Only the space separates words.
        QTest::newRow("punctuation stays") << "a book, here" << 4 << 0 << "book," << 1 << 1;
        QTest::newRow("quotes and digits stay")
            << "said \"1984\" loudly" << 7 << 0 << "\"1984\"" << 4 << 1;
        QTest::newRow("tabs stay") << "a\tb c" << 0 << 0 << "a\tb" << 0 << 0;
    }

    void wordAtCursor()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, word);
        QFETCH(int, leftStart);
        QFETCH(int, leftLength);
        RichTextView view;
        view.setText(text);
        view.setSelStart(start);
        view.setSelLength(length);
        LookupRequest lookup;
        lookup.lookupWord = QStringLiteral("previous");
        Module1::GetWordAtCursor(view, lookup);
        QCOMPARE(lookup.lookupWord, word);
        QCOMPARE(view.SelStart(), leftStart);
        QCOMPARE(view.SelLength(), leftLength);
        QCOMPARE(view.text(), text); // the book is never changed
    }

    void pictureIsPartOfTheWord()
    {
        // A bookmark picture is a character like any other.
        RichTextView view;
        view.setText(QStringLiteral("a word here"));
        view.setSelStart(4);
        QVERIFY(view.AddPicture(QStringLiteral(QUILLMERE_APPDATA "/bookmark.bmp")));
        view.setSelStart(3);
        LookupRequest lookup;
        Module1::GetWordAtCursor(view, lookup);
        QCOMPARE(lookup.lookupWord, QStringLiteral("wo") +
                                        QChar(QChar::ObjectReplacementCharacter) +
                                        QStringLiteral("rd"));
    }
};

QUILLMERE_TEST_MAIN(TestWordAtCursor)
#include "tst_wordatcursor.moc"
