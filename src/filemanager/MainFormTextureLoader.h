#pragma once

#include "icons3d/An8TextureLoader.h"

class TMainForm;

// Model textures through the main window's picture loading: each picture is uploaded once
// in the shared context and its pixel record freed at once, the model keeping only the name.
class MainFormTextureLoader final : public An8TextureLoader {
public:
    explicit MainFormTextureLoader(TMainForm& form) : form_(form) {}
    uint32_t LoadTexture(const std::string& path) override;
    void DeleteTexture(uint32_t id) override;

private:
    TMainForm& form_;
};
