#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ff;

using Vec3 = std::array<float, 3>;

// One polygon of a block: three or four vertex indices, with its normal.
struct MeshFace {
    int count = 3;
    std::array<int, 4> index{};
    Vec3 normal{};
};

// A block shape in model units: one unit wide before the grid spacing of 2, standing on y = 0.
struct BlockMesh {
    std::vector<Vec3> vertices;
    std::vector<MeshFace> faces;
};

// The unit normal of a polygon by Newell's method (zero for a degenerate one).
Vec3 NewellNormal(const std::vector<Vec3>& polygon);

BlockMesh MakeBoxMesh(); // files: six quads, front, back, top, bottom, right, left
BlockMesh MakeTetrahedronMesh(); // directories and tree nodes
BlockMesh MakePrismMesh(); // ".exe" files

// The three block shapes of a panel, built once.
struct TBlockMeshes {
    BlockMesh box = MakeBoxMesh();
    BlockMesh tetra = MakeTetrahedronMesh();
    BlockMesh prism = MakePrismMesh();
};

// The colour of face k of an unmarked block: three consecutive bytes of the name, from
// position 3k on and wrapping around, each taken as a signed byte (bytes above 127 count
// as negative and so give 0 when drawn).
std::array<std::int8_t, 3> NameFaceColour(const std::string& name, int face);

// Columns of the block grid for a listing of n entries: the square root, at least 10.
int GridColumns(std::size_t entryCount);

// The height of an entry's block. With size as height a block is 50 units for the largest
// size; `largest` (the listing's largest size, 10 when that is 0) grows to a directory's
// size when that exceeds it, for this and the following entries. A size of 0 counts as 10.
// Without it a file is 0.11 and a directory 1.0 high. Computed in double, so every size
// a file system can report gives a finite height.
double BlockHeight(const ff& entry, bool sizeAsHeight, std::int64_t& largest);
