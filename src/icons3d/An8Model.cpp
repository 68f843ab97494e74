#include "icons3d/An8Model.h"

void An8AppendReference(An8NodeList& list, int32_t kind, An8Record* record)
{
    list.push_back(An8Node{kind, record, nullptr});
}

void FreeNodeList(An8NodeList& list)
{
    list.clear();
}

void FreeAn8Materials(std::vector<std::unique_ptr<An8Material>>& materials)
{
    materials.clear();
}

void FreeAn8Textures(std::vector<std::unique_ptr<An8Texture>>& textures,
                     const std::function<void(uint32_t)>& deleteTextureName)
{
    for (const auto& texture : textures)
        if (texture->id != 0 && deleteTextureName)
            deleteTextureName(texture->id);
    textures.clear();
}
