#include "icons3d/An8Keywords.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::string_view, kAn8KeywordCount> kNames = {
    "alpha", "alphamode", "ambiant", "background", "backsurface", "base", "bezier", "blendmode", "bold",
    "bone", "brilliance", "camera", "capend", "capstart", "closed", "color", "const", "corner", "cube",
    "cylinder", "darken", "decal", "diameter", "diffuse", "direction", "divisions", "dof", "edges",
    "environment", "extendable", "faces", "facespath", "figure", "figureelement", "file", "final", "floatkey",
    "fog", "fogend", "fogstart", "framerate", "frames", "geodesic", "grid", "groundgrid", "group", "header",
    "influence", "intensity", "italic", "jointangle", "knot", "layer", "length", "light", "lighten",
    "limitplayback", "loc", "locked", "locx", "locy", "locz", "longlat", "material", "materiallist",
    "materialname", "mesh", "method", "modifier", "name", "namedobject", "namedsequence", "none", "normals",
    "null", "object", "objectelement", "orientation", "origin", "parameter", "path", "pathcom", "percent",
    "phong", "phongsize", "pivot", "points", "rgb", "scale", "scene", "segments", "sequence", "size",
    "smoothangle", "solid", "sphere", "startframe", "string", "subdivision", "surface", "target", "texcoords",
    "textcom", "texture", "texturename", "textureparams", "topdiameter", "track", "typeface", "version",
    "weightedby", "working",
};

// Byte order is what the binary search relies on; std::string_view compares as unsigned chars.
static_assert(std::is_sorted(kNames.begin(), kNames.end()));

} // namespace

An8Keyword An8LookupKeyword(std::string_view word)
{
    auto it = std::lower_bound(kNames.begin(), kNames.end(), word);
    if (it == kNames.end() || *it != word)
        return kUnknownKeyword;
    return static_cast<An8Keyword>(it - kNames.begin());
}

std::string_view An8KeywordName(An8Keyword code)
{
    return code >= 0 && code < kAn8KeywordCount ? kNames[code] : std::string_view("?");
}
