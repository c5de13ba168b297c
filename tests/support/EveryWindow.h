#pragma once

#include <QList>

class QWidget;
class frmMain;

// Opens every window of the program over the main window (which has a text book open): the
// search window, the share dialog, the options dialog, the mail account window, the about box,
// the find-a-book window, the lookup window and the PDF reader notice. Returns them with the
// main window first; the PDF reader notice is deleted when it closes.
QList<QWidget*> openEveryWindow(frmMain& window);
