#include "filemanager/viewfil.h"

#include "filemanager/FindDialog.h"
#include "filemanager/ViewFind.h"
#include "filemanager/ViewPages.h"
#include "platform/fs/OpenRegularFile.h"
#include "platform/fs/Path.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_ViewForm.h"

#include <QFile>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace {

// About 850 hex lines: more than any screen shows, and laid out in a blink.
constexpr std::size_t pieceCharacters = 64 * 1024;
constexpr int vkF3 = platform::vk::F1 + 2;

QString Shown(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

} // namespace

TViewForm::TViewForm(QWidget* owner, TitleBar* titleBar)
    : QMainWindow(owner), ui(std::make_unique<Ui::ViewForm>()), titleBar_(titleBar)
{
    ui->setupUi(this);
    Editor = ui->Editor;
    ViewfrMainMenu1 = ui->ViewfrMainMenu1;
    View1 = ui->View1;
    wordwrap1 = ui->wordwrap1;
    font1 = ui->font1;
    find1 = ui->find1;
    FindDialog1 = new TFindDialog(this);
    FindDialog1->OnFind = [this] { FindDialog1Find(); };

    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    // The selection stays visible while the find box has the focus.
    QPalette palette = Editor->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    Editor->setPalette(palette);
    Editor->installEventFilter(this);
    const auto nearEnd = platform::guard([this] { ShowMoreNearEnd(); });
    connect(Editor->verticalScrollBar(), &QScrollBar::valueChanged, this, nearEnd);
    connect(Editor->verticalScrollBar(), &QScrollBar::rangeChanged, this, nearEnd);
    connect(wordwrap1, &QAction::triggered, this, platform::guard([this] { wordwrap1Click(); }));
    connect(font1, &QAction::triggered, this, platform::guard([this] { font1Click(); }));
    connect(find1, &QAction::triggered, this, platform::guard([this] { find1Click(); }));

    Editor->clear();
    platform::ShowOverOwner(*this, owner);
}

TViewForm::~TViewForm() = default;

void TViewForm::LoadFile(const std::string& fileName, [[maybe_unused]] const std::string& extension, int mode)
{
    const std::string caption = "Pelvaxon: " + platform::FileNameOf(fileName);
    setWindowTitle(Shown(caption));
    viewMode = mode;
    const bool pages = mode == ViewPages::Hex || mode == ViewPages::Binary;
    for (QAction* item : ViewfrMainMenu1->actions())
        item->setEnabled(!pages);
    if (pages) {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPointSize(8);
        fixed.setWeight(QFont::Normal);
        fixed.setStyle(QFont::StyleNormal);
        fixed.setUnderline(false);
        fixed.setStrikeOut(false);
        Editor->setFont(fixed);
    }
    Editor->clear();
    pages_.reset();

    platform::FileDescriptor file;
    try {
        file = platform::OpenRegularFile(fileName);
    } catch (const platform::FileOpenError& error) {
        if (error.errorNumber() != 0 && error.errorNumber() != EISDIR)
            throw;
        setWindowTitle(Shown(caption + " (not a regular file)"));
        return;
    }
    pages_ = std::make_unique<ViewPages>(file, mode, loadLimit, titleBar_);
    if (pages_->ReadError())
        setWindowTitle(Shown(caption + " (read error)"));
    else if (pages_->Truncated())
        setWindowTitle(Shown(caption + " (truncated)"));
    ShowNextPiece();
}

bool TViewForm::MoreToShow() const { return pages_ && !pages_->AtEnd(); }

void TViewForm::ShowNextPiece()
{
    const ViewPages::Piece piece = pages_->Next(pieceCharacters);
    QTextCursor end(Editor->document());
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    qsizetype shown = 0;
    for (const qsizetype lineBreak : piece.breaks) {
        end.insertText(piece.text.mid(shown, lineBreak - shown));
        end.insertBlock();
        end.block().setUserState(viewfind::continuesLine);
        shown = lineBreak;
    }
    end.insertText(piece.text.mid(shown));
    end.endEditBlock();
}

// Runs after the scroll bar has settled, so that a piece never goes in while the editor
// is still laying out the one before.
void TViewForm::ShowMoreNearEnd()
{
    const QScrollBar* bar = Editor->verticalScrollBar();
    if (piecePending_ || !MoreToShow() || bar->value() < bar->maximum() - 2 * bar->pageStep())
        return;
    piecePending_ = true;
    QTimer::singleShot(0, this, platform::guard([this] {
        piecePending_ = false;
        if (MoreToShow()) {
            ShowNextPiece();
            ShowMoreNearEnd();
        }
    }));
}

bool TViewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Editor && event->type() == QEvent::KeyRelease) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        // A held key repeats its presses but is let go once.
        if (!key.isAutoRepeat()) {
            const int code = platform::toVk(key);
            const platform::ShiftState shift = platform::shiftStateOf(key.modifiers());
            platform::guarded([&] { EditorKeyUp(code, shift); });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TViewForm::EditorKeyUp(int key, platform::ShiftState)
{
    if (key == platform::vk::Escape) {
        if (!findDismissed && !FindDialog1->FindText().isEmpty()) {
            findDismissed = true;
            FindDialog1->hide();
        } else {
            close();
        }
    } else if (key == vkF3 && viewMode == ViewPages::Text) {
        if (FindDialog1->FindText().isEmpty())
            find1Click();
        else
            FindDialog1Find();
    }
}

void TViewForm::find1Click()
{
    findDismissed = false;
    FindDialog1->move(Editor->mapToGlobal(QPoint(0, 0)));
    FindDialog1->show();
    FindDialog1->raise();
    FindDialog1->activateWindow();
}

void TViewForm::FindDialog1Find()
{
    QTextDocument::FindFlags flags;
    if (FindDialog1->MatchCase())
        flags |= QTextDocument::FindCaseSensitively;
    if (FindDialog1->WholeWord())
        flags |= QTextDocument::FindWholeWords;
    const QString text = FindDialog1->FindText();
    const QTextCursor selection = Editor->textCursor();
    const int start = selection.hasSelection() ? selection.selectionEnd() : 0;

    std::optional<platform::BusyCursor> busy;
    for (int from = start;;) {
        const viewfind::Found found = viewfind::FindText(*Editor->document(), text, from, flags, MoreToShow());
        if (!found.match.isNull()) {
            Editor->setFocus();
            Editor->setTextCursor(found.match);
            return;
        }
        if (!found.undecided)
            break;
        if (!busy)
            busy.emplace();
        from = found.resumeAt;
        ShowNextPiece();
    }
    platform::ShowMessage("Not found");
}

void TViewForm::wordwrap1Click()
{
    const bool wrap = Editor->lineWrapMode() == QPlainTextEdit::NoWrap;
    Editor->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    wordwrap1->setChecked(wrap);
}

void TViewForm::font1Click()
{
    if (const auto font = platform::messages().pickFont(Editor->font()))
        Editor->setFont(*font);
}
