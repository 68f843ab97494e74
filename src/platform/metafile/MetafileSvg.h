#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// What the metafile libraries make of one file: SVG text. Each throws MetafileRefused with
// the library's reason when it will not play the file.
class MetafileRefused : public std::runtime_error {
public:
    explicit MetafileRefused(const std::string& reason) : std::runtime_error(reason) {}
};

// A Windows metafile (placeable or not) drawn into width x height; 0 x 0 takes the size the
// library measures its drawing to be, one logical unit a pixel.
std::string WmfToSvg(std::vector<unsigned char>& metafile, unsigned width, unsigned height);
// An enhanced metafile at the size of its bounds.
std::string EmfToSvg(std::vector<unsigned char>& metafile);
