#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The records one .an8 scene file is read into. Every chunk kind has a plain record; lists
// of nodes link them in file order. A node either owns its record or merely refers to one
// owned elsewhere (an element's object or figure, the holders), so freeing never frees twice.

struct An8Point {
    float x = 0, y = 0, z = 0;
};

struct An8Quaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

struct An8TexCoord {
    float u = 0, v = 0;
};

// Node kinds; there is no kind 6.
enum An8Kind : int32_t {
    kAn8Group = 1,
    kAn8Sphere = 2,
    kAn8Cube = 3,
    kAn8Cylinder = 4,
    kAn8Mesh = 5,
    kAn8PathCom = 7,
    kAn8TextCom = 8,
    kAn8Modifier = 9,
    kAn8Bone = 10,
    kAn8NamedObject = 11,
    kAn8Object = 12,
    kAn8Figure = 13,
    kAn8Element = 14,
    kAn8Sequence = 15,
    kAn8Scene = 16,
};

struct An8Record {
    virtual ~An8Record() = default;
};

struct An8Node {
    int32_t kind = 0;
    An8Record* item = nullptr;          // what the node stands for; consumers skip null
    std::unique_ptr<An8Record> owned;   // set when the node owns item

    template <class T> T* as() const { return static_cast<T*>(item); }
    bool owns() const { return owned != nullptr; }
};

using An8NodeList = std::vector<An8Node>;

// Lists grow at the end, in file order.
template <class T> T* An8AppendNode(An8NodeList& list, int32_t kind, std::unique_ptr<T> record)
{
    T* raw = record.get();
    list.push_back(An8Node{kind, raw, std::move(record)});
    return raw;
}
void An8AppendReference(An8NodeList& list, int32_t kind, An8Record* record);

struct An8Texture {
    std::string name;
    std::string file;   // as written in the file, runs of backslashes folded
    uint32_t id = 0;    // the GL texture name
};

struct An8Surface {
    std::string textureName;
    float red = 220, green = 232, blue = 236, alpha = 255;   // 0..255
    float ambiant = 0, diffuse = 0, brilliance = 0, phong = 0, phongsize = 0;
};

struct An8MaterialValues {
    float ambient[4] = {1, 1, 1, 1};
    float diffuse[4] = {0.5f, 0.5f, 0.5f, 1};
    float specular[4] = {1, 1, 1, 1};
    float emission[4] = {0, 0, 0, 1};
    float ambientFactor = 0.3f, diffuseFactor = 0.6f, specularFactor = 0.1f, emissionFactor = 0;
    float shininess = 20;
};

struct An8Material {
    std::string name;   // the registry name: object counter followed by the name as written
    An8MaterialValues front;
    An8MaterialValues back;
    std::unique_ptr<An8Surface> frontSurface;
    std::unique_ptr<An8Surface> backSurface;
};

struct An8Object : An8Record {
    std::string name;
    An8NodeList components;
};

struct An8Figure : An8Record {
    std::string name;
    int32_t materialNumber = 0;
    An8NodeList rootBone;   // one kind 10 node
};

struct An8Group : An8Record {
    std::string name = "Unnamed";
    std::string materialName;
    uint8_t scaled = 1;
    std::unique_ptr<An8Material> material;   // the group's own; never in the model's list
    An8Point pivot, position;
    An8Quaternion orientation;
    An8NodeList children;
};

struct An8Sphere : An8Record {
    std::string name = "Unnamed";
    int32_t materialNumber = 0;
    int32_t stacks = 8, slices = 12;
    int32_t geodesic = 0, geodesicDivisions = 0;
    uint8_t scaled = 1;
    An8Point pivot, position;
    An8Texture* texture = nullptr;
    An8Quaternion orientation;
    float diameter = 1;
};

struct An8Cube : An8Record {
    std::string name = "Unnamed";
    int32_t materialNumber = 0;
    An8Point pivot, position;
    uint8_t scaled = 1;
    An8Texture* texture = nullptr;
    An8Quaternion orientation;
    float scale[3] = {1, 1, 1};
    int32_t divisions[3] = {0, 0, 0};
};

struct An8Cylinder : An8Record {
    std::string name = "Unnamed";
    int32_t materialNumber = 0;
    An8Point pivot, position;
    An8Texture* texture = nullptr;
    An8Quaternion orientation;
    int32_t stacks = 1, slices = 12;
    uint8_t endCap = 0, startCap = 0;
    uint8_t scaled = 1;
    float diameter = 1, topDiameter = 1, length = 1;
};

struct An8Face {
    int32_t firstCorner = 0;   // index into the mesh's corners
    int32_t n = 0;             // corner count
    int32_t material = 0;      // indexes the mesh's material list
};

struct An8Corner {
    int32_t point = 0;
    int32_t tex = 0;   // 0 when the face gives none
    float normal[3] = {0, 0, 0};
};

struct An8Mesh : An8Record {
    std::string name = "Unnamed";
    An8Point pivot, position;
    An8Quaternion orientation;
    std::vector<An8Face> faces;
    std::vector<An8Corner> corners;
    uint8_t smooth = 0;
    uint8_t scaled = 1;
    float smoothAngle = 45;
    std::vector<int32_t> materialList;
    std::vector<An8Point> points;
    std::vector<An8Point> vertexNormals;
    std::vector<An8TexCoord> texcoords;   // empty unless the mesh has a texture
    An8Texture* texture = nullptr;
    int32_t materialNumber = 0;
};

struct An8PathCom : An8Record {
    std::string name = "Unnamed";
    uint8_t closed = 0;
    An8Point pivot, position;
    An8Quaternion orientation;
};

struct An8TextCom : An8Record {
    std::string name = "Unnamed";
    std::string typeface;
    std::string text;
    float size = 1;
    uint8_t bold = 0, italic = 0;
    uint8_t scaled = 1;
    An8Point pivot, position;
    An8Quaternion orientation;
};

struct An8Modifier : An8Record {
    std::string name = "Unnamed";
    An8NodeList component;   // the last component read, if any
    An8Point pivot, position;
    An8Quaternion orientation;
    float length = 0, diameter = 0;
    int32_t segments = 0;
};

struct An8Dof {
    int32_t given = 0, locked = 0;
    float minimum = 0, defaultValue = 0, maximum = 0;
};

struct An8Bone : An8Record {
    std::string name = "Unnamed";
    float length = 0;
    uint8_t locked = 0;
    uint8_t scaled = 1;
    An8Quaternion orientation;
    float influence[6] = {0, 0, 0, 0, 0, 0};
    int32_t influenceGiven = 0;
    An8Dof dof[3];   // X, Y, Z
    An8NodeList children;
};

struct An8NamedObject : An8Record {
    std::string name = "Unnamed";
    std::string objectName;
    std::string weightedBy;
    An8Point pivot, position;
    An8Quaternion orientation;
    uint8_t weighted = 0;
    uint8_t scaled = 1;   // a figure reached from two elements is still scaled once
    An8Object* object = nullptr;
    An8Bone* parentBone = nullptr;
    An8Figure* figure = nullptr;
};

enum class An8ElementKind { Camera, ObjectElement, FigureElement, Light, Null, Path };

struct An8Element : An8Record {
    An8ElementKind elementKind = An8ElementKind::Null;
    An8Point location;
    float scale = 1;
    An8Quaternion orientation;
    std::string target;
    uint8_t facesPath = 0, locked = 0, extendable = 0;
    uint8_t scaled = 1;
    float frames = 0;
    std::string name = "Unnamed";
    std::string objectName;   // the object or figure it names
    An8NodeList list;         // kind 12 and 13 references, kind 15 named sequences
    int32_t startFrame = 0;   // path
    An8Point direction;       // camera
    int32_t color[4] = {255, 255, 255, 255};   // light
    float intensity = 1;
};

// A sequence, or a named sequence inside a figure element (name and number only).
struct An8Sequence : An8Record {
    std::string name = "Unnamed";
    float frames = 1;
    std::string figureName;
    int32_t number = 0;
};

struct An8Scene : An8Record {
    std::string name = "Unnamed";
    float frames = 0;
    float fogStart = 0, fogEnd = 0;
    int32_t background = 0;   // red in the low byte, then green, then blue
    int32_t fogPercent = 0;
    int32_t fog = 0;
    int32_t fogColor = 0;
    An8NodeList elements;   // kind 14
};

struct An8Model {
    std::string name = "Unnamed";
    std::vector<std::unique_ptr<An8Material>> materials;   // a material's number is its index
    std::vector<std::unique_ptr<An8Texture>> textures;
    An8NodeList elements;
    // The holders own every object and figure; element lists only refer to them.
    An8Object objects;
    An8Figure figures;
};

// Freeing runs through destructors; these keep the order the icon cache needs, since
// texture names can only be deleted while a GL context of the share group is current.
void FreeNodeList(An8NodeList& list);
void FreeAn8Materials(std::vector<std::unique_ptr<An8Material>>& materials);
void FreeAn8Textures(std::vector<std::unique_ptr<An8Texture>>& textures,
                     const std::function<void(uint32_t)>& deleteTextureName);
