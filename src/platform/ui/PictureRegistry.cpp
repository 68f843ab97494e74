#include "platform/ui/PictureRegistry.h"

#include "platform/base/AsciiCase.h"
#include "platform/base/Exception.h"
#include "platform/fs/OpenRegularFile.h"
#include "platform/fs/Path.h"
#include "platform/ui/JpegReader.h"
#include "platform/ui/MetafilePicture.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>

namespace platform {
namespace {

struct RegisteredFormat {
    PictureFormat format;
    PictureReader reader;
};

std::string cannotRead(const std::string& fileName, const std::string& why)
{
    return "Cannot read picture \"" + fileName + "\": " + why;
}

// Qt's reader of exactly this format, on the file's bytes: never guessing the format from
// the contents, so a GIF named ".bmp" is no picture and Qt's own GIF reader never answers.
PictureReader qtReader(const char* format)
{
    return [format](const std::string& fileName) -> std::unique_ptr<Picture> {
        const FileDescriptor file = OpenRegularFile(fileName);
        QFile device;
        if (!device.open(file.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            throw Exception(cannotRead(fileName, device.errorString().toStdString()));
        QImageReader reader(&device, format);
        reader.setAutoDetectImageFormat(false);
        QImage image = reader.read();
        if (image.isNull())
            throw Exception(cannotRead(fileName, reader.errorString().toStdString()));
        return std::make_unique<StillPicture>(std::move(image));
    };
}

std::unique_ptr<Picture> readJpegPicture(const std::string& fileName)
{
    const FileDescriptor file = OpenRegularFile(fileName);
    return std::make_unique<StillPicture>(ReadJpeg(file.get(), fileName));
}

std::string formatKey(std::string_view extension)
{
    if (extension.starts_with('.'))
        extension.remove_prefix(1);
    return AsciiLowerCase(extension);
}

std::vector<RegisteredFormat>& registry()
{
    static std::vector<RegisteredFormat> formats = {
        {{"bmp", "Bitmaps"}, qtReader("bmp")},         {{"ico", "Icons"}, qtReader("ico")},
        {{"wmf", "Metafiles"}, ReadWmfPicture},        {{"emf", "Enhanced Metafiles"}, ReadEmfPicture},
        {{"jpg", "JPEG Image File"}, readJpegPicture}, {{"jpeg", "JPEG Image File"}, readJpegPicture},
    };
    return formats;
}

} // namespace

std::string OversizeReason(long long width, long long height)
{
    const long long limit = static_cast<long long>(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limit > 0 && width * height * 4 > limit)
        return "the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)";
    return {};
}

void RegisterPictureFormat(const std::string& extension, const std::string& description, PictureReader reader)
{
    const std::string key = formatKey(extension);
    auto& formats = registry();
    const auto known = std::find_if(formats.begin(), formats.end(),
                                    [&](const RegisteredFormat& entry) { return entry.format.extension == key; });
    if (known != formats.end())
        *known = {{key, description}, std::move(reader)};
    else
        formats.push_back({{key, description}, std::move(reader)});
}

std::vector<PictureFormat> PictureFormats()
{
    std::vector<PictureFormat> result;
    for (const RegisteredFormat& entry : registry())
        result.push_back(entry.format);
    return result;
}

std::unique_ptr<Picture> LoadPicture(const std::string& fileName)
{
    const std::string extension = LowerExtensionOf(fileName);
    for (const RegisteredFormat& entry : registry()) {
        if ("." + entry.format.extension == extension)
            return entry.reader(fileName);
    }
    throw Exception(cannotRead(fileName, extension.empty() ? "no picture file extension"
                                                           : "unknown picture file extension \"" + extension + "\""));
}

} // namespace platform
