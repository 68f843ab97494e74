#include "gif/GIFTextExtension.h"

#include "gif/GIFException.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"

int TGIFTextExtension::GetBounds(int index) const
{
    return index >= 1 && index <= 4 ? Grid[static_cast<std::size_t>(index - 1)] : 0;
}

void TGIFTextExtension::SetBounds(int index, int value)
{
    if (index >= 1 && index <= 4)
        Grid[static_cast<std::size_t>(index - 1)] = static_cast<std::uint16_t>(value);
}

int TGIFTextExtension::GetCharWidthHeight(int index) const
{
    return index == 1 ? CharWidth : index == 2 ? CharHeight : 0;
}

void TGIFTextExtension::SetCharWidthHeight(int index, int value)
{
    if (index == 1)
        CharWidth = static_cast<std::uint8_t>(value);
    else if (index == 2)
        CharHeight = static_cast<std::uint8_t>(value);
}

int TGIFTextExtension::GetColorIndex(int index) const
{
    return index == 1 ? ForegroundColorIndex : index == 2 ? BackgroundColorIndex : 0;
}

void TGIFTextExtension::SetColorIndex(int index, int value)
{
    if (index == 1)
        ForegroundColorIndex = static_cast<std::uint8_t>(value);
    else if (index == 2)
        BackgroundColorIndex = static_cast<std::uint8_t>(value);
}

platform::Rgb TGIFTextExtension::lookup(std::uint8_t index) const
{
    return SubImage ? SubImage->GetActiveColorMap().LookupPadded(index) : platform::Rgb{};
}

std::uint8_t TGIFTextExtension::addColor(platform::Rgb color)
{
    // Without a frame there is no table to hold the colour.
    if (!SubImage)
        RaiseGIFError(gifstrings::sNoColorTable);
    return static_cast<std::uint8_t>(SubImage->GetActiveColorMap().AddUnique(color));
}

void TGIFTextExtension::ReadBody(platform::Stream& stream)
{
    // The block is read by its own size; the fields are its first 12 bytes, and a block
    // too short for them keeps zeros.
    const int size = ReadOneByte(stream);
    if (size < 0)
        RaiseGIFError(gifstrings::sOutOfData);
    std::uint8_t fields[255] = {};
    ReadExactly(stream, fields, static_cast<std::size_t>(size));
    if (size < 12)
        Warning(gsWarning, gifstrings::sOutOfData);
    for (std::size_t i = 0; i < Grid.size(); ++i)
        Grid[i] = LoadLE16(fields + 2 * i);
    CharWidth = fields[8];
    CharHeight = fields[9];
    ForegroundColorIndex = fields[10];
    BackgroundColorIndex = fields[11];
    ReadTextSubBlocks(stream, Text);
}

void TGIFTextExtension::WriteBody(platform::Stream& stream) const
{
    std::uint8_t bytes[13] = {12};
    for (std::size_t i = 0; i < Grid.size(); ++i)
        StoreLE16(bytes + 1 + 2 * i, Grid[i]);
    bytes[9] = CharWidth;
    bytes[10] = CharHeight;
    bytes[11] = ForegroundColorIndex;
    bytes[12] = BackgroundColorIndex;
    stream.write(bytes, sizeof bytes);
    WriteTextSubBlocks(stream, Text);
}

void TGIFCommentExtension::ReadBody(platform::Stream& stream)
{
    ReadTextSubBlocks(stream, Text);
}

void TGIFCommentExtension::WriteBody(platform::Stream& stream) const
{
    WriteTextSubBlocks(stream, Text);
}
