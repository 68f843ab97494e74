#include "MetafileSvg.h"

#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cmath>

namespace {

// The library's state for one file, released however the conversion ends.
class WmfApi {
public:
    WmfApi()
    {
        wmfAPI_Options options{};
        options.function = wmf_svg_function;
        // Its messages would only go to a standard error nobody reads.
        const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&api_, flags, &options) != wmf_E_None)
            throw MetafileRefused("the metafile library could not start");
    }
    ~WmfApi()
    {
        if (api_)
            wmf_api_destroy(api_);
    }
    WmfApi(const WmfApi&) = delete;
    WmfApi& operator=(const WmfApi&) = delete;

    wmfAPI* get() const { return api_; }

private:
    wmfAPI* api_ = nullptr;
};

unsigned ExtentOf(float from, float to)
{
    return unsigned(std::lround(std::fmax(1.0f, std::fabs(to - from))));
}

} // namespace

std::string WmfToSvg(std::vector<unsigned char>& metafile, unsigned width, unsigned height)
{
    const WmfApi api;
    if (wmf_mem_open(api.get(), metafile.data(), long(metafile.size())) != wmf_E_None)
        throw MetafileRefused("the metafile library cannot read it");
    wmfD_Rect box{};
    if (wmf_scan(api.get(), 0, &box) != wmf_E_None)
        throw MetafileRefused("its records do not make a drawing");
    // The scan measures what is drawn, in points from the window's origin; the picture is the
    // area from that origin the frame covers (in logical units, so many an inch), else the
    // window's extent (a unit a point for a metafile without a frame), else what is drawn.
    float frameWidth = 0, frameHeight = 0;
    const wmfMetaHeader* header = api.get()->File;
    if (header->placeable && header->pmh->Inch != 0 && wmf_size(api.get(), &frameWidth, &frameHeight) == wmf_E_None) {
        const float pointsPerUnit = 72.0f / header->pmh->Inch;
        box = {{0, 0}, {frameWidth * pointsPerUnit, frameHeight * pointsPerUnit}};
    } else if (width != 0 && height != 0) {
        box = {{0, 0}, {float(width), float(height)}};
    } else {
        width = ExtentOf(box.TL.x, box.BR.x);
        height = ExtentOf(box.TL.y, box.BR.y);
    }
    wmf_svg_t* device = WMF_SVG_GetData(api.get());
    device->out = wmf_stream_create(api.get(), nullptr);
    if (!device->out)
        throw MetafileRefused("out of memory");
    device->Description = const_cast<char*>("");
    device->bbox = box;
    device->width = width;
    device->height = height;
    // Pictures inside go into the SVG itself, never into files of their own.
    device->flags |= WMF_SVG_INLINE_IMAGES;
    const wmf_error_t played = wmf_play(api.get(), 0, &box);
    char* text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api.get(), device->out, &text, &length);
    if (played != wmf_E_None || !text)
        throw MetafileRefused("its records do not make a drawing");
    return std::string(text, length);
}
