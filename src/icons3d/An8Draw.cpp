#include "icons3d/An8Draw.h"

#include "icons3d/SceneLight.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

// The drawing whose quadric calls run now: GLU's error callback carries no user data.
const An8DrawContext* reportingTo = nullptr;

void GLAPIENTRY OnGluError(GLenum code)
{
    if (reportingTo && reportingTo->gluError)
        reportingTo->gluError(reinterpret_cast<const char*>(gluErrorString(code)));
}

void Translate(const An8Point& p) { glTranslatef(p.x, p.y, p.z); }

// A pick pass needs no glyphs (the panels leave their labels out of it too), and Mesa crashes
// replaying the outline font's lists in select mode.
bool Selecting()
{
    GLint mode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    return mode == GL_SELECT;
}

void Rotate(const An8Quaternion& q)
{
    if (q.x == 0 && q.y == 0 && q.z == 0 && q.w == 1)
        return;
    // A zero axis turns by 0 degrees: nothing to do.
    if (q.x * q.x + q.y * q.y + q.z * q.z <= 0.000001f)
        return;
    const double angle = q.w >= -1 && q.w <= 1 ? 2 * std::acos(double(q.w)) * 180 / std::numbers::pi : 0;
    glRotatef(GLfloat(angle), q.x, q.y, q.z);
}

void SetMaterialValues(GLenum face, const An8MaterialValues& v)
{
    const auto scaled = [](const float* colour, float factor) {
        return std::array<GLfloat, 4>{colour[0] * factor, colour[1] * factor, colour[2] * factor, colour[3]};
    };
    glMaterialfv(face, GL_AMBIENT, scaled(v.ambient, v.ambientFactor).data());
    glMaterialfv(face, GL_DIFFUSE, scaled(v.diffuse, v.diffuseFactor).data());
    glMaterialfv(face, GL_SPECULAR, scaled(v.specular, v.specularFactor).data());
    glMaterialfv(face, GL_EMISSION, scaled(v.emission, v.emissionFactor).data());
    // OpenGL refuses a shininess outside 0..128, and would keep the previous one.
    glMaterialf(face, GL_SHININESS, std::clamp(v.shininess, 0.0f, 128.0f));
}

const An8Material& DefaultMaterial()
{
    static const An8Material material;
    return material;
}

const An8Material* FindMaterial(const An8Model& model, int32_t number)
{
    if (number < 0 || std::size_t(number) >= model.materials.size())
        return nullptr;
    return model.materials[std::size_t(number)].get();
}

void BindTexture(const An8Texture* texture)
{
    if (!texture)
        return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture->id);
}

// Lit, blended and back in place afterwards: no lighting, blending or texturing, nor a
// shade model or material, is left to whatever the caller draws next.
template <class Draw>
void PrimitiveFrame(const An8Point& position, Draw&& draw)
{
    SetupSceneLight();
    glPushAttrib(GL_LIGHTING_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    Translate(position);
    draw();
    glPopMatrix();
    glPopAttrib();
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

// GLU winds a quadric's outside counter-clockwise; under the panels' clockwise front faces
// its lit side would face inwards and the outside would show ambient light only.
class QuadricCalls {
public:
    QuadricCalls(const An8DrawContext& context, bool textured) : previous_(reportingTo)
    {
        glPushAttrib(GL_POLYGON_BIT);
        glFrontFace(GL_CCW);
        reportingTo = &context;
        gluQuadricCallback(context.quadric, GLU_ERROR, reinterpret_cast<_GLUfuncptr>(OnGluError));
        gluQuadricDrawStyle(context.quadric, GLU_FILL);
        gluQuadricNormals(context.quadric, GLU_SMOOTH);
        gluQuadricTexture(context.quadric, textured ? GL_TRUE : GL_FALSE);
    }
    ~QuadricCalls()
    {
        reportingTo = previous_;
        glPopAttrib();
    }
    QuadricCalls(const QuadricCalls&) = delete;
    QuadricCalls& operator=(const QuadricCalls&) = delete;

private:
    const An8DrawContext* previous_;
};

struct CubeCorner {
    GLfloat s, t, x, y, z;
};
struct CubeFace {
    GLfloat nx, ny, nz;
    CubeCorner corners[4];
};
// The normals point into the cube, as mesh face normals do.
constexpr CubeFace unitCube[] = {
    {0, 0, -1, {{0, 0, -.5, -.5, .5}, {1, 0, .5, -.5, .5}, {1, 1, .5, .5, .5}, {0, 1, -.5, .5, .5}}},
    {0, 0, 1, {{1, 0, -.5, -.5, -.5}, {1, 1, -.5, .5, -.5}, {0, 1, .5, .5, -.5}, {0, 0, .5, -.5, -.5}}},
    {0, -1, 0, {{0, 1, -.5, .5, -.5}, {0, 0, -.5, .5, .5}, {1, 0, .5, .5, .5}, {1, 1, .5, .5, -.5}}},
    {0, 1, 0, {{1, 1, -.5, -.5, -.5}, {0, 1, .5, -.5, -.5}, {0, 0, .5, -.5, .5}, {1, 0, -.5, -.5, .5}}},
    {-1, 0, 0, {{1, 0, .5, -.5, -.5}, {1, 1, .5, .5, -.5}, {0, 1, .5, .5, .5}, {0, 0, .5, -.5, .5}}},
    {1, 0, 0, {{0, 0, -.5, -.5, -.5}, {1, 0, -.5, -.5, .5}, {1, 1, -.5, .5, .5}, {0, 1, -.5, .5, -.5}}},
};

void DrawUnitCube()
{
    glBegin(GL_QUADS);
    for (const CubeFace& face : unitCube) {
        glNormal3f(face.nx, face.ny, face.nz);
        for (const CubeCorner& c : face.corners) {
            glTexCoord2f(c.s, c.t);
            glVertex3f(c.x, c.y, c.z);
        }
    }
    glEnd();
}

class Drawer {
public:
    Drawer(const An8DrawContext& context, int pushesLeft) : c_(context), pushesLeft_(pushesLeft) {}

    void DrawList(const An8NodeList& list)
    {
        for (const An8Node& node : list)
            if (node.item)
                DrawNode(node);
    }

private:
    void DrawNode(const An8Node& node)
    {
        switch (node.kind) {
        case kAn8Group: return DrawGroupNode(*node.as<An8Group>());
        case kAn8Sphere: return DrawSphereNode(*node.as<An8Sphere>());
        case kAn8Cube: return DrawCubeNode(*node.as<An8Cube>());
        case kAn8Cylinder: return DrawCylinderNode(*node.as<An8Cylinder>());
        case kAn8Mesh: return DrawMeshNode(*node.as<An8Mesh>());
        case kAn8TextCom: return DrawTextNode(*node.as<An8TextCom>());
        case kAn8Bone: return DrawBoneNode(*node.as<An8Bone>());
        case kAn8NamedObject: return DrawNamedObjectNode(*node.as<An8NamedObject>());
        case kAn8Object: return DrawList(node.as<An8Object>()->components);
        case kAn8Figure: return DrawList(node.as<An8Figure>()->rootBone);
        case kAn8Element: return DrawElementNode(*node.as<An8Element>());
        case kAn8Scene: return DrawList(node.as<An8Scene>()->elements);
        default: return; // paths, modifiers and sequences show nothing
        }
    }

    // Every nesting level pushes the matrix once; what lies deeper than the stack allows is
    // left out rather than drawn at a wrong place after a stack overflow.
    template <class Draw>
    void Nested(Draw&& draw)
    {
        if (pushesLeft_ <= 0)
            return;
        --pushesLeft_;
        glPushMatrix();
        draw();
        glPopMatrix();
        ++pushesLeft_;
    }

    void DrawGroupNode(const An8Group& group)
    {
        Nested([&] {
            Translate(group.position);
            Rotate(group.orientation);
            DrawList(group.children);
        });
    }

    void DrawSphereNode(const An8Sphere& sphere)
    {
        if (!c_.quadric)
            return;
        PrimitiveFrame(sphere.position, [&] {
            glShadeModel(GL_SMOOTH);
            ApplyMaterial(SelectMaterial(c_.model, sphere.materialNumber));
            BindTexture(sphere.texture);
            const QuadricCalls quadric(c_, sphere.texture != nullptr);
            gluSphere(c_.quadric, sphere.diameter * 0.5, sphere.slices, sphere.stacks);
        });
    }

    void DrawCubeNode(const An8Cube& cube)
    {
        PrimitiveFrame(cube.position, [&] {
            glShadeModel(GL_FLAT);
            Rotate(cube.orientation);
            ApplyMaterial(SelectMaterial(c_.model, cube.materialNumber));
            BindTexture(cube.texture);
            glScalef(cube.scale[0], cube.scale[1], cube.scale[2]);
            DrawUnitCube();
        });
    }

    void DrawCylinderNode(const An8Cylinder& cylinder)
    {
        if (!c_.quadric)
            return;
        PrimitiveFrame(cylinder.position, [&] {
            glShadeModel(GL_SMOOTH);
            Rotate(cylinder.orientation);
            ApplyMaterial(SelectMaterial(c_.model, cylinder.materialNumber));
            BindTexture(cylinder.texture);
            glRotatef(270, 1, 0, 0);
            const QuadricCalls quadric(c_, cylinder.texture != nullptr);
            gluCylinder(c_.quadric, cylinder.diameter * 0.5, cylinder.topDiameter * 0.5, cylinder.length,
                        cylinder.slices, cylinder.stacks);
            glShadeModel(GL_FLAT);
            if (cylinder.endCap) {
                glPushMatrix();
                glTranslatef(0, 0, cylinder.length);
                gluDisk(c_.quadric, 0, cylinder.topDiameter * 0.5, cylinder.slices, 1);
                glPopMatrix();
            }
            if (cylinder.startCap)
                gluDisk(c_.quadric, 0, cylinder.diameter * 0.5, cylinder.slices, 1);
        });
    }

    void DrawMeshNode(const An8Mesh& mesh)
    {
        PrimitiveFrame(mesh.position, [&] {
            Rotate(mesh.orientation);
            const bool withTexture = mesh.texture && !mesh.texcoords.empty();
            if (mesh.texture) {
                glEnable(GL_TEXTURE_2D);
                glBindTexture(GL_TEXTURE_2D, mesh.texture->id);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            }
            glShadeModel(GL_SMOOTH);
            DrawMeshFaces(mesh, withTexture);
        });
    }

    void DrawMeshFaces(const An8Mesh& mesh, bool withTexture)
    {
        std::optional<int32_t> lastMaterial;
        GLenum open = 0; // the primitive begun and not yet ended; triangles in a row share one
        bool textured = false;
        for (const An8Face& face : mesh.faces) {
            // The reader keeps only faces whose index lies inside a non-empty material list.
            const int32_t number =
                mesh.materialList.empty() ? mesh.materialNumber : mesh.materialList[std::size_t(face.material)];
            const GLenum kind = face.n < 4 ? GL_TRIANGLES : GL_POLYGON;
            if (open != 0 && (number != lastMaterial || kind != GL_TRIANGLES || open != GL_TRIANGLES)) {
                glEnd();
                open = 0;
            }
            if (number != lastMaterial) {
                lastMaterial = number;
                const An8Material* material = FindMaterial(c_.model, number);
                ApplyMaterial(material ? *material : DefaultMaterial());
                textured = withTexture && material && material->frontSurface &&
                           !material->frontSurface->textureName.empty();
                if (textured)
                    glEnable(GL_TEXTURE_2D);
                else
                    glDisable(GL_TEXTURE_2D);
            }
            if (open == 0) {
                glBegin(kind);
                open = kind;
            }
            for (int32_t i = face.firstCorner; i < face.firstCorner + face.n; ++i)
                DrawCorner(mesh, mesh.corners[std::size_t(i)], textured);
        }
        if (open != 0)
            glEnd();
    }

    static void DrawCorner(const An8Mesh& mesh, const An8Corner& corner, bool textured)
    {
        const auto point = std::size_t(corner.point);
        assert(point < mesh.points.size());
        const An8Point* normal = point < mesh.vertexNormals.size() ? &mesh.vertexNormals[point] : nullptr;
        if (normal && (normal->x != 0 || normal->y != 0 || normal->z != 0))
            glNormal3f(normal->x, normal->y, normal->z);
        else
            glNormal3fv(corner.normal);
        if (textured) {
            const An8TexCoord& t = mesh.texcoords[std::size_t(corner.tex)];
            glTexCoord2f(t.u, t.v);
        }
        const An8Point& p = mesh.points[point];
        glVertex3f(p.x, p.y, p.z);
    }

    void DrawTextNode(const An8TextCom& text)
    {
        if (text.text.empty() || !c_.drawText || Selecting())
            return;
        // Text carries no material: plain green, unlit.
        glDisable(GL_LIGHTING);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glPushAttrib(GL_LIGHTING_BIT);
        glPushMatrix();
        Translate(text.position);
        glShadeModel(GL_SMOOTH);
        Rotate(text.orientation);
        glColor3f(0, 1, 0);
        glScaled(text.size * 0.2, text.size * 0.2, text.size * 0.2);
        c_.drawText(text.text);
        glPopMatrix();
        glPopAttrib();
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
    }

    void DrawBoneNode(const An8Bone& bone)
    {
        Nested([&] {
            Rotate(bone.orientation);
            for (const An8Node& child : bone.children)
                if (child.item && child.kind != kAn8Bone)
                    DrawNode(child);
            glTranslatef(0, bone.length, 0);
            for (const An8Node& child : bone.children)
                if (child.item && child.kind == kAn8Bone)
                    DrawNode(child);
        });
    }

    void DrawNamedObjectNode(const An8NamedObject& named)
    {
        Nested([&] {
            Translate(named.position);
            Rotate(named.orientation);
            if (named.object)
                DrawList(named.object->components);
        });
    }

    void DrawElementNode(const An8Element& element)
    {
        Nested([&] {
            Translate(element.location);
            Rotate(element.orientation);
            if (element.scale != 1)
                glScalef(element.scale, element.scale, element.scale);
            DrawList(element.list);
        });
    }

    const An8DrawContext& c_;
    int pushesLeft_;
};

} // namespace

const An8Material& SelectMaterial(const An8Model& model, int32_t number)
{
    const An8Material* material = FindMaterial(model, number);
    return material ? *material : DefaultMaterial();
}

void ApplyMaterial(const An8Material& material)
{
    if (material.backSurface) {
        SetMaterialValues(GL_FRONT, material.front);
        SetMaterialValues(GL_BACK, material.back);
    } else {
        SetMaterialValues(GL_FRONT_AND_BACK, material.front);
    }
}

void DrawNodeList(const An8DrawContext& context, const An8NodeList& list)
{
    GLint depth = 0, maximum = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &maximum);
    // Cube and element scales, and every size shrunk to an icon's, stretch the normals too:
    // unit normals keep the light right and specular highlights from burning out to white.
    glPushAttrib(GL_TRANSFORM_BIT);
    glEnable(GL_NORMALIZE);
    // Two levels stay free for a primitive at the deepest place: its frame and a cylinder's cap.
    Drawer(context, std::max(0, maximum - depth - 2)).DrawList(list);
    glPopAttrib();
}
