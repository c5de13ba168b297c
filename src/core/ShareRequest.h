#pragma once

#include <QString>

// What the share dialog's OK hands to the main window's SendClassic.
struct ShareRequest
{
    QString ShareAddress; // the e-mail address
    QString ShareSubject;
    QString ShareBookName; // a file name in the books folder, as the library shows it
    QString ShareBookPath; // the path that reaches that file
    QString ShareMessage;
};
