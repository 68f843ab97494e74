#pragma once

#include "icons3d/An8TextureLoader.h"

#include <set>
#include <string>
#include <vector>

// Hands out texture names 1, 2, ... and remembers what was asked; paths in missing fail.
class FakeTextures : public An8TextureLoader {
public:
    uint32_t LoadTexture(const std::string& path) override
    {
        loaded.push_back(path);
        return missing.count(path) ? 0 : ++lastId;
    }
    void DeleteTexture(uint32_t id) override { deleted.push_back(id); }

    std::vector<std::string> loaded;
    std::vector<uint32_t> deleted;
    std::set<std::string> missing;
    uint32_t lastId = 0;
};
