#include "icons3d/An8Normals.h"
#include "icons3d/An8Reader.h"

#include <algorithm>

std::unique_ptr<An8Mesh> An8Reader::readMesh()
{
    auto mesh = std::make_unique<An8Mesh>();
    const int line = lexer_.line();
    std::vector<An8TexCoord> texcoords;
    body([&](An8Keyword keyword) {
        if (primitiveField(keyword, *mesh))
            return true;
        switch (keyword) {
        case kMateriallist: readMaterialList(*mesh); return true;
        case kPoints: readPoints(mesh->points); return true;
        case kTexcoords: readTexcoords(texcoords); return true;
        case kEdges: readEdges(); return true;
        case kFaces: readFaces(*mesh); return true;
        case kSmoothangle: mesh->smoothAngle = realChunk(); return true;
        case kDivisions: integerChunk(); mesh->smooth = 1; return true;
        case kWorking: integerChunk(); return true;
        default: return false;   // normals among them: skipped
        }
    });
    if (mesh->texture)
        mesh->texcoords = std::move(texcoords);
    checkFaces(*mesh, line);
    An8ComputeNormals(*mesh, [&](const std::string& text) { notice(text, line, "mesh \"" + mesh->name + "\""); });
    return mesh;
}

void An8Reader::readMaterialList(An8Mesh& mesh)
{
    open(kAn8MissingBrace);
    body([&](An8Keyword keyword) {
        switch (keyword) {
        case kMaterialname: mesh.materialList.push_back(registeredNumber(stringChunk()).value_or(0)); return true;
        case kMaterial: An8ReadMaterial(); return true;
        case kSurface: {
            An8Surface dropped;
            readSurface(dropped);
            return true;
        }
        default: return false;
        }
    });
}

void An8Reader::readPoints(std::vector<An8Point>& points)
{
    open(kAn8MissingBrace);
    while (at(An8Token::LParen))
        points.push_back(point());
    closing();
}

void An8Reader::readTexcoords(std::vector<An8TexCoord>& texcoords)
{
    open(kAn8MissingBrace);
    while (at(An8Token::LParen)) {
        next();
        An8TexCoord uv;
        uv.u = readReal();
        uv.v = readReal();
        if (!at(An8Token::RParen))
            unexpected(kAn8WrongValue);
        next();
        texcoords.push_back(uv);
    }
    closing();
}

// Edges only matter to the modeller.
void An8Reader::readEdges()
{
    open(kAn8MissingBrace);
    while (at(An8Token::LParen)) {
        next();
        readInteger();
        readInteger();
        if (!at(An8Token::RParen))
            readInteger();
        if (!at(An8Token::RParen))
            unexpected(kAn8WrongValue);
        next();
    }
    closing();
}

// The count in a face's header is checked against the corners actually listed and never
// used to reserve memory: a wrong count would otherwise send every later walk off the end.
void An8Reader::readFaces(An8Mesh& mesh)
{
    open(kAn8MissingBrace);
    while (at(An8Token::Integer)) {
        const int32_t n = readUnsigned();
        const int32_t flags = readUnsigned();
        An8Face face;
        face.material = readInteger();
        readInteger();   // flat normal index, not used
        face.firstCorner = static_cast<int32_t>(mesh.corners.size());
        if (!at(An8Token::LParen))
            unexpected(kAn8WrongValue);
        next();
        while (!at(An8Token::RParen)) {
            if (!at(An8Token::LParen))
                unexpected(kAn8WrongValue);
            next();
            An8Corner corner;
            corner.point = readUnsigned();
            if (flags & 2)
                readUnsigned();   // normal index, not used
            if (flags & 4)
                corner.tex = readUnsigned();
            if (!at(An8Token::RParen))
                unexpected(kAn8WrongValue);
            next();
            mesh.corners.push_back(corner);
        }
        next();
        face.n = static_cast<int32_t>(mesh.corners.size()) - face.firstCorner;
        if (face.n != n)
            fail(kAn8WrongValue,
                 "face has " + std::to_string(face.n) + " corners, header says " + std::to_string(n));
        mesh.faces.push_back(face);
    }
    closing();
}

// Points and texture coordinates may follow the faces, so the corners are checked once
// the whole mesh is read. A face that cannot be drawn is dropped and the rest kept, moved
// down in place: a large mesh is not copied for the few faces it may lose.
void An8Reader::checkFaces(An8Mesh& mesh, int line)
{
    const int32_t points = static_cast<int32_t>(mesh.points.size());
    const int32_t texcoords = static_cast<int32_t>(mesh.texcoords.size());
    const int32_t materials = static_cast<int32_t>(mesh.materialList.size());
    bool badIndex = false, badMaterial = false, tooFew = false;
    std::size_t keptFaces = 0;
    int32_t keptCorners = 0;
    for (An8Face face : mesh.faces) {
        bool good = true;
        for (int32_t c = face.firstCorner; c < face.firstCorner + face.n; ++c) {
            const An8Corner& corner = mesh.corners[c];
            if (corner.point < 0 || corner.point >= points || (texcoords > 0 && corner.tex >= texcoords))
                good = false;
        }
        badIndex = badIndex || !good;
        if (face.n < 3) {
            tooFew = true;
            good = false;
        }
        if (materials > 0 && (face.material < 0 || face.material >= materials)) {
            badMaterial = true;
            good = false;
        }
        if (!good)
            continue;
        if (face.firstCorner != keptCorners)
            std::copy(mesh.corners.begin() + face.firstCorner, mesh.corners.begin() + face.firstCorner + face.n,
                      mesh.corners.begin() + keptCorners);
        face.firstCorner = keptCorners;
        keptCorners += face.n;
        mesh.faces[keptFaces++] = face;
    }
    mesh.faces.resize(keptFaces);
    mesh.corners.resize(static_cast<std::size_t>(keptCorners));
    const std::string which = "mesh \"" + mesh.name + "\"";
    if (badIndex)
        notice("vertex index is out of range", line, which);
    if (badMaterial)
        notice("material index is out of range", line, which);
    if (tooFew)
        notice("face with fewer than three corners", line, which);
}
