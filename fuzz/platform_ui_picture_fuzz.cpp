// A picture file of any bytes under each extension the program reads pictures by: bmp, ico,
// jpg and gif, registered as the program does. Each gives a picture whose image, if it has
// one, is of the size it claims, or a platform::Exception naming the file. Input: one byte picking the
// extension, then the file.
#include "FuzzSupport.h"

#include "app/GifPicture.h"
#include "platform/base/Exception.h"
#include "platform/ui/PictureRegistry.h"

#include <QImage>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    fuzzsupport::startApplication();
    registerGifFormat();
    static const char* const extensions[] = {"bmp", "ico", "jpg", "gif"};
    const std::string name = fuzzsupport::runDirectory() + "/picture." + extensions[data[0] % 4];
    fuzzsupport::writeFile(name, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    try {
        const auto picture = platform::LoadPicture(name);
        // A GIF without frames is a screen with nothing on it: no image.
        const QImage image = picture->toImage();
        if (!image.isNull() && (image.width() != picture->width() || image.height() != picture->height()))
            std::abort();
    } catch (const platform::Exception& error) {
        if (std::string_view(error.what()).find(name) == std::string_view::npos)
            std::abort();
    }
    return 0;
}
