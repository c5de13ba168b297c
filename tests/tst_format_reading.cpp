// Reading books of the other formats (FB2, Kindle, DOCX, ODT, Markdown, comics) in the main
// window: each opens in the text view with its contents; marks, the bookmark and the place go
// into the reading record and survive a restart and a rename while the book's file stays as it
// was; what a book was read into is kept outside the books folder for the next opening; comic
// pages turn with Page Down and fit the view; damaged files are explained, never shown.
#include "formats/fb2/Fb2Reader.h"
#include "formats/package/PackageKeeper.h"
#include "formats/package/PackageStore.h"
#include "mainwindow/frmMain.h"
#include "support/FileBytes.h"
#include "support/MainWindowDriver.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "support/TextViewProbe.h"
#include "support/ZipFiles.h"
#include "views/ComicPages.h"
#include "views/EpubSession.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTimer>
#include <QToolButton>

using namespace TextViewProbe;

namespace {

QByteArray sha(const QString& path)
{
    return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256);
}

QByteArray png(const QSize& size, const QColor& colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The picture of the page shown: its image and the size the view draws it at.
struct ShownPicture
{
    QImage image;
    QSize size;
};

ShownPicture shownPicture(frmMain& window)
{
    QTextDocument* document = window.txtBook->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                const QTextImageFormat picture = format.toImageFormat();
                return {document->resource(QTextDocument::ImageResource, QUrl(picture.name()))
                            .value<QImage>(),
                        QSize(qRound(picture.width()), qRound(picture.height()))};
            }
        }
    }
    return {};
}

} // namespace

class FormatReadingTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { MessageBox::clearShown(); }

    // Each kind opens from the library with its contents; a mark and the bookmark set in it are
    // there again after a restart and a rename, with the chapter read last shown, and neither
    // the book's file nor the books folder gains anything.
    void opensAndKeepsMarksOutsideTheBook_data()
    {
        QTest::addColumn<QStringList>("files"); // the book first, then what it refers to
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("chapter"); // a contents entry
        QTest::addColumn<QString>("passage"); // text of that chapter, marked
        QTest::addColumn<QString>("bookmark");
        const QString gale = QStringLiteral("boats strained at their ropes");
        const QString ebb = QStringLiteral("The evening ebb ran fast past the pier");
        QTest::newRow("fb2") << QStringList{QStringLiteral("calibre.fb2")} << int(BookKind::Fb2)
                             << "The Gale" << gale << "strained";
        QTest::newRow("fb2.zip") << QStringList{QStringLiteral("pandoc.fb2.zip")}
                                 << int(BookKind::Fb2) << "The Gale" << gale << "strained";
        QTest::newRow("azw3") << QStringList{QStringLiteral("calibre.azw3")} << int(BookKind::Mobi)
                              << "The Gale" << gale << "strained";
        QTest::newRow("mobi") << QStringList{QStringLiteral("calibre.mobi")} << int(BookKind::Mobi)
                              << "The Gale" << gale << "strained";
        QTest::newRow("docx") << QStringList{QStringLiteral("libreoffice.docx")}
                              << int(BookKind::Docx) << "Evening Tide" << ebb << "pier";
        QTest::newRow("odt") << QStringList{QStringLiteral("pandoc.odt")} << int(BookKind::Odt)
                             << "The Gale" << gale << "strained";
        QTest::newRow("markdown") << QStringList{QStringLiteral("source/harbour.md"),
                                                 QStringLiteral("source/lantern.png")}
                                  << int(BookKind::Markdown) << "The Gale" << gale << "strained";
    }

    void opensAndKeepsMarksOutsideTheBook()
    {
        QFETCH(QStringList, files);
        QFETCH(int, kind);
        QFETCH(QString, chapter);
        QFETCH(QString, passage);
        QFETCH(QString, bookmark);
        TestAppFolder app;
        QString path;
        for (const QString& file : files) {
            const QString added = app.addBookFromData(QStringLiteral("books/") + file,
                                                      file.section(QLatin1Char('/'), -1));
            path = path.isEmpty() ? added : path;
        }
        const QString name = path.section(QLatin1Char('/'), -1);
        const QString renamed = QStringLiteral("Renamed ") + name;
        const QByteArray original = sha(path);
        const QStringList folder = app.booksFolderEntries();
        {
            frmMain window(app.path());
            window.show();
            // The cache outlives the test's folders: a package kept by an earlier run goes.
            Books::PackageKeeper* keeper = window.epubSession()->packageKeeper();
            QVERIFY(keeper);
            const QString stale = Books::PackageStore(keeper->folder()).keptPath(path);
            QVERIFY(stale.isEmpty() || QFile::remove(stale));
            QVERIFY(Driver::clickNode(window, name));
            QCOMPARE(int(window.state().Kind), kind);
            QVERIFY(window.txtBook->isVisibleTo(&window));
            QVERIFY(window.mnuContents->menuAction()->isVisible());
            QVERIFY(window.btnRedPen->isEnabled());
            QAction* entry = contentsEntry(window, chapter);
            QVERIFY(entry);
            entry->trigger();
            QVERIFY(entry->isChecked());
            QVERIFY2(window.txtBook->document()->toRawText().contains(passage),
                     qPrintable(window.txtBook->document()->toRawText().left(300)));
            QVERIFY(selectText(window, passage));
            window.HighlightIt();
            QVERIFY(selectText(window, bookmark));
            window.SetBookmark();
            QVERIFY(!window.state().ChangesPending);
            QVERIFY(
                markedAt(window, int(window.txtBook->document()->toRawText().indexOf(passage))));
            window.close();
            // What the book was read into is kept in the cache folder, never among the books.
            keeper->waitForWrites();
            QVERIFY(!keeper->folder().startsWith(app.booksPath()));
            QVERIFY(!Books::PackageStore(keeper->folder()).keptPath(path).isEmpty());
        }
        QCOMPARE(sha(path), original);
        QCOMPARE(app.booksFolderEntries(), folder);

        QVERIFY(QFile::rename(path, app.booksPath() + renamed));
        frmMain window(app.path());
        window.show();
        MessageBox::clearShown();
        QVERIFY(Driver::clickNode(window, renamed));
        QCOMPARE(int(window.state().Kind), kind);
        // The chapter read last is shown again, with its mark.
        QVERIFY(contentsEntry(window, chapter)->isChecked());
        const QString text = window.txtBook->document()->toRawText();
        QVERIFY(markedAt(window, int(text.indexOf(passage)) + 2));
        QVERIFY(!markedAt(window, int(text.indexOf(passage)) - 2));
        QAction* toBookmark = window.findChild<QAction*>(QStringLiteral("mnuContentsBookmark"));
        QVERIFY(toBookmark && toBookmark->isEnabled());
        window.txtBook->setSelStart(0);
        toBookmark->trigger();
        QCOMPARE(window.txtBook->document()->toRawText().mid(window.txtBook->SelStart(),
                                                             bookmark.size()),
                 bookmark);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // Damaged or hostile files are explained in the pane: no text view, no commands, the file
    // untouched, no busy pointer left behind.
    void damagedBooksExplainThemselves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray azw3 = fileBytes(testDataPath(QStringLiteral("books/calibre.azw3")));
        QVERIFY(azw3.size() > 2000);
        QTest::newRow("docx not a zip")
            << "letter.docx" << QByteArray("PK\3\4 not really a zip") << "DOCX document";
        QTest::newRow("azw3 cut short") << "cut.azw3" << azw3.left(2000) << "Kindle book";
        QTest::newRow("fb2 not xml")
            << "broken.fb2" << QByteArray("<FictionBook><body><p>") << "FB2 book";
        QTest::newRow("odt empty") << "empty.odt" << QByteArray() << "OpenDocument text";
        QTest::newRow("cbz not a zip")
            << "strip.cbz" << QByteArray(4096, 'x') << "comic book archive";
    }

    void damagedBooksExplainThemselves()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        TestAppFolder app;
        const QString path = app.addBook(name, content);
        frmMain window(app.path());
        window.show();
        QVERIFY(Driver::clickNode(window, name));
        QVERIFY(window.bookMessage->isVisibleTo(&window));
        QVERIFY2(window.bookMessage->text().contains(message),
                 qPrintable(window.bookMessage->text()));
        QCOMPARE(window.state().Kind, BookKind::Refused);
        QVERIFY(!window.btnRedPen->isEnabled());
        QVERIFY(!window.mnuContents->menuAction()->isVisible());
        QCOMPARE(app.readFile(path), content);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    // A comic's pages come in the natural order of their names and turn with Page Down; each
    // fits the view's width or shows whole, and only the pages near the one shown are held.
    // The page read last is shown again after a restart.
    void comicPagesTurnAndFit()
    {
        TestAppFolder app;
        // Page n is a tall picture whose red channel is n; "p10" sorts after "p9".
        QList<ZipFiles::Part> parts;
        for (int page = 1; page <= 10; ++page) {
            parts.append({QStringLiteral("p%1.png").arg(page),
                          png(QSize(600, 900), QColor(page * 20, 0, 0))});
        }
        std::reverse(parts.begin(), parts.end());
        QVERIFY(ZipFiles::write(app.booksPath() + QStringLiteral("strip.cbz"), parts, false));
        auto pageShown = [](frmMain& window) {
            return qRed(shownPicture(window).image.pixel(0, 0)) / 20;
        };
        {
            frmMain window(app.path());
            window.resize(800, 600);
            window.show();
            QVERIFY(Driver::clickNode(window, QStringLiteral("strip.cbz")));
            QCOMPARE(window.state().Kind, BookKind::Comic);
            EpubSession* session = window.epubSession();
            QVERIFY(session->showsComic());
            QCOMPARE(pageShown(window), 1);

            // Whole pages: one Page Down is one page.
            QAction* fitPage = window.findChild<QAction*>(QStringLiteral("mnuContentsFitPage"));
            QAction* fitWidth = window.findChild<QAction*>(QStringLiteral("mnuContentsFitWidth"));
            QVERIFY(fitPage && fitWidth);
            fitPage->trigger();
            QVERIFY(fitPage->isChecked());
            const QSize area = window.txtBook->viewport()->size();
            QVERIFY(shownPicture(window).size.height() <= area.height());
            window.txtBook->setFocus();
            for (int page = 2; page <= 10; ++page) {
                QTest::keyClick(window.txtBook, Qt::Key_PageDown);
                QCOMPARE(pageShown(window), page);
            }
            QTest::keyClick(window.txtBook, Qt::Key_PageUp);
            QCOMPARE(pageShown(window), 9);
            QTRY_VERIFY(session->comicPages()->heldPages().contains(7));
            for (int held : session->comicPages()->heldPages()) {
                QVERIFY2(qAbs(held - 8) <= 2, qPrintable(QString::number(held)));
            }
            // The picture is decoded at the size shown, not at its own.
            QVERIFY(shownPicture(window).image.height() <= area.height());

            // As wide as the view: the page is read on by scrolling before the next one.
            fitWidth->trigger();
            QCOMPARE(pageShown(window), 9);
            QVERIFY(shownPicture(window).size.width() >= area.width() - 40);
            QVERIFY(window.txtBook->verticalScrollBar()->maximum() > 0);
            QTest::keyClick(window.txtBook, Qt::Key_PageDown);
            QCOMPARE(pageShown(window), 9);
            QVERIFY(window.txtBook->verticalScrollBar()->value() > 0);
            // ...until its foot, where the next Page Down turns to the next page's top.
            for (int presses = 0; presses < 20 && pageShown(window) == 9; ++presses) {
                QTest::keyClick(window.txtBook, Qt::Key_PageDown);
            }
            QCOMPARE(pageShown(window), 10);
            QCOMPARE(window.txtBook->verticalScrollBar()->value(), 0);
            QTest::keyClick(window.txtBook, Qt::Key_PageUp);
            QCOMPARE(pageShown(window), 9);
            window.close();
        }
        frmMain window(app.path());
        window.resize(800, 600);
        window.show();
        QVERIFY(Driver::clickNode(window, QStringLiteral("strip.cbz")));
        QCOMPARE(pageShown(window), 9);
        QVERIFY(window.findChild<QAction*>(QStringLiteral("mnuContentsFitWidth"))->isChecked());
    }
    // A book is read on a thread of its own: the window keeps answering (here, a timer due at
    // once runs) while the busy pointer shows, and the book is there when opening returns.
    void theWindowAnswersWhileABookIsRead()
    {
        TestAppFolder app;
        const QString path =
            app.addBookFromData(QStringLiteral("books/calibre.fb2"), QStringLiteral("harbour.fb2"));
        frmMain window(app.path());
        window.show();
        EpubSession* session = window.epubSession();
        session->setPackageFolder(QString()); // read, never taken from the cache
        bool answeredWhileBusy = false;
        QTimer::singleShot(
            0, &window, [&] { answeredWhileBusy = QGuiApplication::overrideCursor() != nullptr; });
        QString error;
        QVERIFY2(session->openPackage(path, Fb2::read, QStringLiteral("an FB2 book"), &error),
                 qPrintable(error));
        QVERIFY(answeredWhileBusy);
        QVERIFY(session->isOpen());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }
};

QUILLMERE_TEST_MAIN(FormatReadingTest)
#include "tst_format_reading.moc"
