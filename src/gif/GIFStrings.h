#pragma once

#include <string_view>

// The codec's fixed texts. Users see them in message boxes and warning lists, and other
// programs' logs quote them, so they never change.
namespace gifstrings {

inline constexpr std::string_view sOutOfData = "Premature end of data";
inline constexpr std::string_view sTooManyColors = "Color table overflow";
inline constexpr std::string_view sBadColorIndex = "Invalid color index";
inline constexpr std::string_view sBadVersion = "Unsupported GIF version";
inline constexpr std::string_view sBadSignature = "Invalid GIF signature";
inline constexpr std::string_view sScreenBadColorSize = "Invalid number of colors specified in Screen Descriptor";
inline constexpr std::string_view sImageBadColorSize = "Invalid number of colors specified in Image Descriptor";
inline constexpr std::string_view sUnknownExtension = "Unknown extension type";
inline constexpr std::string_view sBadExtensionLabel = "Invalid extension introducer";
inline constexpr std::string_view sOutOfMemDIB = "Failed to allocate memory for GIF DIB";
inline constexpr std::string_view sDIBCreate = "Failed to create DIB from Bitmap";
inline constexpr std::string_view sDecodeTooFewBits = "Decoder bit buffer under-run";
inline constexpr std::string_view sDecodeCircular = "Circular decoder table entry";
inline constexpr std::string_view sBadTrailer = "Invalid Image trailer";
inline constexpr std::string_view sBadExtensionInstance =
    "Internal error: Extension Instance does not match Extension Label";
inline constexpr std::string_view sBadBlockSize = "Unsupported Application Extension block size";
inline constexpr std::string_view sBadBlock = "Unknown GIF block type";
inline constexpr std::string_view sUnsupportedClass = "Object type not supported for operation";
inline constexpr std::string_view sInvalidData = "Invalid GIF data";
inline constexpr std::string_view sBadHeight = "Image height too small for contained frames";
inline constexpr std::string_view sBadWidth = "Image width too small for contained frames";
inline constexpr std::string_view sFailedPaste = "Failed to store GIF on clipboard";
inline constexpr std::string_view sScreenSizeExceeded = "Image exceeds Logical Screen size";
inline constexpr std::string_view sNoColorTable = "No global or local color table defined";
inline constexpr std::string_view sBadPixelCoordinates = "Invalid pixel coordinates";
inline constexpr std::string_view sUnsupportedBitmap = "Unsupported bitmap format";
inline constexpr std::string_view sInvalidPixelFormat = "Unsupported PixelFormat";
inline constexpr std::string_view sBadDimension = "Invalid image dimensions";
inline constexpr std::string_view sNoDIB = "Image has no DIB";
inline constexpr std::string_view sInvalidStream = "Invalid stream operation";
inline constexpr std::string_view sInvalidColor = "Color not in color table";
inline constexpr std::string_view sInvalidBitSize = "Invalid Bits Per Pixel value";
inline constexpr std::string_view sEmptyColorMap = "Color table is empty";
inline constexpr std::string_view sEmptyImage = "Image is empty";
inline constexpr std::string_view sInvalidBitmapList = "Invalid bitmap list";
inline constexpr std::string_view sInvalidReduction = "Invalid reduction method";
inline constexpr std::string_view sUnsupportedClipboard = "Unsupported clipboard format";
inline constexpr std::string_view sScanLineRange = "Scan line index out of range";
inline constexpr std::string_view sGIFImageFile = "GIF Image";
inline constexpr std::string_view sProgressLoading = "Loading...";
inline constexpr std::string_view sProgressSaving = "Saving...";
inline constexpr std::string_view sProgressConverting = "Converting...";
inline constexpr std::string_view sProgressRendering = "Rendering...";
inline constexpr std::string_view sProgressCopying = "Copying...";
inline constexpr std::string_view sProgressOptimizing = "Optimizing...";

} // namespace gifstrings
