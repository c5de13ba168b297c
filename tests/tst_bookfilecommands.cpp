// Deleting a book from the library, printing the open book into a PDF file, and copying its
// selection, driven through the main window's buttons, menu entries and keys.
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/PdfText.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/LibraryTree.h"
#include "views/PrintDialog.h"
#include "views/RichTextView.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

#include <unistd.h>

namespace {
QString currentNode(frmMain& window)
{
    return Driver::currentNode(window);
}

// A one-page PDF book of our own.
QByteArray pdfBook()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.pdf"));
    {
        QPdfWriter writer(path);
        QPainter painter(&writer);
        painter.drawText(QPointF(100, 100), QStringLiteral("A PDF book"));
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray Fable = "The fox saw the grapes.\nThey were sour, said the fox.\n";
const QByteArray Essay =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 Plain words and marked words.\\par}";
} // namespace

class TestBookFileCommands : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::clearShown();
        PrintDialog::setTestMode(true);
    }

    // --- Delete ---

    void declinedDeleteChangesNothing_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("No") << QMessageBox::No;
        QTest::newRow("Cancel") << QMessageBox::Cancel;
    }

    void declinedDeleteChangesNothing()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        TestAppFolder app;
        app.addBook("a.txt", "first");
        app.addBook("b.txt", "second");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("b.txt")));
        QCOMPARE(window.txtBook->text(), QStringLiteral("second"));
        MessageBox::setNextAnswer(answer);
        QTest::mouseClick(window.btnDelete, Qt::LeftButton);

        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown question = MessageBox::shown().first();
        QCOMPARE(question.title, QStringLiteral("Delete Book"));
        QCOMPARE(question.text, QStringLiteral("Are you sure that you want to delete ") +
                                    app.booksPath() + QStringLiteral("b.txt?"));
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QVERIFY(QFile::exists(app.booksPath() + "b.txt"));
        QCOMPARE(Driver::treeBooks(window), (QStringList{"a.txt", "b.txt"}));
        QCOMPARE(currentNode(window), QStringLiteral("b.txt"));
        QCOMPARE(window.txtBook->text(), QStringLiteral("second"));
    }

    void deleteOpensTheNeighbour_data()
    {
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("shown");
        QTest::newRow("second book") << "b.txt"
                                     << "a.txt"
                                     << "first";
        QTest::newRow("last book") << "c.txt"
                                   << "b.txt"
                                   << "second";
        // The root names no book: nothing is opened, and the deleted book no longer shows.
        QTest::newRow("first book") << "a.txt"
                                    << "Books"
                                    << "";
    }

    void deleteOpensTheNeighbour()
    {
        QFETCH(QString, deleted);
        QFETCH(QString, opened);
        QFETCH(QString, shown);
        TestAppFolder app;
        app.addBook("a.txt", "first");
        app.addBook("b.txt", "second");
        app.addBook("c.txt", "third");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("a.txt")));
        QVERIFY(Driver::clickNode(window, deleted));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        window.mnuFileDelete->trigger();

        QVERIFY(!QFile::exists(app.booksPath() + deleted));
        QStringList remaining = {"a.txt", "b.txt", "c.txt"};
        remaining.removeOne(deleted);
        QCOMPARE(Driver::treeBooks(window), remaining);
        QCOMPARE(currentNode(window), opened);
        // The root opens no book: the pane holds none, under no name.
        QCOMPARE(window.state().CurrentBookName,
                 opened == QLatin1String("Books") ? QString() : opened);
        QCOMPARE(window.txtBook->text(), shown);
        QCOMPARE(MessageBox::shown().size(), 1);
        // With no book in the pane, a bookmark writes nothing, the deleted book least of all.
        if (shown.isEmpty()) {
            window.SetBookmark();
            QCOMPARE(QDir(app.booksPath()).entryList(QDir::Files), remaining);
        }
    }

    void deletingTheOpenMarkedBookDropsItsMarks()
    {
        TestAppFolder app;
        app.addBook("a.txt", "first");
        app.addBook("b.rtf", Essay);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("b.rtf")));
        QCOMPARE(window.state().Kind, BookKind::Rtf);
        window.txtBook->setSelStart(6);
        window.txtBook->setSelLength(5);
        QTest::mouseClick(window.btnRedPen, Qt::LeftButton);
        QVERIFY(window.state().ChangesPending);

        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(window.btnDelete, Qt::LeftButton);
        // The opening that follows does not write the deleted book back.
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(QDir(app.booksPath()).entryList(QDir::Files), QStringList{"a.txt"});
        QCOMPARE(Driver::treeBooks(window), QStringList{"a.txt"});
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("a.txt"));
        QCOMPARE(window.txtBook->text(), QStringLiteral("first"));
        QVERIFY(!window.state().ChangesPending);
    }

    void deletingAnotherBookKeepsTheOpenBooksMarks()
    {
        TestAppFolder app;
        app.addBook("a.rtf", Essay);
        app.addBook("b.txt", "second");
        app.addBook("c.txt", "third");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("a.rtf")));
        window.txtBook->setSelStart(6);
        window.txtBook->setSelLength(5);
        QTest::mouseClick(window.btnRedPen, Qt::LeftButton);
        QVERIFY(window.state().ChangesPending);
        // The tree's selection moves to another book without opening it.
        QVERIFY(Driver::selectNode(window, QStringLiteral("c.txt")));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(window.btnDelete, Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(currentNode(window), QStringLiteral("b.txt"));
        // The marked book was saved with its mark before the next one opened.
        QVERIFY(app.readFile(app.booksPath() + "a.rtf").contains("\\red128\\green0\\blue0"));
        QCOMPARE(Driver::treeBooks(window), (QStringList{"a.rtf", "b.txt"}));
    }

    void failedDeleteEndsInOrder_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("already gone") << "gone"
                                      << "no longer in the books folder";
        QTest::newRow("a folder in its place") << "folder"
                                               << "it is a folder";
        QTest::newRow("read-only books folder") << "read-only"
                                                << "could not be deleted";
    }

    void failedDeleteEndsInOrder()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        TestAppFolder app;
        app.addBook("a.txt", "first");
        const QString path = app.addBook("b.txt", "second");
        app.addBook("c.txt", "third");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("b.txt")));
        QStringList onDisk = {"a.txt", "b.txt", "c.txt"};
        if (failure == QLatin1String("gone")) {
            QVERIFY(QFile::remove(path));
            onDisk.removeOne("b.txt");
        } else if (failure == QLatin1String("folder")) {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkdir(path));
            onDisk.removeOne("b.txt");
        } else {
            QVERIFY(QFile::setPermissions(app.booksPath(), QFile::ReadOwner | QFile::ExeOwner));
            QFile probe(app.booksPath() + "probe");
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(app.booksPath(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("This user may write into read-only folders (root).");
            }
        }
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(window.btnDelete, Qt::LeftButton);
        QFile::setPermissions(app.booksPath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(MessageBox::shown().size(), 2);
        const MessageBox::Shown shown = MessageBox::shown().last();
        QCOMPARE(shown.title, QStringLiteral("Delete Book"));
        QVERIFY2(shown.text.contains(message) && shown.text.contains("b.txt"),
                 qPrintable(shown.text));
        QCOMPARE(Driver::treeBooks(window), onDisk);
        // Nothing else is opened; the book shown stays.
        QCOMPARE(window.state().CurrentBookName, QStringLiteral("b.txt"));
        QCOMPARE(window.txtBook->text(), QStringLiteral("second"));
        QCOMPARE(currentNode(window),
                 onDisk.contains("b.txt") ? QStringLiteral("b.txt") : QString());
        QCOMPARE(QFileInfo(path).isDir(), failure == QLatin1String("folder"));
    }

    void deleteWithoutABookSelected()
    {
        TestAppFolder app;
        app.addBook("a.txt", "first");
        app.addBook("Books", "a book whose name is the root's");
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("a.txt")));
        // The root selected: it names no book, even with a file of its name in the folder.
        QVERIFY(Driver::clickNode(window, QStringLiteral("Books")));
        QTest::mouseClick(window.btnDelete, Qt::LeftButton);
        // Nothing selected at all.
        window.TreeView1->setCurrentIndex(QModelIndex());
        window.DeleteBook();
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(QDir(app.booksPath()).entryList(QDir::Files).size(), 2);
        QCOMPARE(currentNode(window), QString());
        // The selected book removed by another program: the tree drops it and selects no
        // neighbour in its place, so Delete has nothing to delete.
        QVERIFY(Driver::selectNode(window, QStringLiteral("a.txt")));
        QVERIFY(QFile::remove(app.booksPath() + "a.txt"));
        QTRY_COMPARE(Driver::treeBooks(window), QStringList{"Books"});
        QCOMPARE(currentNode(window), QString());
        window.DeleteBook();
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(QFile::exists(app.booksPath() + "Books"));
    }

    // --- Print ---

    void printTextBook_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QStringList>("notPrinted");
        QTest::newRow("selection")
            << 4 << 13 << QStringList{"fox saw the"} << QStringList{"The", "grapes", "sour"};
        QTest::newRow("whole book")
            << 4 << 0 << QStringList{"The fox saw the grapes.", "sour"} << QStringList{};
    }

    void printTextBook()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QStringList, printed);
        QFETCH(QStringList, notPrinted);
        TestAppFolder app;
        app.addBook("fable.txt", Fable);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("fable.txt")));
        window.txtBook->setSelStart(start);
        window.txtBook->setSelLength(length);
        const QString pdf = app.path() + "printed.pdf";
        PrintDialog::setNextAnswer(pdf);
        QTest::mouseClick(window.btnPrint, Qt::LeftButton);
        QCOMPARE(PrintDialog::shownCount(), 1);
        QCOMPARE(PrintDialog::lastSelectionRange(), length != 0);
        QVERIFY(QFile::exists(pdf));
        const QString text = pdfText(pdf).simplified();
        for (const QString& expected : printed) {
            QVERIFY2(text.contains(expected), qPrintable(text));
        }
        for (const QString& unexpected : notPrinted) {
            QVERIFY2(!text.contains(unexpected), qPrintable(text));
        }

        // Cancelling the dialog prints nothing.
        QFile::remove(pdf);
        window.mnuFilePrint->trigger();
        QCOMPARE(PrintDialog::shownCount(), 2);
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // A page range chosen in the print dialog prints exactly those pages of the whole book,
    // whatever is selected in the view; a range past the book's end prints nothing and says so.
    void printPageRange_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("plain text, pages 2 to 3") << "long.txt" << 0 << 2 << 3;
        QTest::newRow("plain text, selection in view") << "long.txt" << 40 << 2 << 3;
        QTest::newRow("RTF, last page alone") << "long.rtf" << 0 << -1 << -1;
        QTest::newRow("RTF, one page") << "long.rtf" << 0 << 3 << 3;
        QTest::newRow("past the end") << "long.txt" << 0 << 50 << 60;
    }

    void printPageRange()
    {
        QFETCH(QString, name);
        QFETCH(int, selected);
        QFETCH(int, first);
        QFETCH(int, last);
        QByteArray text;
        QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 ";
        for (int line = 1; line <= 400; ++line) {
            text += "Line " + QByteArray::number(line) + " of the long book.\n";
            rtf += "Line " + QByteArray::number(line) + " of the long book.\\par ";
        }
        TestAppFolder app;
        app.addBook(name, name.endsWith(QLatin1String(".rtf")) ? rtf + "}" : text);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, name));

        const QString whole = app.path() + "whole.pdf";
        PrintDialog::setNextAnswer(whole);
        window.PrintBook();
        const QStringList wholePages = pdfPageTexts(whole);
        QVERIFY2(wholePages.size() >= 4, qPrintable(QString::number(wholePages.size())));
        if (first < 0) {
            first = last = int(wholePages.size());
        }

        window.txtBook->setSelStart(10);
        window.txtBook->setSelLength(selected);
        const QString range = app.path() + "range.pdf";
        PrintDialog::setNextAnswer(range, first, last);
        window.PrintBook();
        QCOMPARE(PrintDialog::lastSelectionRange(), selected != 0);
        if (first > wholePages.size()) {
            QVERIFY(!QFile::exists(range));
            QCOMPARE(MessageBox::shown().size(), 1);
            QVERIFY2(MessageBox::shown().at(0).text.contains(QStringLiteral("nothing to print")),
                     qPrintable(MessageBox::shown().at(0).text));
            return;
        }
        QVERIFY(MessageBox::shown().isEmpty());
        // The same pages as in the whole book, numbers in their feet included.
        QCOMPARE(pdfPageTexts(range), wholePages.mid(first - 1, last - first + 1));
    }

    void printOtherKinds()
    {
        TestAppFolder app;
        app.addBook("book.pdf", pdfBook());
        frmMain window(app.path());
        // Nothing open yet: nothing to print, nothing said. A PDF book prints its own pages.
        window.PrintBook();
        QCOMPARE(PrintDialog::shownCount(), 0);
        QVERIFY(Driver::clickNode(window, QStringLiteral("book.pdf")));
        QCOMPARE(window.state().Kind, BookKind::Pdf);
        window.PrintBook();
        QCOMPARE(PrintDialog::shownCount(), 1);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // --- Copy ---

    void copyPlainText()
    {
        TestAppFolder app;
        app.addBook("fable.txt", Fable);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("fable.txt")));
        QClipboard* clipboard = QApplication::clipboard();
        // A selection across a line end carries this system's line end.
        window.txtBook->setSelStart(16);
        window.txtBook->setSelLength(14);
        const QString expected = QStringLiteral("grapes.\nThey w");
        QCOMPARE(window.txtBook->SelText(), QStringLiteral("grapes.\rThey w"));

        const std::function<void()> ways[] = {
            [&] { QTest::mouseClick(window.btnCopy, Qt::LeftButton); },
            [&] { window.mnuEditCopy->trigger(); },
            [&] {
                window.activateWindow();
                window.txtBook->setFocus();
                QTest::keyClick(window.txtBook, Qt::Key_C, Qt::ControlModifier);
            },
        };
        for (const auto& copy : ways) {
            clipboard->setText(QStringLiteral("before"));
            copy();
            QCOMPARE(clipboard->text(), expected);
            const QMimeData* data = clipboard->mimeData();
            QVERIFY(!data->hasFormat("text/rtf"));
            QVERIFY(!data->hasHtml());
        }
        // An empty selection puts empty text on the clipboard.
        window.txtBook->setSelStart(3);
        clipboard->setText(QStringLiteral("before"));
        window.CopySelection();
        QCOMPARE(clipboard->text(), QString());
    }

    void copyShortcutFollowsTheEditMenu()
    {
        TestAppFolder app;
        app.addBook("fable.txt", Fable);
        app.addBook("book.pdf", pdfBook());
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("fable.txt")));
        window.txtBook->setSelStart(4);
        window.txtBook->setSelLength(3);
        QClipboard* clipboard = QApplication::clipboard();

        // The focus in the library tree: Ctrl+C copies the book's selection, not the node.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.TreeView1->setFocus();
        clipboard->setText(QStringLiteral("before"));
        QTest::keyClick(window.TreeView1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("fox"));

        // The Edit menu disabled: the keys do nothing, in the view as in the tree.
        window.DisableInterface(InterfaceMode::Document);
        window.txtBook->setFocus();
        clipboard->setText(QStringLiteral("before"));
        QTest::keyClick(window.txtBook, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(window.txtBook, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("before"));

        QVERIFY(Driver::clickNode(window, QStringLiteral("book.pdf")));
        QCOMPARE(window.state().Kind, BookKind::Pdf);
        window.TreeView1->setFocus();
        QTest::keyClick(window.TreeView1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("before"));
        // The command itself copies nothing from a PDF book, however it is reached.
        window.CopySelection();
        QCOMPARE(clipboard->text(), QStringLiteral("before"));
    }

    void copyRtfBook()
    {
        TestAppFolder app;
        app.addBook("essay.rtf", Essay);
        frmMain window(app.path());
        QVERIFY(Driver::clickNode(window, QStringLiteral("essay.rtf")));
        QCOMPARE(window.state().Kind, BookKind::Rtf);
        window.txtBook->setSelStart(16);
        window.txtBook->setSelLength(12);
        QCOMPARE(window.txtBook->SelText(), QStringLiteral("marked words"));
        window.HighlightIt();
        window.txtBook->setSelStart(6);
        window.txtBook->setSelLength(22);
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        QTest::mouseClick(window.btnCopy, Qt::LeftButton);
        const QMimeData* data = clipboard->mimeData();
        QCOMPARE(data->text(), QStringLiteral("words and marked words"));
        const QByteArray rtf = data->data("text/rtf");
        QVERIFY2(rtf.startsWith("{\\rtf"), rtf.constData());
        QCOMPARE(data->data("application/rtf"), rtf);
        // The mark's colour travels with the text.
        QVERIFY2(rtf.contains("\\red128\\green0\\blue0"), rtf.constData());
        QVERIFY2(rtf.contains("marked words"), rtf.constData());
    }
};

QUILLMERE_TEST_MAIN(TestBookFileCommands)
#include "tst_bookfilecommands.moc"
