// The main window: its controls, interface modes, layout rule, activation and shutdown.
#include "core/AppSettings.h"
#include "core/LibraryModel.h"
#include "formats/Twips.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/LibraryTree.h"
#include "ui/skin/SkinLabel.h"
#include "views/DocumentView.h"
#include "views/PdfView.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>

namespace {
// A window that records the order in which windows are closed.
class RecordingWindow : public QWidget
{
public:
    RecordingWindow(const QString& name, QStringList* log) : m_name(name), m_log(log) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        m_log->append(m_name);
        QWidget::closeEvent(event);
    }

private:
    QString m_name;
    QStringList* m_log;
};
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::clearShown();
        AppSettings::open()->clear();
    }

    // Every control can be reached by assistive technology and the toolbar's buttons stand
    // side by side; the Contents menu shows only while an EPUB book is open.
    void controlsAreNamedAndReachable()
    {
        TestAppFolder app;
        frmMain window(app.path());
        const QList<QToolButton*> toolbar = {
            window.btnFind,  window.btnDelete,  window.btnPrint,    window.btnSend,
            window.btnDef,   window.btnPicture, window.btnBookmark, window.btnRedPen,
            window.btnErase, window.btnSearch,  window.btnCopy};
        int previousRight = -1;
        for (QToolButton* button : toolbar) {
            QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));
            QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
            QVERIFY(button->isEnabled());
            QVERIFY(button->x() >= previousRight); // left to right, never overlapping
            previousRight = button->x() + button->width();
        }
        // The gap between the two groups of buttons.
        QVERIFY(window.btnDef->x() > window.btnSend->x() + window.btnSend->width());
        QVERIFY(window.btnBack->isHidden());
        QVERIFY(window.btnForward->isHidden());
        QVERIFY(!window.txtBook->isHidden());
        QVERIFY(window.wbBook->isHidden());
        QVERIFY(window.pdfBook->isHidden());
        QVERIFY(window.ole1->isHidden());

        QList<QMenu*> visibleMenus;
        for (QAction* a : window.menuBar()->actions()) {
            if (a->isVisible()) {
                visibleMenus << a->menu();
            }
        }
        QCOMPARE(visibleMenus, QList<QMenu*>({window.mnuFile, window.mnuEdit, window.mnuView,
                                              window.mnuGet, window.mnuHelp}));
        for (QMenu* menu : visibleMenus) {
            for (QAction* a : menu->actions()) {
                QVERIFY2(a->isSeparator() || !a->text().isEmpty(), qPrintable(menu->title()));
            }
        }
        QCOMPARE(window.mnuEditCopy->shortcut(), QKeySequence(QKeySequence::Copy));
        QVERIFY(window.findChild<QStatusBar*>(QStringLiteral("sbStatusBar")));
        QVERIFY(!window.statusDate->text().isEmpty());
        QVERIFY(!window.statusTime->text().isEmpty());
    }

    void interfaceModes()
    {
        TestAppFolder app;
        frmMain window(app.path());
        const QList<QToolButton*> textOnly = {
            window.btnDef,   window.btnPicture, window.btnBookmark, window.btnRedPen,
            window.btnErase, window.btnSearch,  window.btnCopy};
        const QList<QAction*> textItems = {window.mnuEditCopy,      window.mnuEditErase,
                                           window.mnuEditHighlight, window.mnuEditSearch,
                                           window.mnuGetPicture,    window.mnuGetDefinition};
        auto check = [&](bool print, bool text, bool web, bool editMenu) {
            QCOMPARE(window.btnPrint->isEnabled(), print);
            for (QToolButton* b : textOnly) {
                QCOMPARE(b->isEnabled(), text);
            }
            for (QAction* a : textItems) {
                QCOMPARE(a->isEnabled(), text);
            }
            QCOMPARE(window.mnuEdit->menuAction()->isEnabled(), editMenu);
            QCOMPARE(window.btnBack->isVisibleTo(&window), web);
            QCOMPARE(window.btnForward->isVisibleTo(&window), web);
            // Never touched by a mode.
            QVERIFY(window.btnFind->isEnabled());
            QVERIFY(window.btnDelete->isEnabled());
            QVERIFY(window.btnSend->isEnabled());
            QVERIFY(window.mnuFile->menuAction()->isEnabled());
            QVERIFY(window.mnuHelp->menuAction()->isEnabled());
            QVERIFY(window.mnuViewOptions->isEnabled());
        };

        window.DisableInterface(InterfaceMode::Web);
        check(true, false, true, false);
        // The Get menu's title is left as it was by the document and web modes.
        QVERIFY(window.mnuGet->menuAction()->isEnabled());
        window.DisableInterface(InterfaceMode::Document);
        check(false, false, false, false);
        QVERIFY(window.mnuGet->menuAction()->isEnabled());
        window.mnuGet->menuAction()->setEnabled(false);
        window.DisableInterface(InterfaceMode::Document);
        QVERIFY(!window.mnuGet->menuAction()->isEnabled());
        window.DisableInterface(InterfaceMode::Text);
        check(true, true, false, true);
        QVERIFY(window.mnuGet->menuAction()->isEnabled());
        // An empty pane: no book commands, but Options stays within reach.
        window.DisableInterface(InterfaceMode::NoBook);
        check(false, false, false, true);
    }

    void layoutFollowsTheWindow()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<QWidget*> views = {window.txtBook, window.pdfBook, window.wbBook, window.ole1};
        QList<QRect> before;
        for (QWidget* v : views) {
            before << v->geometry();
        }
        const QRect treeBefore = window.TreeView1->geometry();
        const QRect toolbarBefore = window.btnCopy->geometry();

        window.resize(window.width() + 100, window.height() + 100);
        QTRY_COMPARE(window.txtBook->width(), before[0].width() + 100);
        for (int i = 0; i < views.size(); ++i) {
            QCOMPARE(views[i]->pos(), before[i].topLeft());
            QCOMPARE(views[i]->width(), before[i].width() + 100);
            QCOMPARE(views[i]->height(), before[i].height() + 100);
        }
        QCOMPARE(window.TreeView1->height(), treeBefore.height() + 100);
        QCOMPARE(window.TreeView1->width(), treeBefore.width());
        QCOMPARE(window.btnCopy->geometry(), toolbarBefore);

        // The views fill the client area to its edges and stay clear of the status bar,
        // whatever frame the window manager adds; the tree ends just above the bottom edge.
        const QWidget* client = window.centralWidget();
        for (QWidget* v : views) {
            QCOMPARE(v->geometry().bottom(), client->rect().bottom());
            QCOMPARE(v->geometry().right(), client->rect().right());
            QVERIFY(v->mapTo(&window, QPoint(0, v->height())).y() <= window.sbStatusBar->y());
        }
        QVERIFY(window.TreeView1->mapTo(&window, QPoint(0, window.TreeView1->height())).y() <=
                window.sbStatusBar->y());
        QVERIFY(window.TreeView1->geometry().bottom() >= client->rect().bottom() - 2);

        // Too small for a positive size: the views keep their last size, no message.
        const QSize last = window.txtBook->size();
        window.setMinimumSize(0, 0);
        window.resize(60, 40);
        QTest::qWait(50);
        if (window.frameGeometry().width() < window.txtBook->x() + 10) {
            QCOMPARE(window.txtBook->width(), last.width());
        }
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void firstActivationRecordsTheSize()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.resize(900, 600);
        QVERIFY(!window.state().RecordedMainHeight);
        window.Form_Activate();
        QVERIFY(window.state().RecordedMainHeight);
        QCOMPARE(*window.state().RecordedMainWidth,
                 Twips::fromPixels(window.frameGeometry().width()));
        QCOMPARE(window.picLine->width(), window.frameGeometry().width());
        // Later activations record nothing and leave the line alone.
        window.resize(1200, 700);
        window.Form_Activate();
        QCOMPARE(*window.state().RecordedMainWidth, Twips::fromPixels(900));
        QCOMPARE(window.picLine->width(), 900);
    }

    void closingClosesOtherWindowsAndRecordsPlacement()
    {
        TestAppFolder app;
        QStringList closed;
        RecordingWindow first(QStringLiteral("first"), &closed);
        RecordingWindow second(QStringLiteral("second"), &closed);
        int outerWidth = 0;
        {
            frmMain window(app.path());
            window.resize(800, 600);
            window.show();
            first.show();
            second.show();
            window.registerWindow(&first);
            window.registerWindow(&second);
            outerWidth = window.frameGeometry().width();
            window.close();
            QCOMPARE(closed, QStringList({"second", "first"}));
            QVERIFY(!first.isVisible());
        }
        auto settings = AppSettings::open();
        settings->beginGroup(QStringLiteral("Settings"));
        for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
            QVERIFY2(settings->contains(QLatin1String(key)), key);
        }
        QCOMPARE(settings->value(QStringLiteral("MainWidth")).toString(),
                 QString::number(Twips::fromPixels(outerWidth)));
    }

    // The close button saves the open book's marks as Exit does, format question included,
    // and then closes as usual.
    void closingSavesTheMarkedBookFirst_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("booksAfter");
        QTest::addColumn<bool>("marked");
        QTest::newRow("rtf book") << "Fox.rtf" << int(QMessageBox::NoButton)
                                  << QStringList{"Fox.rtf"} << true;
        QTest::newRow("plain-text book, converted")
            << "Emma.txt" << int(QMessageBox::Ok) << QStringList{"Emma.rtf"} << true;
        // Declining the conversion is no reason to keep the window: it closes as Exit ends.
        QTest::newRow("plain-text book, conversion declined")
            << "Emma.txt" << int(QMessageBox::Cancel) << QStringList{"Emma.txt"} << false;
    }

    void closingSavesTheMarkedBookFirst()
    {
        QFETCH(QString, book);
        QFETCH(int, answer);
        QFETCH(QStringList, booksAfter);
        QFETCH(bool, marked);
        TestAppFolder app;
        app.addBook(book, book.endsWith(".rtf")
                              ? QByteArray("{\\rtf1\\ansi The quick brown fox jumps.\\par}")
                              : QByteArray("The quick brown fox jumps."));
        QStringList closed;
        RecordingWindow other(QStringLiteral("other"), &closed);
        frmMain window(app.path());
        window.show();
        other.show();
        window.registerWindow(&other);
        QVERIFY(Driver::clickNode(window, book));
        window.txtBook->setSelStart(4);
        window.txtBook->setSelLength(5);
        if (book.endsWith(".txt")) {
            // The red pen asks about the format at once; declined, the mark is still pending.
            MessageBox::setNextAnswer(QMessageBox::Cancel);
        }
        window.HighlightIt();
        QVERIFY(window.state().ChangesPending);
        if (book.endsWith(".txt")) {
            MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
        }

        QVERIFY(window.close());
        QCOMPARE(QDir(app.booksPath()).entryList(QDir::Files), booksAfter);
        QCOMPARE(app.readFile(app.booksPath() + booksAfter[0]).contains("\\ul"), marked);
        QCOMPARE(closed, QStringList{"other"});
        QVERIFY(AppSettings::open()->contains(QStringLiteral("Settings/MainLeft")));
    }

    // A book that cannot be written keeps the window, and the other windows, open.
    void closingKeepsABookThatCannotBeSaved()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Fox.rtf"), "{\\rtf1\\ansi The quick brown fox.\\par}");
        QStringList closed;
        RecordingWindow other(QStringLiteral("other"), &closed);
        frmMain window(app.path());
        window.show();
        other.show();
        window.registerWindow(&other);
        QVERIFY(Driver::clickNode(window, QStringLiteral("Fox.rtf")));
        window.txtBook->setSelStart(4);
        window.txtBook->setSelLength(5);
        window.HighlightIt();
        // The books folder disappears under the program (a removed disk, say).
        const QString moved = app.path() + QStringLiteral("elsewhere");
        QVERIFY(QDir().rename(app.booksPath(), moved));

        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.contains(QStringLiteral("could not be saved")));
        QVERIFY(closed.isEmpty());
        QVERIFY(!AppSettings::open()->contains(QStringLiteral("Settings/MainLeft")));

        QVERIFY(QDir().rename(moved, app.booksPath()));
        QVERIFY(window.close());
        QVERIFY(app.readFile(app.booksPath() + "Fox.rtf").contains("\\ul"));
    }

    void closingWhileMinimizedWritesNoPlacement()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.show();
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());
        window.close();
        auto settings = AppSettings::open();
        QVERIFY(!settings->contains(QStringLiteral("Settings/MainLeft")));
    }

    void exitEndsWithoutPlacement()
    {
        TestAppFolder app;
        QStringList closed;
        RecordingWindow other(QStringLiteral("other"), &closed);
        frmMain window(app.path());
        window.show();
        other.show();
        window.registerWindow(&other);
        window.Exit();
        QVERIFY(window.hasEnded());
        window.close();
        QVERIFY(closed.isEmpty());
        QVERIFY(!AppSettings::open()->contains(QStringLiteral("Settings/MainLeft")));
    }

    void treeListsTheBooksFolder()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("zebra.txt"), "z");
        app.addBook(QStringLiteral("Emma.rtf"), "{\\rtf1 e}");
        app.addBook(QStringLiteral("manual.rtf"), "{\\rtf1 m}");
        app.addBook(QStringLiteral(".hidden"), "h");
        QDir(app.booksPath()).mkpath(QStringLiteral("folder/inner"));
        frmMain window(app.path());
        QAbstractItemModel* model = window.TreeView1->model();
        QAbstractItemModelTester tester(model);
        QCOMPARE(model->rowCount(), 1);
        const QModelIndex root = model->index(0, 0);
        QCOMPARE(root.data().toString(), QStringLiteral("Books"));
        QCOMPARE(root.data(LibraryModel::KeyRole).toString(), QStringLiteral("R"));
        QVERIFY(window.TreeView1->isExpanded(root));
        QCOMPARE(Driver::treeBooks(window), QStringList({"Emma.rtf", "manual.rtf", "zebra.txt"}));
        QCOMPARE(model->index(0, 0, root).data(LibraryModel::KeyRole).toString(),
                 QStringLiteral("C 1"));
        QCOMPARE(model->index(2, 0, root).data(LibraryModel::KeyRole).toString(),
                 QStringLiteral("C 3"));
        // A refill follows the folder and selects nothing, though a book was selected.
        QVERIFY(Driver::selectNode(window, QStringLiteral("manual.rtf")));
        window.TreeView1->collapse(root);
        QFile::remove(app.booksPath() + QStringLiteral("zebra.txt"));
        app.addBook(QStringLiteral("books"), "a book named like the root");
        window.SetNodesList();
        QCOMPARE(Driver::treeBooks(window), QStringList({"books", "Emma.rtf", "manual.rtf"}));
        QVERIFY(window.TreeView1->selectionModel()->selectedIndexes().isEmpty());
        QVERIFY(!window.TreeView1->currentIndex().isValid());
        QVERIFY(window.TreeView1->isExpanded(root));
        QCOMPARE(model->index(2, 0, root).data(LibraryModel::KeyRole).toString(),
                 QStringLiteral("C 3"));
    }

    void treeWithoutBooks()
    {
        TestAppFolder app;
        {
            frmMain window(app.path());
            QCOMPARE(window.TreeView1->model()->rowCount(), 1);
            QCOMPARE(Driver::treeBooks(window), QStringList());
        }
        QDir(app.booksPath()).removeRecursively();
        frmMain window(app.path());
        QCOMPARE(window.TreeView1->model()->rowCount(), 1);
        QCOMPARE(window.TreeView1->model()->index(0, 0).data().toString(), QStringLiteral("Books"));
        QCOMPARE(Driver::treeBooks(window), QStringList());
    }

    void theTreeFollowsTheFolderWhileTheProgramRuns()
    {
        TestAppFolder app;
        app.addBook(QStringLiteral("Emma.txt"), "Emma, by Jane Austen");
        app.addBook(QStringLiteral("Walden.txt"), "Walden");
        QTemporaryDir outside;
        const QString copied = outside.path() + QStringLiteral("/Beowulf.txt");
        QFile source(copied);
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write("Beowulf") == 7);
        source.close();
        frmMain window(app.path());
        QAbstractItemModelTester tester(window.TreeView1->model());
        QVERIFY(Driver::clickNode(window, QStringLiteral("Emma.txt")));

        // Copied in by another program: in the tree without a refill, the open book and the
        // chosen node left as they were.
        QVERIFY(QFile::copy(copied, app.booksPath() + QStringLiteral("Beowulf.txt")));
        QTRY_COMPARE(Driver::treeBooks(window),
                     QStringList({"Beowulf.txt", "Emma.txt", "Walden.txt"}));
        QVERIFY(QFile::rename(app.booksPath() + QStringLiteral("Walden.txt"),
                              app.booksPath() + QStringLiteral("Walden, or Life.txt")));
        QTRY_COMPARE(Driver::treeBooks(window),
                     QStringList({"Beowulf.txt", "Emma.txt", "Walden, or Life.txt"}));
        QCOMPARE(Driver::currentNode(window), QStringLiteral("Emma.txt"));
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("Emma.txt"));
        QCOMPARE(window.txtBook->text(), QStringLiteral("Emma, by Jane Austen"));
        // The new book opens like any other.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Beowulf.txt")));
        QCOMPARE(window.txtBook->text(), QStringLiteral("Beowulf"));
    }
};

QUILLMERE_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
