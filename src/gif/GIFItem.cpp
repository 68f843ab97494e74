#include "gif/GIFItem.h"

#include "platform/graphics/FileStream.h"

void TGIFItem::LoadFromFile(const std::string& fileName)
{
    platform::FileStream stream(fileName, platform::FileStream::Mode::Read);
    LoadFromStream(stream);
}

void TGIFItem::Warning(TGIFSeverity severity, std::string_view message)
{
    GifWarning(Image, this, severity, message);
}
