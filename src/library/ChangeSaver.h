#pragma once

#include <QString>

class frmMain;

// Writes the marks and bookmark pictures of the open book back into the library: an RTF book
// over itself, a plain-text book as a new RTF book after the user agreed.
class ChangeSaver
{
public:
    enum class Result
    {
        Saved,
        NotSaved,
        Failed
    };

    explicit ChangeSaver(frmMain& main) : m_main(main) {}

    // Sets BookSaved; a failure is reported to the user and leaves ChangesPending set.
    Result SaveChanges();

    // The RTF name a plain-text book is converted to: the part before the first dot plus
    // ".rtf"; a name taken by another file gets " (2)", " (3)", ... before the extension.
    static QString convertedName(const QString& booksFolder, const QString& bookName);

private:
    frmMain& m_main;
};
