#include "icons3d/An8Reader.h"

namespace {

const char* const kUnnamedMaterial = " -- UNNAMED";

std::string registryKey(int32_t counter, const std::string& name)
{
    return std::to_string(counter) + ':' + name;
}

void setColour(float* colour, const An8Surface& surface)
{
    colour[0] = surface.red / 255;
    colour[1] = surface.green / 255;
    colour[2] = surface.blue / 255;
    colour[3] = surface.alpha / 255;
}

void applySurface(An8MaterialValues& values, const An8Surface& surface)
{
    setColour(values.ambient, surface);
    if (surface.ambiant != 0)
        values.ambientFactor = surface.ambiant;
    setColour(values.diffuse, surface);
    if (surface.diffuse != 0)
        values.diffuseFactor = surface.diffuse;
    if (surface.phong != 0) {
        values.specularFactor = surface.phong;
        setColour(values.specular, surface);
    }
    if (surface.brilliance != 0) {
        values.emissionFactor = surface.brilliance * 0.1f;
        setColour(values.emission, surface);
    }
    if (surface.phongsize != 0)
        values.shininess = surface.phongsize;
}

} // namespace

std::unique_ptr<An8Material> An8Reader::An8ReadMaterial()
{
    open(kAn8MissingBrace);
    auto material = std::make_unique<An8Material>();
    material->back.ambient[0] = material->back.ambient[1] = material->back.ambient[2] = 0.5f;
    if (at(An8Token::String)) {
        material->name = readString();
    } else {
        material->name = kUnnamedMaterial;
        material->front.shininess = material->back.shininess = 1;
    }
    body([&](An8Keyword keyword) {
        std::unique_ptr<An8Surface>* target = keyword == kSurface       ? &material->frontSurface
                                              : keyword == kBacksurface ? &material->backSurface
                                                                        : nullptr;
        if (!target)
            return false;
        *target = std::make_unique<An8Surface>();
        readSurface(**target);
        return true;
    });
    if (material->frontSurface)
        applySurface(material->front, *material->frontSurface);
    if (material->backSurface)
        applySurface(material->back, *material->backSurface);
    return material;
}

void An8Reader::readSurface(An8Surface& surface)
{
    open(kAn8MissingBrace);
    body([&](An8Keyword keyword) {
        switch (keyword) {
        case kRgb: {
            int32_t rgb[3];
            integersChunk(rgb, 3);
            surface.red = static_cast<float>(rgb[0]);
            surface.green = static_cast<float>(rgb[1]);
            surface.blue = static_cast<float>(rgb[2]);
            return true;
        }
        case kAlpha: surface.alpha = static_cast<float>(integerChunk()); return true;
        case kAmbiant: surface.ambiant = realChunk(); return true;
        case kDiffuse: surface.diffuse = realChunk(); return true;
        case kBrilliance: surface.brilliance = realChunk(); return true;
        case kPhong: surface.phong = realChunk(); return true;
        case kPhongsize: surface.phongsize = realChunk(); return true;
        case kTexturename: surface.textureName = stringChunk(); return true;
        case kTextureparams:
            open(kAn8MissingBrace);
            body([&](An8Keyword parameter) {
                if (parameter != kBlendmode && parameter != kAlphamode)
                    return false;
                keywordChunk();
                return true;
            });
            return true;
        default: return false;
        }
    });
}

// A material of an object or a component: one already registered under the same name at
// the top level, or earlier in this object, is reused and the new record dropped.
An8Reader::Registered An8Reader::registerMaterial(std::unique_ptr<An8Material> material)
{
    Registered result;
    if (const std::optional<int32_t> number = registeredNumber(material->name)) {
        result.number = *number;
    } else {
        result.number = static_cast<int32_t>(model_->materials.size());
        registry_.emplace(registryKey(objectCounter_, material->name), result.number);
        material->name = std::to_string(objectCounter_) + material->name;
        model_->materials.push_back(std::move(material));
    }
    const An8Surface* surface = model_->materials[result.number]->frontSurface.get();
    if (surface && !surface->textureName.empty()) {
        auto texture = texturesByName_.find(surface->textureName);
        if (texture != texturesByName_.end())
            result.texture = texture->second;
    }
    return result;
}

std::optional<int32_t> An8Reader::registeredNumber(const std::string& name) const
{
    auto found = registry_.find(registryKey(1, name));
    if (found == registry_.end())
        found = registry_.find(registryKey(objectCounter_, name));
    if (found == registry_.end())
        return std::nullopt;
    return found->second;
}
