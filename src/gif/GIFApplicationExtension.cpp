#include "gif/GIFApplicationExtension.h"

#include "gif/GIFException.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct AppRegistration {
    TGIFApplicationExtension::Identifier identifier;
    TGIFExtensionFactory factory;
};

TGIFApplicationExtension::Identifier IdentifierOf(std::string_view text)
{
    TGIFApplicationExtension::Identifier id{};
    std::copy_n(text.begin(), std::min(text.size(), id.size()), id.begin());
    return id;
}

std::vector<AppRegistration>& AppRegistry()
{
    static std::vector<AppRegistration> registry{
        {IdentifierOf("NETSCAPE2.0"), MakeExtension<TGIFAppExtNSLoop>},
        {IdentifierOf("ANIMEXTS1.0"), MakeExtension<TGIFAppExtNSLoop>},
    };
    return registry;
}

} // namespace

TGIFExtensionFactory TGIFApplicationExtension::FindSubExtension(platform::Stream& stream)
{
    const std::int64_t start = stream.position();
    TGIFExtensionFactory found = MakeExtension<TGIFUnknownAppExtension>;
    Identifier id;
    if (ReadOneByte(stream) == 11 && stream.read(id.data(), id.size()) == id.size()) {
        const auto& registry = AppRegistry();
        const auto row = std::find_if(registry.rbegin(), registry.rend(),
                                      [&](const AppRegistration& r) { return r.identifier == id; });
        if (row != registry.rend())
            found = row->factory;
    }
    stream.setPosition(start);
    return found;
}

void TGIFApplicationExtension::RegisterExtension(const Identifier& identifier, TGIFExtensionFactory factory)
{
    AppRegistry().push_back({identifier, std::move(factory)});
}

std::string TGIFApplicationExtension::field(std::size_t at, std::size_t length) const
{
    const char* text = reinterpret_cast<const char*>(Ident.data() + at);
    return std::string(text, ::strnlen(text, length));
}

void TGIFApplicationExtension::setField(std::size_t at, std::size_t length, std::string_view text)
{
    const std::size_t n = std::min(text.size(), length);
    std::copy_n(text.begin(), n, Ident.begin() + static_cast<std::ptrdiff_t>(at));
    for (std::size_t i = n; i < length; ++i)
        Ident[at + i] = i == n ? 0 : ' ';
}

void TGIFApplicationExtension::ReadBody(platform::Stream& stream)
{
    const int size = ReadOneByte(stream);
    if (size < 0)
        RaiseGIFError(gifstrings::sOutOfData);
    Ident.fill(0);
    // 11 is the only size the format knows; 10 is a known writer's slip. Shorter blocks
    // fill the identifier as far as they go, longer ones are read to their end.
    ReadExactly(stream, Ident.data(), std::min<std::size_t>(static_cast<std::size_t>(size), Ident.size()));
    if (size < 10)
        Warning(gsWarning, gifstrings::sBadBlockSize);
    else if (size > 11)
        stream.seek(size - 11);
    LoadData(stream);
}

void TGIFApplicationExtension::WriteBody(platform::Stream& stream) const
{
    WriteOneByte(stream, 11);
    stream.write(Ident.data(), Ident.size());
    SaveData(stream);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage)
{
    Ident = IdentifierOf("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::LoadData(platform::Stream& stream)
{
    for (;;) {
        const int length = ReadOneByte(stream);
        if (length == 0)
            return;
        const int id = ReadOneByte(stream);
        if (length < 0 || id < 0) {
            Warning(gsWarning, gifstrings::sOutOfData);
            return;
        }
        int rest = length - 1;
        std::uint8_t bytes[4];
        if ((id & 7) == 1) {
            if (rest < 2)
                RaiseGIFError(gifstrings::sInvalidData);
            ReadExactly(stream, bytes, 2);
            Loops = LoadLE16(bytes);
            rest -= 2;
        } else if ((id & 7) == 2) {
            if (rest < 4)
                RaiseGIFError(gifstrings::sInvalidData);
            ReadExactly(stream, bytes, 4);
            BufferSize = LoadLE16(bytes) | (std::uint32_t{LoadLE16(bytes + 2)} << 16);
            rest -= 4;
        }
        stream.seek(rest);
    }
}

void TGIFAppExtNSLoop::SaveData(platform::Stream& stream) const
{
    std::uint8_t loops[4] = {3, 1, 0, 0};
    StoreLE16(loops + 2, Loops);
    stream.write(loops, sizeof loops);
    if (BufferSize != 0) {
        const std::uint8_t buffer[6] = {5, 2, static_cast<std::uint8_t>(BufferSize), static_cast<std::uint8_t>(BufferSize >> 8),
                                        static_cast<std::uint8_t>(BufferSize >> 16), static_cast<std::uint8_t>(BufferSize >> 24)};
        stream.write(buffer, sizeof buffer);
    }
    WriteOneByte(stream, 0);
}

void TGIFUnknownExtension::ReadBody(platform::Stream& stream)
{
    Warning(gsWarning, gifstrings::sUnknownExtension);
    Blocks = ReadBlocks(stream);
}
