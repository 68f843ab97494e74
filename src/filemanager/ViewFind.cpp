#include "filemanager/ViewFind.h"

#include <QTextBlock>

namespace viewfind {
namespace {

int TextLength(const QTextBlock& block)
{
    return block.length() - 1;
}

// The position just after the match that begins `offset` characters into `block` and runs
// `length` characters on, over the breaks of its line.
int EndOf(QTextBlock block, int offset, int length)
{
    int remaining = offset + length;
    while (remaining > TextLength(block) && block.next().isValid()) {
        remaining -= TextLength(block);
        block = block.next();
    }
    return block.position() + remaining;
}

bool IsWordCharacter(QChar c)
{
    return c.isLetterOrNumber();
}

} // namespace

Found FindText(QTextDocument& document, const QString& text, int from, QTextDocument::FindFlags flags, bool moreToCome)
{
    Found found;
    if (text.isEmpty())
        return found;
    const Qt::CaseSensitivity sensitivity =
        flags.testFlag(QTextDocument::FindCaseSensitively) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wholeWords = flags.testFlag(QTextDocument::FindWholeWords);
    for (QTextBlock block = document.findBlock(std::max(from, 0)); block.isValid(); block = block.next()) {
        // The block's text with the last character of the line before it and enough of the
        // line after it to hold a match that begins here and the character that follows.
        QString line;
        const QTextBlock previous = block.previous();
        if (block.userState() == continuesLine && previous.isValid() && TextLength(previous) > 0)
            line = previous.text().right(1);
        const qsizetype own = line.size();
        line += block.text();
        const qsizetype ownEnd = line.size();
        bool lineEnds = false; // no more of this line anywhere
        QTextBlock next = block.next();
        while (line.size() - ownEnd < text.size()) {
            if (!next.isValid()) {
                lineEnds = !moreToCome;
                break;
            }
            if (next.userState() != continuesLine) {
                lineEnds = true;
                break;
            }
            line += next.text();
            next = next.next();
        }
        const bool complete = lineEnds || line.size() - ownEnd >= text.size();

        qsizetype at = own + std::max(0, from - block.position());
        for (;;) {
            const qsizetype index = line.indexOf(text, at, sensitivity);
            if (index < 0 || index >= ownEnd)
                break;
            const qsizetype end = index + text.size();
            if (wholeWords && end == line.size() && !lineEnds)
                break; // what follows is not shown yet
            if (!wholeWords
                || ((index == 0 || !IsWordCharacter(line[index - 1]))
                    && (end == line.size() || !IsWordCharacter(line[end])))) {
                const int start = block.position() + int(index - own);
                found.match = QTextCursor(&document);
                found.match.setPosition(start);
                found.match.setPosition(EndOf(block, int(index - own), int(text.size())), QTextCursor::KeepAnchor);
                return found;
            }
            at = index + 1;
        }
        if (!complete) {
            found.undecided = true;
            found.resumeAt = std::max(from, block.position());
            return found;
        }
    }
    return found;
}

} // namespace viewfind
