// The options dialog, the about box, and the skinned activation every dialog replays.
#include "formats/Twips.h"
#include "mainwindow/frmMain.h"
#include "support/MainWindowDriver.h"
#include "support/ManualAnimationClock.h"
#include "support/TestAppFolder.h"
#include "support/TestMain.h"
#include "ui/dialogs/dlgShare.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmOptions.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinLabel.h"
#include "views/RichTextView.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

namespace {
template <typename T> T* shown()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<T*>(w);
        if (dialog && dialog->isVisible() && !dialog->isUnloaded()) {
            return dialog;
        }
    }
    return nullptr;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Puts a book's text in the main window's text view as the opening code leaves it.
void openBook(frmMain& window, const QString& path, BookKind kind)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    window.txtBook->setPlainText(QString::fromUtf8(file.readAll()));
    window.txtBook->setFontSize(window.state().effectiveFontSize());
    window.state().Kind = kind;
    window.state().CurrentBookName = QFileInfo(path).fileName();
}

bool activate(QWidget* w)
{
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}
} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init() { MessageBox::clearShown(); }
    void cleanup() { flushDeletes(); }

    void options_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("refused");
        QTest::newRow("14 on a text book") << int(BookKind::PlainText) << "14" << 14 << false;
        QTest::newRow("10.9 gives 10") << int(BookKind::PlainText) << "10.9" << 10 << false;
        QTest::newRow("typed 13") << int(BookKind::PlainText) << " 13 " << 13 << false;
        QTest::newRow("largest") << int(BookKind::PlainText) << "400" << 400 << false;
        QTest::newRow("RTF book open") << int(BookKind::Rtf) << "14" << 12 << false;
        QTest::newRow("no book open") << int(BookKind::None) << "20" << 12 << false;
        QTest::newRow("bad text on RTF") << int(BookKind::Rtf) << "big" << 12 << false;
        QTest::newRow("not a number") << int(BookKind::PlainText) << "big" << 12 << true;
        QTest::newRow("empty") << int(BookKind::PlainText) << "" << 12 << true;
        QTest::newRow("below one") << int(BookKind::PlainText) << "0.5" << 12 << true;
        QTest::newRow("negative") << int(BookKind::PlainText) << "-3" << 12 << true;
        QTest::newRow("too large") << int(BookKind::PlainText) << "401" << 12 << true;
        QTest::newRow("beyond 16 bits") << int(BookKind::PlainText) << "70000" << 12 << true;
    }

    void options()
    {
        QFETCH(int, kind);
        QFETCH(QString, typed);
        QFETCH(int, size);
        QFETCH(bool, refused);
        const QByteArray original("\"no\",12,\"yes\"\r\n");
        TestAppFolder app(original);
        const QString book = app.addBook(
            kind == int(BookKind::Rtf) ? QStringLiteral("a.rtf") : QStringLiteral("a.txt"),
            kind == int(BookKind::Rtf) ? QByteArray("{\\rtf1\\ansi Some text\\par}")
                                       : QByteArray("Some text"));
        frmMain window(app.path());
        if (kind != int(BookKind::None)) {
            openBook(window, book, BookKind(kind));
        }
        const int viewSize = window.txtBook->fontSize();
        window.ShowOptions();
        auto* dialog = shown<frmOptions>();
        QVERIFY(dialog);
        QStringList sizes;
        for (int i = 0; i < dialog->cboFontSizes->count(); ++i) {
            sizes << dialog->cboFontSizes->itemText(i);
        }
        QCOMPARE(sizes.join(QLatin1Char(' ')), QStringLiteral("8 9 10 11 12 14 16 18 20"));
        dialog->Form_Activate();
        QCOMPARE(dialog->cboFontSizes->currentText(), QStringLiteral("12"));

        dialog->cboFontSizes->setEditText(typed);
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
        QCOMPARE(int(window.state().FontSize), size);
        QCOMPARE(MessageBox::shown().size(), refused ? 1 : 0);
        QCOMPARE(dialog->isUnloaded(), !refused);
        const bool applied = size != 12;
        QCOMPARE(window.txtBook->fontSize(), applied ? size : viewSize);
        QCOMPARE(app.readFile(app.optionsPath()),
                 applied ? QByteArray("\"no\",") + QByteArray::number(size) + "," + "\"yes\"\r\n"
                         : original);
        if (refused) {
            // The message leaves the dialog open with the typed text to correct.
            QCOMPARE(dialog->cboFontSizes->currentText(), typed);
            QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
            QVERIFY(dialog->isUnloaded());
        }

        // Reopening shows the size in force.
        flushDeletes();
        window.ShowOptions();
        dialog = shown<frmOptions>();
        QVERIFY(dialog);
        dialog->Form_Activate();
        QCOMPARE(dialog->cboFontSizes->currentText(), QString::number(size));
    }

    void optionsCancelChangesNothing()
    {
        TestAppFolder app;
        const QString book = app.addBook(QStringLiteral("a.txt"), "text");
        frmMain window(app.path());
        openBook(window, book, BookKind::PlainText);
        window.ShowOptions();
        auto* dialog = shown<frmOptions>();
        QVERIFY(dialog);
        dialog->cboFontSizes->setEditText(QStringLiteral("18"));
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
        QVERIFY(dialog->isUnloaded());
        QCOMPARE(int(window.state().FontSize), 12);
        QCOMPARE(window.txtBook->fontSize(), 12);
        QCOMPARE(app.readFile(app.optionsPath()), QByteArray("\"no\",12,\"yes\"\r\n"));
    }

    // Cancel reached while the dialog's own message waits (assistive technology can press it;
    // the mouse cannot): the dialog stays until the message is answered, then goes.
    void optionsCancelledWhileItsMessageIsUp()
    {
        TestAppFolder app;
        const QString book = app.addBook(QStringLiteral("a.txt"), "text");
        frmMain window(app.path());
        openBook(window, book, BookKind::PlainText);
        window.ShowOptions();
        QPointer<frmOptions> dialog = shown<frmOptions>();
        QVERIFY(dialog);
        dialog->cboFontSizes->setEditText(QStringLiteral("abc"));

        bool answered = false;
        bool survivedCancel = false;
        MessageBox::setTestMode(false);
        Driver::whenShown<QMessageBox>(
            [&](QMessageBox* box) {
                dialog->btnCancel->click();
                // Whatever the event loop would delete now is deleted.
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                survivedCancel = !dialog.isNull() && box->isVisible();
                box->accept();
            },
            &answered);
        dialog->btnOK->click();
        MessageBox::setTestMode(true);
        QVERIFY(answered);
        QVERIFY(survivedCancel);
        // The Cancel counts once the message is gone: the dialog goes, nothing is applied.
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(int(window.state().FontSize), 12);
        QCOMPARE(app.readFile(app.optionsPath()), QByteArray("\"no\",12,\"yes\"\r\n"));
        // The window opens afresh.
        window.ShowOptions();
        QVERIFY(shown<frmOptions>());
    }

    // The new size stays in force for this run when the options file cannot be written.
    void optionsFailedWriteKeepsTheSize()
    {
        TestAppFolder app("");
        QVERIFY(QDir(app.path()).mkdir(QStringLiteral("options.txt")));
        const QString book = app.addBook(QStringLiteral("a.txt"), "text");
        frmMain window(app.path());
        openBook(window, book, BookKind::PlainText);
        window.ShowOptions();
        auto* dialog = shown<frmOptions>();
        QVERIFY(dialog);
        dialog->cboFontSizes->setEditText(QStringLiteral("16"));
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(int(window.state().FontSize), 16);
        QCOMPARE(window.txtBook->fontSize(), 16);
        QVERIFY(dialog->isUnloaded());
    }

    void aboutBox()
    {
        TestAppFolder app;
        frmMain window(app.path());
        window.ShowAbout();
        auto* about = shown<frmAbout>();
        QVERIFY(about);
        QCOMPARE(about->windowTitle(), QStringLiteral("About Quillmere"));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("Quillmere"));
        QCOMPARE(about->lblVersion->text(), QStringLiteral("Version 1.0.0"));
        QCOMPARE(frmAbout::versionText(2, 5), QStringLiteral("Version 1.2.5"));
        QCOMPARE(frmAbout::versionText(10, 0), QStringLiteral("Version 1.10.0"));
        QCOMPARE(about->lblDescription->text(),
                 QStringLiteral("Quillmere lets you find, organize, and read literature "
                                "conveniently at your desktop."));
        QVERIFY(!about->Picture1->pixmap().isNull());
        QCOMPARE(about->cmdOK->geometry(), Twips::rect(4200, 2640, 1335, 375));
        window.ShowAbout();
        QCOMPARE(shown<frmAbout>(), about);
        QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        QVERIFY(about->isUnloaded());
        QVERIFY(!about->isVisible());
    }

    // Leaving a dialog for the main window and coming back replays the whole activation.
    void activationReplays_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("share") << "dlgShare";
        QTest::newRow("options") << "frmOptions";
        QTest::newRow("about") << "frmAbout";
    }

    void activationReplays()
    {
        QFETCH(QString, dialog);
        ManualAnimationClock clock;
        TestAppFolder app;
        app.addBook(QStringLiteral("a.txt"), "a");
        app.addBook(QStringLiteral("b.txt"), "b");
        frmMain window(app.path());
        window.show();
        QVERIFY(activate(&window));
        QVERIFY(window.labelMyLib->isBound());

        QWidget* w = nullptr;
        QList<QPair<SkinButton*, QPoint>> buttons; // each button with where it first shows
        QPoint offset;
        if (dialog == QLatin1String("dlgShare")) {
            window.ShowShare();
            auto* d = shown<dlgShare>();
            QVERIFY(d);
            w = d;
            buttons = {{d->OKbutton, Twips::rect(6120, 120, 1, 1).topLeft()},
                       {d->CancelButton, Twips::rect(6120, 600, 1, 1).topLeft()}};
            offset = QPoint(0, 60);
        } else if (dialog == QLatin1String("frmOptions")) {
            window.ShowOptions();
            auto* d = shown<frmOptions>();
            QVERIFY(d);
            w = d;
            buttons = {{d->btnOK, Twips::rect(600, 1800, 1, 1).topLeft()},
                       {d->btnCancel, Twips::rect(1800, 1800, 1, 1).topLeft()}};
            offset = QPoint(0, 60);
        } else {
            window.ShowAbout();
            auto* d = shown<frmAbout>();
            QVERIFY(d);
            w = d;
            buttons = {{d->cmdOK, Twips::rect(4200, 2640, 1, 1).topLeft()}};
            offset = QPoint(-60, 0);
        }
        QVERIFY(QTest::qWaitForWindowActive(w));

        for (int round = 0; round < 2; ++round) {
            for (const auto& [button, home] : buttons) {
                QVERIFY(button->isBound());
                QCOMPARE(button->pos(), home + offset);
            }
            QCOMPARE(clock.claims(), buttons.size());
            clock.advance(1500);
            for (const auto& [button, home] : buttons) {
                QCOMPARE(button->pos(), home);
            }
            QCOMPARE(clock.claims(), 0);

            if (auto* share = qobject_cast<dlgShare*>(w)) {
                share->cmboClassics->setCurrentIndex(1);
            }
            if (auto* options = qobject_cast<frmOptions*>(w)) {
                options->cboFontSizes->setEditText(QStringLiteral("99"));
            }
            QVERIFY(activate(&window));
            QVERIFY(activate(w));
            // Coming back selects the first book again and shows the size in force again.
            if (auto* share = qobject_cast<dlgShare*>(w)) {
                QCOMPARE(share->cmboClassics->currentIndex(), 0);
            }
            if (auto* options = qobject_cast<frmOptions*>(w)) {
                QCOMPARE(options->cboFontSizes->currentText(), QStringLiteral("12"));
            }
        }
    }
};

QUILLMERE_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
