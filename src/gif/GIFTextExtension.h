#pragma once

#include "gif/GIFExtension.h"
#include "platform/graphics/Rgb.h"

#include <array>
#include <string>
#include <vector>

// Plain text drawn over the picture: a text grid, a cell size, two colour indices and the
// text itself, one string per data sub-block.
class TGIFTextExtension final : public TGIFExtension {
public:
    static constexpr std::uint8_t Label = 0x01;
    using TGIFExtension::TGIFExtension;

    std::uint8_t GetExtensionType() const override { return Label; }

    // 1 left, 2 top, 3 width, 4 height; other indices read 0 and write nothing.
    int GetBounds(int index) const;
    void SetBounds(int index, int value);
    // 1 width, 2 height.
    int GetCharWidthHeight(int index) const;
    void SetCharWidthHeight(int index, int value);
    // 1 foreground, 2 background.
    int GetColorIndex(int index) const;
    void SetColorIndex(int index, int value);
    platform::Rgb GetForegroundColor() const { return lookup(ForegroundColorIndex); }
    void SetForegroundColor(platform::Rgb color) { ForegroundColorIndex = addColor(color); }
    platform::Rgb GetBackgroundColor() const { return lookup(BackgroundColorIndex); }
    void SetBackgroundColor(platform::Rgb color) { BackgroundColorIndex = addColor(color); }

    std::array<std::uint16_t, 4> Grid{}; // left, top, width, height
    std::uint8_t CharWidth = 0;
    std::uint8_t CharHeight = 0;
    std::uint8_t ForegroundColorIndex = 0;
    std::uint8_t BackgroundColorIndex = 0;
    std::vector<std::string> Text;

protected:
    void ReadBody(platform::Stream& stream) override;
    void WriteBody(platform::Stream& stream) const override;

private:
    platform::Rgb lookup(std::uint8_t index) const;
    std::uint8_t addColor(platform::Rgb color);
};

class TGIFCommentExtension final : public TGIFExtension {
public:
    static constexpr std::uint8_t Label = 0xFE;
    using TGIFExtension::TGIFExtension;

    std::uint8_t GetExtensionType() const override { return Label; }

    std::vector<std::string> Text;

protected:
    void ReadBody(platform::Stream& stream) override;
    void WriteBody(platform::Stream& stream) const override;
};
