// Feeds arbitrary bytes to the GIF reader and draws every frame it accepts and the still
// composite. Anything but a picture or a GIFException (a crash, an overrun, another
// exception, a hang, memory beyond the limits) is a finding.

#include "gif/GIFImage.h"
#include "platform/graphics/Stream.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TGIFImage image;
    // Smaller than the defaults so that the fuzzer's memory limit is never the finding.
    image.Limits.maxFramePixels = std::size_t{1} << 20;
    image.Limits.maxTotalPixels = std::size_t{4} << 20;
    image.Limits.maxCanvasPixels = std::size_t{1} << 20;
    auto stream = platform::MemoryStream::borrowing({data, size});
    try {
        image.LoadFromStream(stream);
        for (const auto& frame : image.Images) {
            frame->GetBitmap();
            frame->HasMask();
        }
        image.GetBitmap();
        image.GetGlobalColorMap().Optimize();
    } catch (const GIFException&) {
    }
    return 0;
}
