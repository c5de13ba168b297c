#include "views/MessageBox.h"

#include <QCoreApplication>

namespace {
bool s_testMode = false;
QList<QMessageBox::StandardButton> s_answers;
QList<MessageBox::Shown> s_shown;

QMessageBox::StandardButton firstButton(QMessageBox::StandardButtons buttons)
{
    for (auto b : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
        if (buttons.testFlag(b)) {
            return b;
        }
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons, const QString& title)
{
    const QString caption = title.isEmpty() ? QStringLiteral("Quillmere") : title;
    if (s_testMode) {
        s_shown.append({caption, text, buttons});
        if (!s_answers.isEmpty()) {
            return s_answers.takeFirst();
        }
        return firstButton(buttons);
    }
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget* parent, const QString& text,
                                             QMessageBox::StandardButtons buttons,
                                             const QString& title)
{
    return ask(parent, QMessageBox::NoIcon, text, buttons, title);
}

void MessageBox::warning(QWidget* parent, const QString& text, const QString& title)
{
    ask(parent, QMessageBox::Warning, text, QMessageBox::Ok, title);
}

void MessageBox::setTestMode(bool on)
{
    s_testMode = on;
    s_answers.clear();
    s_shown.clear();
}

bool MessageBox::testMode()
{
    return s_testMode;
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer)
{
    s_answers.append(answer);
}

QList<MessageBox::Shown> MessageBox::shown()
{
    return s_shown;
}

void MessageBox::clearShown()
{
    s_shown.clear();
}
