#include "filemanager/OpenGLPanelPrint.h"

#include "platform/ui/MessageService.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int defaultPixelsPerInch = 96;

// Sizes are worked out exactly in whole numbers: a factor rounded in floating point would
// leave a fitted picture one printer pixel short of the margin it should reach.
int scaled(int length, std::int64_t numerator, std::int64_t denominator)
{
    const std::int64_t value = length * numerator / denominator;
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, 1 << 28));
}

// 0.18 inch, truncated to whole printer pixels.
int margin(int dotsPerInch) { return std::max(0, dotsPerInch * 18 / 100); }

} // namespace

QRect PrintRect(QSize bitmap, QSize dotsPerInch, QSize page, TOpenGLPrintScale scale, int pixelsPerInch)
{
    if (bitmap.isEmpty())
        return {};
    const int mx = margin(dotsPerInch.width());
    const int my = margin(dotsPerInch.height());
    const int bw = bitmap.width();
    const int bh = bitmap.height();
    QSize size = bitmap;
    if (scale == pglProportional) {
        const int ppi = pixelsPerInch < 1 ? defaultPixelsPerInch : pixelsPerInch;
        size = {scaled(bw, dotsPerInch.width(), ppi), scaled(bh, dotsPerInch.height(), ppi)};
    } else if (scale == pglPrintToFit) {
        const std::int64_t w = page.width() - 2 * mx;
        const std::int64_t h = page.height() - 2 * my;
        if (w <= 0 || h <= 0)
            return {};
        // The side that reaches its margin first decides the factor, the other keeps the aspect.
        if (w * bh <= h * bw)
            size = {static_cast<int>(w), scaled(bh, w, bw)};
        else
            size = {scaled(bw, h, bh), static_cast<int>(h)};
    }
    return {QPoint(mx, my), size};
}

bool TOpenGLPanel::PrintOpenGLPanel()
{
    QPrinter printer(QPrinter::HighResolution);
    // Without a printer Qt offers a PDF writer with no file, which could never print.
    if (printer.outputFormat() != QPrinter::NativeFormat) {
        platform::ShowMessage("Print: there is no printer to print on");
        return false;
    }
    return PrintOpenGLPanel(printer);
}

bool TOpenGLPanel::PrintOpenGLPanel(QPrinter& printer)
{
    if (!PictureAvailable())
        return false;
    const QImage picture = PanelPicture();
    if (picture.isNull()) {
        platform::ShowMessage("Print: Malloc Error");
        return false;
    }
    const QRect target = PrintRect(picture.size(), {printer.logicalDpiX(), printer.logicalDpiY()},
                                   {printer.width(), printer.height()}, PrintScale, PixelsPerInch);
    if (target.isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString where = printer.outputFileName().isEmpty() ? "printer \"" + printer.printerName() + "\""
                                                                 : "file \"" + printer.outputFileName() + "\"";
        platform::ShowMessage("Print: cannot start printing on " + where.toStdString());
        return false;
    }
    // A rendered scene has hard edges and flat colours that lossy compression would smear.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.drawImage(target, picture);
    return painter.end();
}
