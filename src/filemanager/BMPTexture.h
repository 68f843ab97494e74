#pragma once

#include <GL/gl.h>

#include <vector>

// Pixels ready for glTexImage2D: rows from the bottom up, each pixel R, G, B and, with
// four components, A.
struct BMPTexture {
    int components = 3;
    int width = 0;
    int height = 0;
    int format = GL_RGB;
    int type = GL_UNSIGNED_BYTE;
    std::vector<unsigned char> data;
};
