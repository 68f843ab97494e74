#pragma once

#include "gif/GIFExtension.h"
#include "platform/graphics/Rgb.h"

// A frame's delay, disposal and transparent colour.
class TGIFGraphicControlExtension final : public TGIFExtension {
public:
    static constexpr std::uint8_t Label = 0xF9;
    using TGIFExtension::TGIFExtension;

    std::uint8_t GetExtensionType() const override { return Label; }

    bool GetTransparent() const { return (Flags & kTransparent) != 0; }
    void SetTransparent(bool transparent) { setFlag(kTransparent, transparent); }
    bool GetUserInput() const { return (Flags & kUserInput) != 0; }
    void SetUserInput(bool userInput) { setFlag(kUserInput, userInput); }
    // The raw bits are kept for saving; the values 4..7, which no method defines, read as
    // "no disposal".
    TDisposalMethod GetDisposal() const;
    void SetDisposal(TDisposalMethod disposal);
    int GetDelay() const { return Delay; }
    void SetDelay(int delay) { Delay = static_cast<std::uint16_t>(delay); }
    int GetTransparentColorIndex() const { return TransparentColorIndex; }
    // An index beyond a non-empty active table warns "Invalid color index" and stores 0.
    void SetTransparentColorIndex(int index);
    platform::Rgb GetTransparentColor() const;
    void SetTransparentColor(platform::Rgb color);

    std::uint8_t Flags = 0;
    std::uint16_t Delay = 0;
    std::uint8_t TransparentColorIndex = 0;

protected:
    void ReadBody(platform::Stream& stream) override;
    void WriteBody(platform::Stream& stream) const override;

private:
    static constexpr std::uint8_t kTransparent = 0x01;
    static constexpr std::uint8_t kUserInput = 0x02;
    void setFlag(std::uint8_t bit, bool on) { Flags = static_cast<std::uint8_t>(on ? Flags | bit : Flags & ~bit); }
};
