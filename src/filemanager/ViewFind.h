#pragma once

#include <QTextCursor>
#include <QTextDocument>

// Finding text in a viewer's document, whose lines too long to lay out quickly are shown
// broken into several blocks: a match runs on across such a break as it does in the file.
namespace viewfind {

// The user state of a block that goes on with the line of the block before it.
constexpr int continuesLine = 1;

struct Found {
    QTextCursor match; // selects the match; null when there is none in the document
    bool undecided = false; // the document's end leaves it open: show more, then look again
    int resumeAt = 0; // where to look again from then
};

// The first match of `text` starting at or after `from`, with the document's case and
// whole-word flags. With `moreToCome`, the document's last line may go on in text not yet
// shown, so a match that its end could make or unmake is left undecided.
Found FindText(QTextDocument& document, const QString& text, int from, QTextDocument::FindFlags flags, bool moreToCome);

} // namespace viewfind
