#include "ui/skin/SkinForm.h"

#include <QStyle>
#include <QVariant>
#include <QWidget>

SkinForm::SkinForm(QWidget* window) : QObject(window), m_window(window)
{
    setObjectName(QStringLiteral("SkinForm1"));
    // The skin class "form": the window's own background. Controls take the skin's look only
    // once bound, through their skinClass property.
    window->setProperty("skinClass", QStringLiteral("form"));
    window->setStyleSheet(styleSheet());
}

void SkinForm::bindControl(QWidget* control, const char* skinClass)
{
    if (!control) {
        return;
    }
    const QString wanted = QLatin1String(skinClass);
    if (control->property("skinClass").toString() == wanted) {
        return;
    }
    control->setProperty("skinClass", wanted);
    // A dynamic property takes effect in the style sheet only after the control is polished
    // again.
    control->style()->unpolish(control);
    control->style()->polish(control);
    control->update();
}

QString SkinForm::styleSheet()
{
    // Warm paper colours with dark brown ink: every text keeps a strong contrast with its
    // background. Input fields are dressed in dialogs only, so the main window's reading
    // views keep their own colours.
    return QStringLiteral(R"(
*[skinClass="form"] {
    background-color: #f4e9cf;
    color: #3b2a17;
}
QDialog[skinClass="form"] QLineEdit,
QDialog[skinClass="form"] QPlainTextEdit,
QDialog[skinClass="form"] QTextEdit,
QDialog[skinClass="form"] QComboBox {
    background-color: #fffaf0;
    color: #2b1d0e;
    border: 1px solid #a9875b;
    border-radius: 3px;
    selection-background-color: #8a5a2b;
    selection-color: #fffaf0;
}
QPushButton[skinClass="Button"] {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ecd9ae, stop:1 #d7bb83);
    color: #3b2a17;
    border: 1px solid #8a6a3d;
    border-radius: 4px;
    padding: 2px 10px;
    font-weight: bold;
}
QPushButton[skinClass="Button"]:hover {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f5e6c2, stop:1 #e0c793);
}
QPushButton[skinClass="Button"]:pressed {
    background-color: #c9a86c;
    padding-top: 3px;
}
QPushButton[skinClass="Button"]:focus {
    border: 2px solid #6b4a22;
}
QPushButton[skinClass="Button"]:disabled {
    color: #8d7b63;
    background-color: #e6dcc5;
}
*[skinClass="form"] QToolButton:focus,
*[skinClass="form"] QTreeView:focus {
    border: 2px solid #6b4a22;
    border-radius: 3px;
}
QLabel[skinClass="Label"] {
    background-color: transparent;
    color: #4a2f12;
}
QFrame[skinClass="Panel"] {
    background-color: #ead8b0;
    border: 1px solid #a9875b;
    border-radius: 5px;
}
)");
}
