// Feeds arbitrary bytes to the GIF reader and draws every frame it accepts and the still
// composite. Anything but a picture or a GIFException (a crash, an overrun, another
// exception, a hang, memory beyond the limits) is a finding.

#include "GifFuzzLimits.h"

#include "gif/GIFImage.h"
#include "platform/graphics/Stream.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TGIFImage image;
    image.Limits = GifFuzzLimits();
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
