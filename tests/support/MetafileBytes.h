#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace testsupport {

// Windows metafiles written record by record for the tests of the metafile readers. Each is
// a 200 x 100 pixel picture: a red rectangle filling its left half and a blue ellipse filling
// its right half, drawn without a pen on nothing (the corners around the ellipse are undrawn).
// Without the ellipse the right half is left undrawn.

inline void putLittleEndian(std::string& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes += char(value >> (8 * i));
}

// One WMF record: its size in 16-bit words, its function, its 16-bit parameters.
inline std::string wmfRecord(std::uint16_t function, std::initializer_list<std::uint16_t> words)
{
    std::string record;
    putLittleEndian(record, std::uint32_t(3 + words.size()), 4);
    putLittleEndian(record, function, 2);
    for (std::uint16_t word : words)
        putLittleEndian(record, word, 2);
    return record;
}

// Placeable: a frame of 3000 x 1500 logical units at 1440 units an inch (200 x 100 pixels at
// 96 dpi). Without the placeable header the window is 200 x 100 units, one a pixel.
inline std::string shapesWmf(bool placeable = true, bool ellipse = true)
{
    const std::uint16_t unit = placeable ? 15 : 1;
    const std::uint16_t w = 200 * unit, h = 100 * unit;
    std::string records = wmfRecord(0x020B, {0, 0}) // window origin y, x
                          + wmfRecord(0x020C, {h, w}) // window extent y, x
                          + wmfRecord(0x02FA, {5, 0, 0, 0, 0}) // null pen
                          + wmfRecord(0x02FC, {0, 0x00FF, 0x0000, 0}) // solid red brush (COLORREF 0x000000FF)
                          + wmfRecord(0x012D, {0}) + wmfRecord(0x012D, {1}) // select pen, brush
                          + wmfRecord(0x041B, {h, std::uint16_t(w / 2), 0, 0}) // rectangle bottom right top left
                          + wmfRecord(0x02FC, {0, 0x0000, 0x00FF, 0}) // solid blue brush
                          + wmfRecord(0x012D, {2});
    if (ellipse)
        records += wmfRecord(0x0418, {h, w, 0, std::uint16_t(w / 2)});
    records += wmfRecord(0x0000, {}); // end
    std::string header;
    putLittleEndian(header, 1, 2); // in memory
    putLittleEndian(header, 9, 2); // header words
    putLittleEndian(header, 0x0300, 2);
    putLittleEndian(header, std::uint32_t(9 + records.size() / 2), 4);
    putLittleEndian(header, 3, 2); // objects
    putLittleEndian(header, 8, 4); // largest record in words
    putLittleEndian(header, 0, 2);
    if (!placeable)
        return header + records;
    std::string frame;
    putLittleEndian(frame, 0x9AC6CDD7, 4);
    putLittleEndian(frame, 0, 2);
    for (std::uint16_t side : {std::uint16_t(0), std::uint16_t(0), w, h})
        putLittleEndian(frame, side, 2);
    putLittleEndian(frame, 1440, 2);
    putLittleEndian(frame, 0, 4);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < frame.size(); i += 2)
        checksum ^= std::uint16_t(std::uint8_t(frame[i]) | std::uint8_t(frame[i + 1]) << 8);
    putLittleEndian(frame, checksum, 2);
    return frame + header + records;
}

// One EMF record: type, size in bytes, 32-bit parameters.
inline std::string emfRecord(std::uint32_t type, std::initializer_list<std::uint32_t> values)
{
    std::string record;
    putLittleEndian(record, type, 4);
    putLittleEndian(record, std::uint32_t(8 + 4 * values.size()), 4);
    for (std::uint32_t value : values)
        putLittleEndian(record, value, 4);
    return record;
}

// The frame is 5292 x 2646 hundredths of a millimetre on a reference device of 1920 x 1080
// pixels and 508 x 286 mm (96 dpi): 200 x 100 pixels; the bounds are what is drawn. `text`,
// when given, is written as a text record after the shapes.
inline std::string shapesEmf(const std::u16string& text = {}, bool ellipse = true)
{
    std::string records = emfRecord(39, {1, 0, 0x000000FF, 0}) // brush 1: solid red
                          + emfRecord(37, {1}) + emfRecord(37, {0x80000008}) // select it and the null pen
                          + emfRecord(43, {0, 0, 100, 100}) // rectangle
                          + emfRecord(39, {2, 0, 0x00FF0000, 0}) // brush 2: solid blue
                          + emfRecord(37, {2});
    int count = 8;
    if (ellipse) {
        records += emfRecord(42, {100, 0, 200, 100});
        ++count;
    }
    if (!text.empty()) {
        // Bounds, graphics mode, scales, reference point, characters, offset, options,
        // rectangle, offset of the advances; then the UTF-16 text and an advance each.
        const std::uint32_t padded = std::uint32_t((text.size() * 2 + 3) / 4 * 4);
        std::string body;
        for (std::uint32_t value : {0u, 0u, 199u, 99u, 1u, 0x3F800000u, 0x3F800000u, 10u, 50u,
                                    std::uint32_t(text.size()), 76u, 0u, 0u, 0u, 199u, 99u, 76 + padded})
            putLittleEndian(body, value, 4);
        for (char16_t c : text)
            putLittleEndian(body, c, 2);
        body.resize(body.size() + padded - text.size() * 2, '\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            putLittleEndian(body, 8, 4);
        std::string record;
        putLittleEndian(record, 84, 4);
        putLittleEndian(record, std::uint32_t(8 + body.size()), 4);
        records += record + body;
        ++count;
    }
    records += emfRecord(14, {0, 16, 20});
    std::string header;
    for (std::uint32_t value : {1u, 88u, 0u, 0u, ellipse ? 199u : 99u, 99u, 0u, 0u, 5292u, 2646u, 0x464D4520u, 0x10000u,
                                std::uint32_t(88 + records.size()), std::uint32_t(count)})
        putLittleEndian(header, value, 4);
    putLittleEndian(header, 3, 2); // handles
    putLittleEndian(header, 0, 2);
    for (std::uint32_t value : {0u, 0u, 0u, 1920u, 1080u, 508u, 286u})
        putLittleEndian(header, value, 4);
    return header + records;
}

} // namespace testsupport
