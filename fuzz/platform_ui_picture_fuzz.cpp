// A picture file of any bytes under each extension the program reads pictures by: bmp, ico,
// jpg, gif, wmf and emf, GIF registered as the program does. Each gives a picture whose image, if it
// has one and can compose it, is of the size it claims, or a platform::Exception naming the
// file. Pictures are
// held to smaller limits than the program's (GIF through its reader's limits, the others
// through Qt's allocation limit, which our JPEG reader keeps too): one within the program's
// may take seconds in a fuzz build. Input: one byte picking the extension, then the file.
#include "FuzzSupport.h"
#include "GifFuzzLimits.h"

#include "app/GifPicture.h"
#include "platform/base/Exception.h"
#include "platform/ui/PictureRegistry.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

void RegisterFormats()
{
    registerGifFormat();
    for (const platform::PictureFormat& format : platform::PictureFormats())
        if (format.extension == "gif")
            platform::RegisterPictureFormat(format.extension, format.description, [](const std::string& fileName) {
                return ReadGifPicture(fileName, GifFuzzLimits());
            });
    QImageReader::setAllocationLimit(4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // Metafiles may hold texts, and Qt draws text only with a display, here one without a screen.
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static_cast<void>(offscreen);
    fuzzsupport::startInput<QGuiApplication>();
    static const int registered = (RegisterFormats(), 0);
    static_cast<void>(registered);
    static const char* const extensions[] = {"bmp", "ico", "jpg", "gif", "wmf", "emf"};
    const std::string name = fuzzsupport::runDirectory() + "/picture." + extensions[data[0] % 6];
    fuzzsupport::writeFile(name, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    std::unique_ptr<platform::Picture> picture;
    try {
        picture = platform::LoadPicture(name);
    } catch (const platform::Exception& error) {
        if (std::string_view(error.what()).find(name) == std::string_view::npos)
            std::abort();
        return 0;
    }
    try {
        // A GIF without frames is a screen with nothing on it: no image.
        const QImage image = picture->toImage();
        if (!image.isNull() && (image.width() != picture->width() || image.height() != picture->height()))
            std::abort();
    } catch (const platform::Exception&) {
        // A GIF's screen beyond the limits is refused when it is composed.
    }
    return 0;
}
