#pragma once

#include "platform/graphics/Picture.h"

#include <QWidget>

#include <memory>

// Paints a picture stretched to the whole widget, and again whenever an animated picture
// moves to its next frame. The picture lives as long as the widget that shows it.
class TPictureImage : public QWidget {
public:
    explicit TPictureImage(QWidget* parent = nullptr);
    ~TPictureImage() override;

    void SetPicture(std::unique_ptr<platform::Picture> picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<platform::Picture> picture;
};
