#include "support/TextViewProbe.h"

#include "mainwindow/frmMain.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QMenu>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace TextViewProbe {

QAction* contentsEntry(frmMain& window, const QString& title)
{
    for (QAction* action : window.mnuContents->actions()) {
        if (action->text().trimmed() == title) {
            return action;
        }
    }
    return nullptr;
}

bool markedAt(frmMain& window, int offset)
{
    const QTextBlock block = window.txtBook->document()->findBlock(offset);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().contains(offset)) {
            return it.fragment().charFormat().fontUnderline();
        }
    }
    return false;
}

QString topText(frmMain& window, int length)
{
    const int top = window.txtBook->cursorForPosition(QPoint(0, 0)).position();
    return window.txtBook->document()->toRawText().mid(top, length);
}

bool selectText(frmMain& window, const QString& text)
{
    const int at = int(window.txtBook->document()->toRawText().indexOf(text));
    if (at < 0) {
        return false;
    }
    window.txtBook->setSelStart(at);
    window.txtBook->setSelLength(int(text.size()));
    return true;
}

} // namespace TextViewProbe
