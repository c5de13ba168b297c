#include "views/Module1.h"

#include "core/ReaderState.h"
#include "views/RichTextView.h"

namespace {
const QString Space = QStringLiteral(" ");
// Any text that is not a separator; every scan starts with it so that it runs at least once.
const QString NotASeparator = QStringLiteral("x");

// The view hands a paragraph end out as "\r", and "" past the end of the text.
bool isSeparator(const QString& c)
{
    return c == Space || c == QLatin1String("\n") || c == QLatin1String("\r") || c.isEmpty();
}

// Selects the character at the caret and returns it.
QString readCharacter(RichTextView& view)
{
    view.setSelLength(1);
    return view.SelText();
}

// Reads backwards from the caret until a separator or the start of the text; the separator
// that stopped the scan is not part of the result.
QString scanBackward(RichTextView& view)
{
    QString left;
    QString c = NotASeparator;
    while (!isSeparator(c) && view.SelStart() != 0) {
        view.setSelStart(view.SelStart() - 1);
        c = readCharacter(view);
        if (!isSeparator(c)) {
            left.prepend(c);
        }
    }
    return left;
}

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}
} // namespace

void Module1::GetWordAtCursor(RichTextView& txtBook, LookupRequest& lookup)
{
    if (txtBook.SelLength() != 0) {
        // A selection drawn to a line's end takes the line end along; the words go alone.
        QString selected = txtBook.SelText();
        while (!selected.isEmpty() && isLineEnd(selected.back())) {
            selected.chop(1);
        }
        while (!selected.isEmpty() && isLineEnd(selected.front())) {
            selected.remove(0, 1);
        }
        lookup.lookupWord = selected;
        return;
    }
    if (readCharacter(txtBook) == Space) {
        // The caret stands just after a word.
        lookup.lookupWord = scanBackward(txtBook);
        return;
    }
    const int start = txtBook.SelStart();
    QString right;
    QString c = NotASeparator;
    while (!isSeparator(c)) {
        c = readCharacter(txtBook);
        if (!isSeparator(c)) {
            right.append(c);
        }
        txtBook.setSelStart(txtBook.SelStart() + 1);
    }
    txtBook.setSelStart(start);
    const QString left = start != 0 ? scanBackward(txtBook) : QString();
    lookup.lookupWord = left + right;
}
