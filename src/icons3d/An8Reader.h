#pragma once

#include "icons3d/An8Errors.h"
#include "icons3d/An8Keywords.h"
#include "icons3d/An8Lexer.h"
#include "icons3d/An8Model.h"
#include "icons3d/An8TextureLoader.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

using An8MessageSink = std::function<void(const std::string&)>;

// Chunk mask bits of LoadAn8Model: which optional top-level chunks are read.
enum : int {
    kAn8ReadTextures = 1,
    kAn8ReadObjects = 2,
    kAn8ReadFigures = 4,
    kAn8ReadSequences = 8,
    kAn8ReadScenes = 16,
    kAn8ReadAll = 31,
};

// One load of one .an8 file: a recursive-descent reader with one function per chunk.
// All its state lives here, so loads never share anything.
class An8Reader {
public:
    // fileName names the file in messages; directory is where relative texture paths start.
    An8Reader(An8File& file, std::string fileName, std::string directory, int mask, An8TextureLoader& textures,
              An8MessageSink messages);

    // The model, or null after an error (then error() tells which).
    std::unique_ptr<An8Model> read();
    const An8Error& error() const { return error_; }

    // Deepest nesting of components, bones and elements a file may use.
    static constexpr int kMaxDepth = 256;

private:
    struct Transform {
        An8Point origin;
        An8Quaternion orientation;
        An8Point bare;
    };
    enum class PivotRule { Component, Group, NamedObject };
    // Where the common placement keywords of a record go.
    struct Placement {
        std::string& name;
        An8Point& pivot;
        An8Point& position;
        An8Quaternion& orientation;
        PivotRule rule;
    };
    struct Registered {
        int32_t number = 0;
        An8Texture* texture = nullptr;
    };
    class Nesting;

    // Tokens and errors.
    void next();
    [[noreturn]] void fail(int number, std::string detail = {});
    [[noreturn]] void unexpected(int number);
    bool at(An8Token kind) const { return lexer_.token() == kind; }
    // A message that does not stop the load: the text, then the file, line and detail.
    void notice(const std::string& text, int line, const std::string& detail = {});
    void releaseTextures();

    // Value forms.
    void open(int number);
    void closing();
    std::string readString();
    int32_t readInteger();
    int32_t readUnsigned();
    float readReal();
    std::string stringChunk();
    int32_t integerChunk();
    float realChunk();
    void integersChunk(int32_t* values, int count);
    void realsChunk(float* values, int count);
    template <class T> void valuesChunk(T* values, int count, T (An8Reader::*readValue)());
    An8Point point();
    An8Point pointChunk();
    An8Quaternion quaternionChunk();
    void emptyChunk();
    An8Keyword keywordChunk();
    Transform transformChunk();
    int32_t colourChunk();
    void An8SkipChunk();
    void An8SkipBlock();
    std::string optionalName(bool bareWord);
    template <class Handler> void body(Handler&& handle);

    // Chunks.
    void readHeader();
    void readTexture();
    std::unique_ptr<An8Material> An8ReadMaterial();
    void readSurface(An8Surface& surface);
    Registered registerMaterial(std::unique_ptr<An8Material> material);
    // The number of a material written as name at the top level, else in the current object.
    std::optional<int32_t> registeredNumber(const std::string& name) const;
    void readObject();
    bool readComponent(An8Keyword keyword, An8NodeList& list);
    bool placementField(An8Keyword keyword, Placement placement);
    template <class Primitive> bool primitiveField(An8Keyword keyword, Primitive& primitive);
    std::unique_ptr<An8Group> readGroup();
    std::unique_ptr<An8Sphere> readSphere();
    std::unique_ptr<An8Cube> readCube();
    std::unique_ptr<An8Cylinder> readCylinder();
    std::unique_ptr<An8Mesh> readMesh();
    void readPoints(std::vector<An8Point>& points);
    void readTexcoords(std::vector<An8TexCoord>& texcoords);
    void readEdges();
    void readFaces(An8Mesh& mesh);
    void readMaterialList(An8Mesh& mesh);
    void checkFaces(An8Mesh& mesh, int line);
    std::unique_ptr<An8PathCom> readPathCom();
    void readBezier(uint8_t& closed);
    void readKnot();
    std::unique_ptr<An8TextCom> readTextCom();
    std::unique_ptr<An8Modifier> readModifier();
    void readFigure();
    void readBone(An8Bone& bone, An8Figure& figure);
    void readDof(An8Bone& bone);
    std::unique_ptr<An8NamedObject> readNamedObject(An8Bone& parent, An8Figure& figure);
    void readSequence();
    void readJointAngle();
    void readScene();
    void readFog(An8Scene& scene);
    bool readElement(An8Keyword keyword, An8Scene& scene);
    void readNamedSequence(An8Element& element);
    bool elementField(An8Keyword keyword, An8Element& element, An8Scene& scene);

    An8Lexer lexer_;
    std::string fileName_;
    std::string directory_;
    int mask_;
    An8TextureLoader& textureLoader_;
    An8MessageSink messages_;
    An8Error error_;
    int depth_ = 0;

    std::unique_ptr<An8Model> model_;
    int32_t version_ = 0;
    int32_t objectCounter_ = 1;
    // Keyed by object counter and name as written, so "1wood" in object 2 and "wood" in
    // object 21 stay apart although both are named "21wood".
    std::unordered_map<std::string, int32_t> registry_;
    std::unordered_map<std::string, An8Texture*> texturesByName_;
    std::unordered_map<std::string, An8Object*> objectsByName_;
    std::unordered_map<std::string, An8Figure*> figuresByName_;
};

// Counts one level of nested components, bones or elements for as long as it lives; a file
// nesting deeper than any model needs would otherwise exhaust the stack.
class An8Reader::Nesting {
public:
    explicit Nesting(An8Reader& reader) : reader_(reader)
    {
        if (++reader_.depth_ > kMaxDepth)
            reader_.fail(kAn8TooDeep);
    }
    ~Nesting() { --reader_.depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    An8Reader& reader_;
};

// A chunk body: handle(keyword) reads the chunks of this body and returns false for any
// word it does not take, which is then skipped as a chunk; "}" ends the body.
template <class Handler> void An8Reader::body(Handler&& handle)
{
    for (;;) {
        switch (lexer_.token()) {
        case An8Token::Word:
            if (!handle(An8LookupKeyword(lexer_.text())))
                An8SkipChunk();
            break;
        case An8Token::RBrace:
            next();
            return;
        case An8Token::End:
            fail(kAn8MissingClose, "end of file inside a chunk");
        default:
            unexpected(kAn8BadBodyToken);
        }
    }
}

// The keywords primitives and meshes share: their placement and a registered material,
// which gives the material number and the texture.
template <class Primitive> bool An8Reader::primitiveField(An8Keyword keyword, Primitive& primitive)
{
    if (placementField(keyword, {primitive.name, primitive.pivot, primitive.position, primitive.orientation,
                                 PivotRule::Component}))
        return true;
    if (keyword != kMaterial)
        return false;
    const Registered material = registerMaterial(An8ReadMaterial());
    primitive.materialNumber = material.number;
    primitive.texture = material.texture;
    return true;
}
