#pragma once

#include "filemanager/BMPTexture.h"

#include <memory>
#include <string>

class QImage;

// A picture made ready for glTexImage2D, the OpenGL panel's record with sides that are powers
// of two of at most 2048 x 1024.
using myBMPTexture = BMPTexture;

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
