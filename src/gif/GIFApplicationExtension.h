#pragma once

#include "gif/GIFBlock.h"
#include "gif/GIFExtension.h"

#include <array>
#include <string>
#include <string_view>

// An application extension: an 8-byte identifier and a 3-byte authentication code, then
// data sub-blocks whose meaning the identifier names.
class TGIFApplicationExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t Label = 0xFF;
    using Identifier = std::array<std::uint8_t, 11>;
    using TGIFExtension::TGIFExtension;

    std::uint8_t GetExtensionType() const override { return Label; }

    // Up to the first zero byte.
    std::string GetIdentifier() const { return field(0, 8); }
    std::string GetAuthentication() const { return field(8, 3); }
    // At most 8 (3) characters; a shorter text is followed by a zero byte, then spaces.
    void SetIdentifier(std::string_view text) { setField(0, 8, text); }
    void SetAuthentication(std::string_view text) { setField(8, 3, text); }

    // The class for the application extension whose block size follows in the stream;
    // the position is put back. A registered 11-byte identifier gets its class, any
    // other block the unknown application extension, which keeps its data.
    static TGIFExtensionFactory FindSubExtension(platform::Stream& stream);
    // Register before loading starts: the registry is not locked.
    static void RegisterExtension(const Identifier& identifier, TGIFExtensionFactory factory);

    Identifier Ident{};

protected:
    void ReadBody(platform::Stream& stream) final;
    void WriteBody(platform::Stream& stream) const final;
    virtual void LoadData(platform::Stream& stream) = 0;
    virtual void SaveData(platform::Stream& stream) const = 0;

private:
    std::string field(std::size_t at, std::size_t length) const;
    void setField(std::size_t at, std::size_t length, std::string_view text);
};

// An application extension we do not interpret: its sub-blocks are kept and written back.
class TGIFUnknownAppExtension final : public TGIFApplicationExtension {
public:
    using TGIFApplicationExtension::TGIFApplicationExtension;
    std::vector<TGIFBlock> Blocks;

protected:
    void LoadData(platform::Stream& stream) override { Blocks = ReadBlocks(stream); }
    void SaveData(platform::Stream& stream) const override { WriteBlocks(stream, Blocks); }
};

// The loop extension ("NETSCAPE2.0", also read under "ANIMEXTS1.0").
class TGIFAppExtNSLoop final : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);

    std::uint16_t Loops = 0;
    std::uint32_t BufferSize = 0;

protected:
    void LoadData(platform::Stream& stream) override;
    void SaveData(platform::Stream& stream) const override;
};

// An extension whose label no class is registered for: kept with its sub-blocks, so
// that a file carrying a newer extension still loads and saves unchanged.
class TGIFUnknownExtension final : public TGIFExtension {
public:
    TGIFUnknownExtension(TGIFSubImage* subImage, std::uint8_t label) : TGIFExtension(subImage), Label(label) {}

    std::uint8_t GetExtensionType() const override { return Label; }

    std::uint8_t Label;
    std::vector<TGIFBlock> Blocks;

protected:
    void ReadBody(platform::Stream& stream) override;
    void WriteBody(platform::Stream& stream) const override { WriteBlocks(stream, Blocks); }
};
