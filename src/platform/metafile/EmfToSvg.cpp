#include "MetafileSvg.h"

#include <emf2svg.h>

#include <cstdlib>
#include <memory>

std::string EmfToSvg(std::vector<unsigned char>& metafile)
{
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("");
    options.svgDelimiter = true;
    // A file with both kinds of records draws whole in its plain ones; the library's reading
    // of the others is partial.
    options.emfplus = false;
    char* text = nullptr;
    std::size_t length = 0;
    const int played = emf2svg(reinterpret_cast<char*>(metafile.data()), metafile.size(), &text, &length, &options);
    const std::unique_ptr<char, decltype(&std::free)> owned(text, &std::free);
    if (!played || !text)
        throw MetafileRefused("its records do not make a drawing");
    return std::string(text, length);
}
