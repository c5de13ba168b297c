#pragma once

class RichTextView;
struct LookupRequest;

// The word routine of the lookup commands.
namespace Module1 {
// Sets lookup.lookupWord to the selected text (without line ends at its start or end), or else
// to the word at the caret of the view: only the space separates words, and a line end or the
// end of the text also stops a scan; neither is part of the word. Leaves the view's selection
// on the last character it examined.
void GetWordAtCursor(RichTextView& txtBook, LookupRequest& lookup);
} // namespace Module1
