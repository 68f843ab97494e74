#pragma once

#include "icons3d/LoadAn8Model.h"
#include "support/FakeTextures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// One load of an inline .an8 text, named "t.an8" in messages, with everything recorded.
struct LoadText {
    explicit LoadText(const std::string& text, int mask = kAn8ReadAll)
    {
        model = LoadAn8ModelFromBytes(text, "t.an8", testing::TempDir(), mask, textures,
                                      [this](const std::string& m) { messages.push_back(m); }, &error);
    }

    std::unique_ptr<An8Model> model;
    std::vector<std::string> messages;
    FakeTextures textures;
    An8Error error;
};

// The first object's first component, for tests that read one primitive.
template <class T> const T& firstComponent(const An8Model& model)
{
    return *model.objects.components.at(0).as<An8Object>()->components.at(0).as<T>();
}
