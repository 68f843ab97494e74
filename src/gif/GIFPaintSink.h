#pragma once

#include <QObject>

#include <functional>
#include <utility>

// Where a picture is shown: whoever shows it makes one and passes it to TGIFImage::Draw
// from its paint. An animation composes its frames off screen and calls Repaint on the
// user-interface thread; the owner repaints, and its paint draws the newest frame. The sink
// is a QObject so that it can be watched: one that has gone ends its animation quietly,
// and one sink with one rectangle keeps one animation.
class TGIFPaintSink final : public QObject {
public:
    explicit TGIFPaintSink(std::function<void()> repaint) : repaint_(std::move(repaint)) {}

    void Repaint() const
    {
        if (repaint_)
            repaint_();
    }

private:
    std::function<void()> repaint_;
};
