#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <functional>

namespace platform {

// A picture read from a file, whatever its format: its size, its current frame as an image,
// and painting that frame stretched onto a rectangle. Animated pictures call OnFrameChanged
// (on the user-interface thread) whenever the frame changes, so whoever shows them repaints
// without the picture knowing any widget; stills never call it.
class Picture {
public:
    virtual ~Picture() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual QImage toImage() const = 0;
    virtual void draw(QPainter& painter, const QRect& rect) = 0;
    // A drawing (a metafile) covers only what it draws: it answers itself drawn at its own
    // size over `background`. A picture of pixels answers a null image.
    virtual QImage drawnOver(QColor background) const
    {
        static_cast<void>(background);
        return {};
    }

    std::function<void()> OnFrameChanged;

protected:
    void TriggerFrameChanged()
    {
        if (OnFrameChanged)
            OnFrameChanged();
    }
};

} // namespace platform
