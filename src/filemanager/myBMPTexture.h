#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QImage;

// A picture made ready for glTexImage2D: sides powers of two of at most 2048 x 1024, rows
// from the bottom up, red, green, blue and, with four components, alpha.
struct myBMPTexture {
    int32_t components = 3;
    int32_t width = 0;
    int32_t height = 0;
    int32_t format = GL_RGB;
    int32_t type = GL_UNSIGNED_BYTE;
    std::vector<uint8_t> data;
};

// How often n can be halved while it is greater than 1.
int IntLog2(int n);
// The smallest power of two not below side, at most limit (itself a power of two).
int TextureSide(int side, int limit);

constexpr int maxTextureWidth = 2048;
constexpr int maxTextureHeight = 1024;

// The picture stretched (nearest neighbour) to its texture size and repacked; alpha, when
// asked for, is always 255.
std::unique_ptr<myBMPTexture> PictureToTexture(const QImage& picture, bool alpha);
// The picture in a file of any registered format as a texture record; null when the file
// cannot be read as a picture.
std::unique_ptr<myBMPTexture> LoadTextureRecord(const std::string& fileName, bool alpha);
