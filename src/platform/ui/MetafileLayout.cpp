#include "platform/ui/MetafileLayout.h"

#include "platform/base/Exception.h"
#include "platform/ui/PictureRegistry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace platform {
namespace {

std::uint32_t U32(const std::string& bytes, std::size_t at)
{
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8
           | std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
}

std::uint16_t U16(const std::string& bytes, std::size_t at)
{
    return std::uint16_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8);
}

std::int16_t I16(const std::string& bytes, std::size_t at)
{
    return std::int16_t(U16(bytes, at));
}

std::int32_t I32(const std::string& bytes, std::size_t at)
{
    return std::int32_t(U32(bytes, at));
}

void PutU32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = char(value >> (8 * i));
}

void PutU16(std::string& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = char(value);
    bytes[at + 1] = char(value >> 8);
}

[[noreturn]] void Refuse(const std::string& reason)
{
    throw Exception(reason);
}

[[noreturn]] void RefuseRecord(std::size_t at, const std::string& what)
{
    Refuse("the record at byte " + std::to_string(at) + " " + what);
}

int Pixels(double value)
{
    return int(std::min(std::lround(std::fabs(value)), long(1) << 30));
}

void CheckSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        Refuse("its frame is empty");
    const std::string oversize = OversizeReason(width, height);
    if (!oversize.empty())
        Refuse(oversize);
}

// Windows metafiles
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr std::uint16_t kWmfEof = 0x0000;
constexpr std::uint16_t kSetWindowExt = 0x020C;
// The records that make an object: the player keeps a table of the size the header states.
constexpr std::uint16_t kObjectMakers[] = {0x02FA, 0x02FC, 0x02FB, 0x00F7, 0x01F9, 0x0142, 0x06FF};

// Enhanced metafiles
constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmfSignature = 0x464D4520;
constexpr std::size_t kEmfHeaderSize = 88;

} // namespace

MetafileLayout CheckWmf(std::string bytes)
{
    MetafileLayout layout;
    std::size_t header = 0;
    const bool placeable = bytes.size() >= 4 && U32(bytes, 0) == kPlaceableKey;
    if (placeable) {
        if (bytes.size() < kPlaceableSize)
            Refuse("cut short in its header");
        // The frame in logical units and how many of them make an inch; a file that gives
        // none counts pixels, and says so to the player, which would divide by it.
        if (U16(bytes, 14) == 0)
            PutU16(bytes, 14, 96);
        const int unitsPerInch = U16(bytes, 14);
        layout.width = Pixels((I16(bytes, 10) - I16(bytes, 6)) * 96.0 / unitsPerInch);
        layout.height = Pixels((I16(bytes, 12) - I16(bytes, 8)) * 96.0 / unitsPerInch);
        CheckSize(layout.width, layout.height);
        header = kPlaceableSize;
    }
    if (bytes.size() < header + kWmfHeaderSize)
        Refuse("cut short in its header");
    const std::uint16_t type = U16(bytes, header);
    if ((type != 1 && type != 2) || U16(bytes, header + 2) != kWmfHeaderSize / 2)
        Refuse("not a Windows metafile");

    std::uint32_t largest = 3;
    std::uint32_t objects = 0;
    bool ended = false;
    std::size_t at = header + kWmfHeaderSize;
    while (at < bytes.size() && !ended) {
        if (bytes.size() - at < 6)
            RefuseRecord(at, "runs past the end of the file");
        const std::uint32_t words = U32(bytes, at);
        const std::uint16_t function = U16(bytes, at + 4);
        if (words < 3)
            RefuseRecord(at, "claims a size of " + std::to_string(words) + " words");
        if (std::uint64_t(words) * 2 > bytes.size() - at)
            RefuseRecord(at, "runs past the end of the file");
        largest = std::max(largest, words);
        if (std::find(std::begin(kObjectMakers), std::end(kObjectMakers), function) != std::end(kObjectMakers))
            ++objects;
        // Without a placeable header the window's extent is the picture, one unit a pixel.
        if (function == kSetWindowExt && !placeable && layout.width == 0 && words >= 5) {
            layout.width = Pixels(I16(bytes, at + 8));
            layout.height = Pixels(I16(bytes, at + 6));
            CheckSize(layout.width, layout.height);
        }
        ended = function == kWmfEof;
        at += std::size_t(words) * 2;
    }
    bytes.resize(at);
    if (!ended)
        bytes.append("\x03\0\0\0\0\0", 6);
    PutU32(bytes, header + 6, std::uint32_t((bytes.size() - header) / 2));
    PutU16(bytes, header + 10,
           std::uint16_t(std::min<std::uint32_t>(0xFFFF, std::max<std::uint32_t>(U16(bytes, header + 10), objects))));
    PutU32(bytes, header + 12, largest);
    layout.bytes = std::move(bytes);
    return layout;
}

MetafileLayout CheckEmf(std::string bytes)
{
    if (bytes.size() >= 4 && U32(bytes, 0) != kEmrHeader)
        Refuse("not an enhanced metafile");
    if (bytes.size() < kEmfHeaderSize)
        Refuse("cut short in its header");
    if (U32(bytes, 4) < kEmfHeaderSize || U32(bytes, 40) != kEmfSignature)
        Refuse("not an enhanced metafile");
    if (U32(bytes, 4) > bytes.size())
        Refuse("cut short in its header");

    MetafileLayout layout;
    // The frame in hundredths of a millimetre, drawn at the reference device's resolution
    // (96 dpi when it gives none); a file without a frame is the size of its bounds.
    const double frameWidth = double(I32(bytes, 32)) - I32(bytes, 24);
    const double frameHeight = double(I32(bytes, 36)) - I32(bytes, 28);
    const std::int32_t deviceX = I32(bytes, 72), deviceY = I32(bytes, 76);
    const std::int32_t millimetresX = I32(bytes, 80), millimetresY = I32(bytes, 84);
    const double perUnitX = deviceX > 0 && millimetresX > 0 ? double(deviceX) / (millimetresX * 100.0) : 96 / 2540.0;
    const double perUnitY = deviceY > 0 && millimetresY > 0 ? double(deviceY) / (millimetresY * 100.0) : 96 / 2540.0;
    layout.width = Pixels(frameWidth * perUnitX);
    layout.height = Pixels(frameHeight * perUnitY);
    if (layout.width != 0 && layout.height != 0) {
        layout.areaLeft = I32(bytes, 24) * perUnitX - I32(bytes, 8);
        layout.areaTop = I32(bytes, 28) * perUnitY - I32(bytes, 12);
        layout.areaWidth = std::fabs(frameWidth * perUnitX);
        layout.areaHeight = std::fabs(frameHeight * perUnitY);
    } else {
        layout.width = Pixels(double(I32(bytes, 16)) - I32(bytes, 8) + 1);
        layout.height = Pixels(double(I32(bytes, 20)) - I32(bytes, 12) + 1);
    }
    CheckSize(layout.width, layout.height);

    std::uint32_t records = 0;
    bool ended = false;
    std::size_t at = 0;
    while (at < bytes.size() && !ended) {
        if (bytes.size() - at < 8)
            RefuseRecord(at, "runs past the end of the file");
        const std::uint32_t size = U32(bytes, at + 4);
        if (size < 8 || size % 4 != 0)
            RefuseRecord(at, "claims a size of " + std::to_string(size) + " bytes");
        if (size > bytes.size() - at)
            RefuseRecord(at, "runs past the end of the file");
        ++records;
        ended = U32(bytes, at) == kEmrEof;
        at += size;
    }
    bytes.resize(at);
    if (!ended) {
        bytes.append(std::string(20, '\0'));
        PutU32(bytes, at, kEmrEof);
        PutU32(bytes, at + 4, 20);
        PutU32(bytes, at + 12, 16);
        PutU32(bytes, at + 16, 20);
        ++records;
    }
    // The description is never shown: one that lies outside the header is dropped.
    const std::uint64_t descriptionEnd = std::uint64_t(U32(bytes, 64)) + std::uint64_t(U32(bytes, 60)) * 2;
    if (U32(bytes, 60) != 0 && (U32(bytes, 64) < kEmfHeaderSize || descriptionEnd > U32(bytes, 4))) {
        PutU32(bytes, 60, 0);
        PutU32(bytes, 64, 0);
    }
    PutU32(bytes, 48, std::uint32_t(bytes.size()));
    PutU32(bytes, 52, records);
    layout.bytes = std::move(bytes);
    return layout;
}

} // namespace platform
