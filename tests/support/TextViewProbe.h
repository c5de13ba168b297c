#pragma once

#include <QString>

class QAction;
class frmMain;

// Looks at and selects in the main window's text view as a reader does, for tests of books
// read chapter by chapter.
namespace TextViewProbe {

// The Contents menu's entry with that title (its text without the surrounding spaces); null
// when there is none.
QAction* contentsEntry(frmMain& window, const QString& title);
// True when the text at offset in the view is underlined in the mark colour.
bool markedAt(frmMain& window, int offset);
// The text at the top of the view, length characters of it.
QString topText(frmMain& window, int length);
// Selects the first occurrence of text in the view; false when it is not shown.
bool selectText(frmMain& window, const QString& text);

} // namespace TextViewProbe
