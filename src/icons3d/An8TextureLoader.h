#pragma once

#include <cstdint>
#include <string>

// How the reader turns a texture file into a GL texture name. The program's loader
// decodes the picture and uploads it in the shared context; tests count calls. A loader
// shows its own message when a picture cannot be read, and returns 0 then.
class An8TextureLoader {
public:
    virtual ~An8TextureLoader() = default;
    virtual uint32_t LoadTexture(const std::string& path) = 0;
    // Gives back a name the model does not keep (duplicate texture, failed load).
    virtual void DeleteTexture(uint32_t id) = 0;
};

// For reading models without pictures (benchmarks, fuzzing): every texture is missing.
class An8NoTextures : public An8TextureLoader {
public:
    uint32_t LoadTexture(const std::string&) override { return 0; }
    void DeleteTexture(uint32_t) override {}
};
