#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

// Every message box of the program goes through here, so tests can read what was shown and
// answer it without a real dialog.
class MessageBox
{
public:
    struct Shown
    {
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };

    // Shows a message box without icon; returns the button pressed. The title defaults to the
    // program's title.
    static QMessageBox::StandardButton show(QWidget* parent, const QString& text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            const QString& title = QString());
    // Same with a warning icon, for failures the program reports itself.
    static void warning(QWidget* parent, const QString& text, const QString& title = QString());

    // Test hooks: in test mode no dialog is shown; each call is recorded and answered by the
    // next queued answer, or by the first of its buttons (Ok, Yes) when none is queued.
    static void setTestMode(bool on);
    static bool testMode();
    static void setNextAnswer(QMessageBox::StandardButton answer);
    static QList<Shown> shown();
    static void clearShown();
};
