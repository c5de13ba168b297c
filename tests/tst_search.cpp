// The search window: finding text forward through the open book, its options, the deferred
// selection, and the window's life as the main window's companion.
#include "formats/Twips.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/ManualAnimationClock.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/search/frmSearch.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinLabel.h"
#include "views/RichTextView.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace {
struct Selection
{
    int start;
    int length;
    bool operator==(const Selection&) const = default;
};

Selection selectionOf(const RichTextView* view)
{
    return {view->SelStart(), view->SelLength()};
}

QList<QString> messages()
{
    QList<QString> texts;
    for (const MessageBox::Shown& shown : MessageBox::shown()) {
        texts << shown.title + QLatin1String(": ") + shown.text;
    }
    return texts;
}

const QString Finished = QStringLiteral("Quillmere: Finished searching the document.");
} // namespace

namespace QTest {
template <> char* toString(const Selection& s)
{
    return qstrdup(QByteArray::number(s.start) + "+" + QByteArray::number(s.length));
}
} // namespace QTest

class TestSearch : public QObject
{
    Q_OBJECT

    // Opens the book in a fresh main window and the search window over it, once its deferred
    // selection has run.
    frmSearch* openSearch(frmMain& window, const QString& book)
    {
        if (!Driver::clickNode(window, book)) {
            return nullptr;
        }
        QTest::mouseClick(window.btnSearch, Qt::LeftButton);
        frmSearch* search = window.searchWindow();
        if (!search || !QTest::qWaitForWindowExposed(search)) {
            return nullptr;
        }
        return QTest::qWaitFor([search] { return !search->tmrSelView->isActive(); }, 2000)
                   ? search
                   : nullptr;
    }

    void find(frmSearch* search, const QString& text)
    {
        if (search->txtSearch->text() != text) {
            search->txtSearch->clear();
            QTest::keyClicks(search->txtSearch, text);
        }
    }

private slots:
    void init() { MessageBox::clearShown(); }

    void findsEachMatchInTurnThenReportsTheEnd()
    {
        TestAppFolder app;
        app.addBook("cats.txt", "the cat sat.\nthe cat ran.\nthe cat slept.\nThe end.\n");
        frmMain window(app.path());
        frmSearch* search = openSearch(window, QStringLiteral("cats.txt"));
        QVERIFY(search);
        find(search, QStringLiteral("cat"));
        const QList<Selection> expected = {{4, 3}, {17, 3}, {30, 3}};
        for (const Selection& match : expected) {
            QTest::mouseClick(search->btnFind, Qt::LeftButton);
            QCOMPARE(selectionOf(window.txtBook), match);
            QCOMPARE(window.txtBook->SelText(), QStringLiteral("cat"));
            QCOMPARE(search->searchStart(), match.start + 3);
        }
        QVERIFY(messages().isEmpty());
        QVERIFY(window.txtBook->hasFocus() || !window.isActiveWindow());

        // The end: the message, and the last match stays selected; again on the next press.
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        QCOMPARE(messages(), QList<QString>{Finished});
        QCOMPARE(MessageBox::shown().last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(selectionOf(window.txtBook), (Selection{30, 3}));
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        QCOMPARE(messages(), (QList<QString>{Finished, Finished}));
        QCOMPARE(selectionOf(window.txtBook), (Selection{30, 3}));

        // Editing the find text starts again from the top.
        QTest::keyClick(search->txtSearch, Qt::Key_Backspace);
        QTest::keyClicks(search->txtSearch, QStringLiteral("t"));
        QCOMPARE(search->searchStart(), 0);
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        QCOMPARE(selectionOf(window.txtBook), (Selection{4, 3}));
        QCOMPARE(MessageBox::shown().size(), 2);
    }

    void clickingElsewhereMovesTheNextSearch()
    {
        TestAppFolder app;
        app.addBook("cats.txt", "cat one cat two cat three");
        frmMain window(app.path());
        frmSearch* search = openSearch(window, QStringLiteral("cats.txt"));
        QVERIFY(search);
        find(search, QStringLiteral("cat"));
        for (int press = 0; press < 4; ++press) {
            QTest::mouseClick(search->btnFind, Qt::LeftButton);
        }
        QCOMPARE(messages(), QList<QString>{Finished});
        // After the end, the reader clicks at the top: the next press still finds nothing,
        // since it searches from that caret plus the text's length, and the one after finds
        // the second match.
        window.txtBook->setSelStart(0);
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        QCOMPARE(messages().size(), 2);
        QCOMPARE(search->searchStart(), 3);
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        QCOMPARE(selectionOf(window.txtBook), (Selection{8, 3}));
        QCOMPARE(messages().size(), 2);
    }

    void wholeWordAndMatchCase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("findText");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("expected"); // offset of the first match, -1 for none

        const QString catalogue = QStringLiteral("a catalogue of Cats and one cat.");
        QTest::newRow("inside a word") << catalogue << "cat" << false << false << 2;
        QTest::newRow("whole word skips catalogue") << catalogue << "cat" << true << false << 28;
        QTest::newRow("case ignored") << catalogue << "Cat" << false << false << 2;
        QTest::newRow("case matched") << catalogue << "Cat" << false << true << 15;
        QTest::newRow("both") << catalogue << "cat" << true << true << 28;
        QTest::newRow("both, no whole Cat word") << catalogue << "Cat" << true << true << -1;
    }

    void wholeWordAndMatchCase()
    {
        QFETCH(QString, text);
        QFETCH(QString, findText);
        QFETCH(bool, wholeWord);
        QFETCH(bool, matchCase);
        QFETCH(int, expected);
        TestAppFolder app;
        app.addBook("book.txt", text.toUtf8());
        frmMain window(app.path());
        frmSearch* search = openSearch(window, QStringLiteral("book.txt"));
        QVERIFY(search);
        find(search, findText);
        search->chkWholeWord->setChecked(wholeWord);
        search->chkMatchCase->setChecked(matchCase);
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        if (expected < 0) {
            QCOMPARE(messages(), QList<QString>{Finished});
            // Nothing found from the top: the first characters end up selected.
            QCOMPARE(selectionOf(window.txtBook), (Selection{0, int(findText.size())}));
        } else {
            QVERIFY(messages().isEmpty());
            QCOMPARE(selectionOf(window.txtBook), (Selection{expected, int(findText.size())}));
        }
    }

    void matchNearTheEndGoesToTheEndFirst()
    {
        TestAppFolder app;
        app.addBook("end.txt", "Far from the end there is nothing. Then a dog at the end.");
        frmMain window(app.path());
        frmSearch* search = openSearch(window, QStringLiteral("end.txt"));
        QVERIFY(search);
        find(search, QStringLiteral("dog"));
        QList<int> carets;
        connect(window.txtBook, &QTextEdit::cursorPositionChanged, this,
                [&] { carets << window.txtBook->textCursor().position(); });
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        const int end = window.txtBook->characterCount();
        QVERIFY2(carets.contains(end), qPrintable(QTest::toString(carets)));
        QCOMPARE(selectionOf(window.txtBook), (Selection{42, 3}));
        QVERIFY(messages().isEmpty());
    }

    void deferredSelection()
    {
        TestAppFolder app;
        app.addBook("book.txt", "A book with some words in it, long enough to move around in.");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("book.txt")));
        window.txtBook->setSelStart(20);
        QTest::mouseClick(window.btnSearch, Qt::LeftButton);
        frmSearch* search = window.searchWindow();
        QVERIFY(search);
        QVERIFY(search->tmrSelView->isActive());
        QCOMPARE(window.txtBook->SelStart(), 20);
        QTRY_COMPARE(selectionOf(window.txtBook), (Selection{0, 0}));
        QVERIFY(!search->tmrSelView->isActive());
        // It fires once only.
        window.txtBook->setSelStart(30);
        QTest::qWait(400);
        QCOMPARE(window.txtBook->SelStart(), 30);

        // Text typed before the timer fires would select before the start of the book.
        search->close();
        QTRY_VERIFY(!window.searchWindow());
        window.txtBook->setSelStart(25);
        window.ShowSearch();
        search = window.searchWindow();
        QVERIFY(search);
        QTest::keyClicks(search->txtSearch, QStringLiteral("words"));
        QTRY_VERIFY(!search->tmrSelView->isActive());
        QCOMPARE(selectionOf(window.txtBook), (Selection{0, 0}));
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        QCOMPARE(selectionOf(window.txtBook), (Selection{17, 5}));
    }

    void windowIsTheMainWindowsCompanion()
    {
        TestAppFolder app;
        app.addBook("cats.txt", "cat and cat");
        frmMain window(app.path());
        frmSearch* search = openSearch(window, QStringLiteral("cats.txt"));
        QVERIFY(search);
        QCOMPARE(search->windowTitle(), QStringLiteral("Search"));
        QCOMPARE(search->parentWidget(), &window);
        QVERIFY(search->isWindow());
        for (QWidget* w : search->findChildren<QWidget*>()) {
            QVERIFY2(!w->objectName().isEmpty() || !w->isVisible() || w->parentWidget() != search,
                     w->metaObject()->className());
            if (w->parentWidget() == search) {
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            }
        }
        QTRY_VERIFY(search->isActiveWindow());
        QTRY_VERIFY(search->txtSearch->hasFocus());
        const QRect outer = search->frameGeometry();
        QCOMPARE(outer.width(), Twips::toPixels(6960));
        QCOMPARE(outer.height(), Twips::toPixels(2100));

        // Opening again brings the same window forward with its state.
        find(search, QStringLiteral("cat"));
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        QCOMPARE(search->searchStart(), 3);
        search->resize(200, 90);
        window.activateWindow();
        QTRY_VERIFY(window.isActiveWindow());
        QTest::mouseClick(window.btnSearch, Qt::LeftButton);
        QCOMPARE(window.searchWindow(), search);
        QTRY_VERIFY(search->isActiveWindow());
        QCOMPARE(search->searchStart(), 3);
        QCOMPARE(search->txtSearch->text(), QStringLiteral("cat"));
        // Activation sets the size again.
        QTRY_COMPARE(search->frameGeometry().width(), Twips::toPixels(6960));
        QTest::mouseClick(search->btnFind, Qt::LeftButton);
        QCOMPARE(selectionOf(window.txtBook), (Selection{8, 3}));

        // The Edit menu opens the same window; closing it unloads it and brings the main
        // window forward; the next opening starts afresh.
        window.mnuEditSearch->trigger();
        QCOMPARE(window.findChildren<frmSearch*>().size(), 1);
        search->close();
        QTRY_VERIFY(!window.searchWindow());
        QTRY_VERIFY(window.isActiveWindow());
        window.mnuEditSearch->trigger();
        search = window.searchWindow();
        QVERIFY(search);
        QCOMPARE(search->searchStart(), 0);
        QVERIFY(search->txtSearch->text().isEmpty());
    }

    void findNextSlidesInOncePerOpening()
    {
        ManualAnimationClock clock;
        TestAppFolder app;
        app.addBook("cats.txt", "cat");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("cats.txt")));
        const QPoint home = Twips::rect(5280, 105, 1, 1).topLeft();
        for (int opening = 0; opening < 2; ++opening) {
            window.ShowSearch();
            frmSearch* search = window.searchWindow();
            QVERIFY(search);
            // (A window is taken as active by the test library while its owner is.)
            QTRY_COMPARE(QApplication::activeWindow(), search);
            QVERIFY(search->btnFind->isBound());
            QVERIFY(search->labelFind->isBound());
            QCOMPARE(search->btnFind->pos(), home + QPoint(0, 60));
            QCOMPARE(clock.claims(), 1);
            clock.advance(1500);
            QCOMPARE(search->btnFind->pos(), home);
            QCOMPARE(clock.claims(), 0);

            // Coming back to the open window does not play it again.
            window.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &window);
            window.ShowSearch();
            QTRY_COMPARE(QApplication::activeWindow(), search);
            QCOMPARE(search->btnFind->pos(), home);
            QCOMPARE(clock.claims(), 0);

            search->close();
            QTRY_VERIFY(!window.searchWindow());
        }
    }
};

QUILLMERE_TEST_MAIN(TestSearch)
#include "tst_search.moc"
