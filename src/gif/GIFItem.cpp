#include "gif/GIFItem.h"

#include "platform/graphics/FileReplace.h"
#include "platform/graphics/FileStream.h"

void TGIFItem::LoadFromFile(const std::string& fileName)
{
    platform::FileStream stream(fileName, platform::FileStream::Mode::Read);
    LoadFromStream(stream);
}

void TGIFItem::SaveToFile(const std::string& fileName)
{
    platform::ReplaceFile(fileName, [this](platform::Stream& stream) { SaveToStream(stream); });
}

void TGIFItem::Warning(TGIFSeverity severity, std::string_view message)
{
    GifWarning(Image, this, severity, message);
}
