// Any bytes as an .an8 file: the reader must end in a model or an error, within bounds.
#include "icons3d/LoadAn8Model.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    An8NoTextures textures;
    An8Error error;
    auto model = LoadAn8ModelFromBytes(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.an8", "/",
                                       kAn8ReadAll, textures, [](const std::string&) {}, &error);
    if (!model && !error.failed())
        __builtin_trap();   // in memory there is no reading failure: null must come with an error
    return 0;
}
