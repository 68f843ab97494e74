#include "filemanager/PictureImage.h"

#include <QPainter>

TPictureImage::TPictureImage(QWidget* parent) : QWidget(parent)
{
    // Every pixel is the picture's: nothing behind it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TPictureImage::~TPictureImage() = default;

void TPictureImage::SetPicture(std::unique_ptr<platform::Picture> replacement)
{
    picture = std::move(replacement);
    if (picture)
        picture->OnFrameChanged = [this] { update(); };
    update();
}

void TPictureImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (picture)
        picture->draw(painter, rect());
    else
        painter.fillRect(rect(), palette().window());
}
