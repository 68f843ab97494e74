#include "filemanager/grfview.h"

#include "filemanager/PictureImage.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "platform/ui/PictureRegistry.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_grfviewForm.h"

#include <QFile>
#include <QKeyEvent>

#include <algorithm>

TgrfviewForm::TgrfviewForm(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), ui(std::make_unique<Ui::grfviewForm>())
{
    ui->setupUi(this);
    Image1 = ui->Image1;
    setAttribute(Qt::WA_DeleteOnClose);
}

TgrfviewForm::~TgrfviewForm() = default;

namespace {

// The picture's size, but no larger than the screen can show with the window's frame: X11
// refuses windows above 32767 pixels, and a backing store of a huge picture's size would take
// gigabytes. A picture made smaller keeps its proportions, since it is stretched to the window.
QSize ClientSizeFor(const QWidget* owner, const platform::Picture& picture)
{
    const QSize size(std::max(1, picture.width()), std::max(1, picture.height()));
    const QSize available = platform::AvailableClientSize(owner);
    if (size.width() <= available.width() && size.height() <= available.height())
        return size;
    return size.scaled(available, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

} // namespace

void TgrfviewForm::ShowPicture(const std::string& FileName)
{
    try {
        auto picture = platform::LoadPicture(FileName);
        const QSize clientSize = ClientSizeFor(parentWidget(), *picture);
        Image1->SetPicture(std::move(picture));
        resize(clientSize);
        setWindowTitle("Pelvaxon - " + QFile::decodeName(QByteArray::fromStdString(FileName)));
        platform::ShowOverOwner(*this, parentWidget());
    } catch (const std::exception&) {
        hide();
        platform::ShowMessage("Error loading " + FileName);
        deleteLater();
    }
}

void TgrfviewForm::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    platform::guarded([&] { FormKeyUp(platform::toVk(*event), platform::shiftStateOf(event->modifiers())); });
}

void TgrfviewForm::FormKeyUp(int Key, platform::ShiftState)
{
    if (Key == platform::vk::Escape)
        close();
}
