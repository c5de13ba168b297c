#include "ui/commands/ChangeSaver.h"

#include "core/Library.h"
#include "core/ReaderState.h"
#include "views/MessageBox.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("ChangeSaver", text);
}
} // namespace

QString ChangeSaver::convertedName(const QString& booksFolder, const QString& bookName)
{
    // Only a real extension is replaced: the dots of "Dr. Jekyll and Mr. Hyde.txt" or of
    // "St. Ives" belong to the title.
    const QString name = bookName.left(Library::extensionStart(bookName)) + QStringLiteral(".rtf");
    // A book already named so is its own copy; any other file of that name is never replaced.
    return name == bookName ? name : Library::freeName(booksFolder, name);
}

ChangeSaver::Result ChangeSaver::SaveChanges()
{
    ReaderState& state = m_context.state;
    const QString oldPath = state.BooksFolder + state.CurrentBookName;
    QString error;
    // Only a book the text view holds whole is written; a refused file never is.
    if (!ReadingPane::keepsMarks(state)) {
        return Result::NotSaved;
    }

    if (state.Kind == BookKind::Rtf) {
        if (!m_context.pane.text()->SaveFile(oldPath, &error)) {
            MessageBox::warning(m_context.window,
                                tr("The changes to \"%1\" could not be saved.\n\n%2")
                                    .arg(state.CurrentBookName, error));
            return Result::Failed;
        }
        state.ChangesPending = false;
        return Result::Saved;
    }

    if (state.Kind != BookKind::PlainText) {
        return Result::NotSaved;
    }
    // Never converted (and deleted) when the RTF would not give the book back.
    const QString refusal = m_context.pane.text()->marksRefusal();
    if (!refusal.isEmpty()) {
        MessageBox::warning(m_context.window, refusal);
        return Result::NotSaved;
    }
    const auto answer = MessageBox::show(m_context.window, tr("File format will be changed to RTF"),
                                         QMessageBox::Ok | QMessageBox::Cancel, tr("Save"));
    if (answer != QMessageBox::Ok) {
        return Result::NotSaved;
    }
    const QString newName = convertedName(state.BooksFolder, state.CurrentBookName);
    const QString newPath = state.BooksFolder + newName;
    if (!m_context.pane.text()->SaveFile(newPath, &error)) {
        MessageBox::warning(m_context.window,
                            tr("The book \"%1\" could not be saved as RTF; it is left "
                               "as it was.\n\n%2")
                                .arg(state.CurrentBookName, error));
        return Result::Failed;
    }
    state.CurrentBookName = newName;
    // The old text file goes only once its RTF copy is safely written; a book already named
    // ".rtf" is that copy itself and stays.
    if (newPath != oldPath && QFileInfo::exists(oldPath) && !QFile::remove(oldPath)) {
        MessageBox::warning(m_context.window,
                            tr("The book was saved as \"%1\", but the old file \"%2\" "
                               "could not be removed.")
                                .arg(newName, QFileInfo(oldPath).fileName()));
    }
    m_context.refreshLibrary();
    // From now on the book is the RTF book it was saved as; the pane keeps showing it.
    m_context.pane.show(BookKind::Rtf);
    state.ChangesPending = false;
    return Result::Saved;
}
