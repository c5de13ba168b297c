#pragma once

#include "ui/commands/ReaderContext.h"

#include <QString>

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

    explicit ChangeSaver(const ReaderContext& context) : m_context(context) {}

    // Saved when the book was written; a failure is reported to the user and leaves
    // ChangesPending set.
    Result SaveChanges();
    // The same; false only when a write failed (already reported).
    bool trySave() { return SaveChanges() != Result::Failed; }

    // The RTF name a plain-text book is converted to: its name with ".rtf" in place of its
    // extension (a name without one keeps it whole); a name taken by another file gets " (2)",
    // " (3)", ... before the extension.
    static QString convertedName(const QString& booksFolder, const QString& bookName);

private:
    ReaderContext m_context;
};
