#pragma once

#include "platform/graphics/Picture.h"

#include <QByteArray>
#include <QRectF>
#include <QSize>

#include <memory>
#include <string>

class QSvgRenderer;

namespace platform {

// A metafile as the picture registry hands it out: its drawing (SVG made by the metafile
// libraries) rendered by Qt's SVG module at the metafile's own size.
class MetafilePicture final : public Picture {
public:
    // `drawing` must be valid SVG; `size` is the metafile's own (empty: the drawing's), and
    // `area` the part of the drawing it shows (empty: all of it).
    MetafilePicture(const QByteArray& drawing, QSize size, const QRectF& area = {});
    ~MetafilePicture() override;

    int width() const override { return size_.width(); }
    int height() const override { return size_.height(); }
    // On white, as on a fresh bitmap.
    QImage toImage() const override { return drawnOver(Qt::white); }
    // What it leaves undrawn shows the window colour, as the picture's place would.
    void draw(QPainter& painter, const QRect& rect) override;
    QImage drawnOver(QColor background) const override;

private:
    std::unique_ptr<QSvgRenderer> renderer_;
    QSize size_;
};

// Reads a Windows metafile (".wmf", with or without its placeable header) or an enhanced
// metafile (".emf"). Throws platform::Exception naming the file when it cannot be opened,
// is cut short, has a record running past its end, is too large, or cannot be played.
std::unique_ptr<Picture> ReadWmfPicture(const std::string& fileName);
std::unique_ptr<Picture> ReadEmfPicture(const std::string& fileName);

} // namespace platform
