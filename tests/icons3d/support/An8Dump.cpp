#include "support/An8Dump.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <sstream>

namespace {

std::string num(float value)
{
    double rounded = std::round(static_cast<double>(value) * 10000) / 10000;
    if (rounded == 0)
        rounded = 0;   // no "-0"
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", rounded);
    std::string s = text;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

std::string q(const std::string& s)
{
    return "\"" + s + "\"";
}

// Built with append: GCC 12 warns falsely about chains of operator+ here.
std::string numbers(std::initializer_list<float> values)
{
    std::string text = "(";
    for (float v : values) {
        if (text.size() > 1)
            text.append(" ");
        text.append(num(v));
    }
    return text.append(")");
}

std::string point(const An8Point& p)
{
    return numbers({p.x, p.y, p.z});
}

std::string quat(const An8Quaternion& o)
{
    return numbers({o.x, o.y, o.z, o.w});
}

std::string rgba(const float* c)
{
    return numbers({c[0], c[1], c[2], c[3]});
}

std::string texture(const An8Texture* t)
{
    return t ? " texture " + q(t->name) : "";
}

class Dumper {
public:
    std::ostringstream out;

    void line(int depth, const std::string& text) { out << std::string(2 * depth, ' ') << text << "\n"; }

    std::string place(const An8Point& pivot, const An8Point& position, const An8Quaternion& orientation)
    {
        return " pivot " + point(pivot) + " position " + point(position) + " orientation " + quat(orientation);
    }

    void values(int depth, const char* side, const An8MaterialValues& v)
    {
        line(depth, std::string(side) + " ambient " + rgba(v.ambient) + " diffuse " + rgba(v.diffuse) + " specular " +
                        rgba(v.specular) + " emission " + rgba(v.emission));
        line(depth, std::string(side) + " factors " + num(v.ambientFactor) + " " + num(v.diffuseFactor) + " " +
                        num(v.specularFactor) + " " + num(v.emissionFactor) + " shininess " + num(v.shininess));
    }

    void surface(int depth, const char* side, const An8Surface* s)
    {
        if (!s)
            return;
        line(depth, std::string(side) + " surface rgba (" + num(s->red) + " " + num(s->green) + " " + num(s->blue) +
                        " " + num(s->alpha) + ") ambiant " + num(s->ambiant) + " diffuse " + num(s->diffuse) +
                        " brilliance " + num(s->brilliance) + " phong " + num(s->phong) + " phongsize " +
                        num(s->phongsize) + " texturename " + q(s->textureName));
    }

    void material(int depth, const An8Material& m)
    {
        line(depth, "material " + q(m.name));
        values(depth + 1, "front", m.front);
        values(depth + 1, "back", m.back);
        surface(depth + 1, "front", m.frontSurface.get());
        surface(depth + 1, "back", m.backSurface.get());
    }

    std::string referenceName(const An8Node& node)
    {
        switch (node.kind) {
        case kAn8Object: return q(node.as<An8Object>()->name);
        case kAn8Figure: return q(node.as<An8Figure>()->name);
        default: return "";
        }
    }

    void list(int depth, const An8NodeList& nodes)
    {
        for (const An8Node& node : nodes) {
            if (!node.item)
                line(depth, std::to_string(node.kind) + " (none)");
            else if (!node.owns())
                line(depth, "-> " + std::to_string(node.kind) + " " + referenceName(node));
            else
                record(depth, node);
        }
    }

    void record(int depth, const An8Node& node)
    {
        const std::string kind = std::to_string(node.kind) + " ";
        switch (node.kind) {
        case kAn8Group: {
            const auto& g = *node.as<An8Group>();
            line(depth, kind + "group " + q(g.name) + " material " + q(g.materialName) +
                            place(g.pivot, g.position, g.orientation));
            if (g.material)
                material(depth + 1, *g.material);
            list(depth + 1, g.children);
            break;
        }
        case kAn8Sphere: {
            const auto& s = *node.as<An8Sphere>();
            line(depth, kind + "sphere " + q(s.name) + " material " + std::to_string(s.materialNumber) + " slices " +
                            std::to_string(s.slices) + " stacks " + std::to_string(s.stacks) + " geodesic " +
                            std::to_string(s.geodesic) + " " + std::to_string(s.geodesicDivisions) + " diameter " +
                            num(s.diameter) + texture(s.texture) + place(s.pivot, s.position, s.orientation));
            break;
        }
        case kAn8Cube: {
            const auto& c = *node.as<An8Cube>();
            line(depth, kind + "cube " + q(c.name) + " material " + std::to_string(c.materialNumber) + " scale (" +
                            num(c.scale[0]) + " " + num(c.scale[1]) + " " + num(c.scale[2]) + ") divisions (" +
                            std::to_string(c.divisions[0]) + " " + std::to_string(c.divisions[1]) + " " +
                            std::to_string(c.divisions[2]) + ")" + texture(c.texture) +
                            place(c.pivot, c.position, c.orientation));
            break;
        }
        case kAn8Cylinder: {
            const auto& c = *node.as<An8Cylinder>();
            line(depth, kind + "cylinder " + q(c.name) + " material " + std::to_string(c.materialNumber) +
                            " slices " + std::to_string(c.slices) + " stacks " + std::to_string(c.stacks) +
                            " caps " + std::to_string(c.startCap) + std::to_string(c.endCap) + " diameter " +
                            num(c.diameter) + " top " + num(c.topDiameter) + " length " + num(c.length) +
                            texture(c.texture) + place(c.pivot, c.position, c.orientation));
            break;
        }
        case kAn8Mesh: mesh(depth, kind, *node.as<An8Mesh>()); break;
        case kAn8PathCom: {
            const auto& p = *node.as<An8PathCom>();
            line(depth, kind + "pathcom " + q(p.name) + " closed " + std::to_string(p.closed) +
                            place(p.pivot, p.position, p.orientation));
            break;
        }
        case kAn8TextCom: {
            const auto& t = *node.as<An8TextCom>();
            line(depth, kind + "textcom " + q(t.name) + " typeface " + q(t.typeface) + " text " + q(t.text) +
                            " size " + num(t.size) + " bold " + std::to_string(t.bold) + " italic " +
                            std::to_string(t.italic) + place(t.pivot, t.position, t.orientation));
            break;
        }
        case kAn8Modifier: {
            const auto& m = *node.as<An8Modifier>();
            line(depth, kind + "modifier " + q(m.name) + " length " + num(m.length) + " diameter " +
                            num(m.diameter) + " segments " + std::to_string(m.segments) +
                            place(m.pivot, m.position, m.orientation));
            list(depth + 1, m.component);
            break;
        }
        case kAn8Bone: {
            const auto& b = *node.as<An8Bone>();
            line(depth, kind + "bone " + q(b.name) + " length " + num(b.length) + " locked " +
                            std::to_string(b.locked) + " orientation " + quat(b.orientation));
            if (b.influenceGiven) {
                std::string text = "influence";
                for (float v : b.influence)
                    text.append(" ").append(num(v));
                line(depth + 1, text);
            }
            for (int axis = 0; axis < 3; ++axis)
                if (b.dof[axis].given)
                    line(depth + 1, std::string("dof ") + char('X' + axis) + " " + num(b.dof[axis].minimum) + " " +
                                        num(b.dof[axis].defaultValue) + " " + num(b.dof[axis].maximum) + " locked " +
                                        std::to_string(b.dof[axis].locked));
            list(depth + 1, b.children);
            break;
        }
        case kAn8NamedObject: {
            const auto& n = *node.as<An8NamedObject>();
            line(depth, kind + "namedobject " + q(n.name) + " object " + q(n.objectName) +
                            (n.object ? " found" : " missing") + " weightedby " + q(n.weightedBy) + " weighted " +
                            std::to_string(n.weighted) + " bone " + q(n.parentBone ? n.parentBone->name : "") +
                            " figure " + q(n.figure ? n.figure->name : "") +
                            place(n.pivot, n.position, n.orientation));
            break;
        }
        case kAn8Object: {
            const auto& o = *node.as<An8Object>();
            line(depth, kind + "object " + q(o.name));
            list(depth + 1, o.components);
            break;
        }
        case kAn8Figure: {
            const auto& f = *node.as<An8Figure>();
            line(depth, kind + "figure " + q(f.name) + " material " + std::to_string(f.materialNumber));
            list(depth + 1, f.rootBone);
            break;
        }
        case kAn8Element: element(depth, kind, *node.as<An8Element>()); break;
        case kAn8Sequence: {
            const auto& s = *node.as<An8Sequence>();
            line(depth, kind + "sequence " + q(s.name) + " frames " + num(s.frames) + " figure " + q(s.figureName) +
                            " number " + std::to_string(s.number));
            break;
        }
        case kAn8Scene: {
            const auto& s = *node.as<An8Scene>();
            line(depth, kind + "scene " + q(s.name) + " frames " + num(s.frames) + " background " +
                            std::to_string(s.background) + " fog " + std::to_string(s.fog) + " " + num(s.fogStart) +
                            " " + num(s.fogEnd) + " " + std::to_string(s.fogColor) + " " +
                            std::to_string(s.fogPercent));
            list(depth + 1, s.elements);
            break;
        }
        default: line(depth, kind + "?"); break;
        }
    }

    void mesh(int depth, const std::string& kind, const An8Mesh& m)
    {
        std::string materials;
        for (int32_t number : m.materialList)
            materials.append(" ").append(std::to_string(number));
        line(depth, kind + "mesh " + q(m.name) + " material " + std::to_string(m.materialNumber) + " smooth " +
                        std::to_string(m.smooth) + " smoothangle " + num(m.smoothAngle) + " materiallist (" +
                        (materials.empty() ? "" : materials.substr(1)) + ")" + texture(m.texture) +
                        place(m.pivot, m.position, m.orientation));
        for (std::size_t p = 0; p < m.points.size(); ++p)
            line(depth + 1, "point " + std::to_string(p) + " " + point(m.points[p]) + " normal " +
                                point(m.vertexNormals[p]));
        for (std::size_t t = 0; t < m.texcoords.size(); ++t)
            line(depth + 1, "texcoord " + std::to_string(t) + " (" + num(m.texcoords[t].u) + " " +
                                num(m.texcoords[t].v) + ")");
        for (std::size_t f = 0; f < m.faces.size(); ++f) {
            const An8Face& face = m.faces[f];
            std::string text = "face " + std::to_string(f) + " material " + std::to_string(face.material) + ":";
            for (int32_t c = face.firstCorner; c < face.firstCorner + face.n; ++c) {
                const An8Corner& corner = m.corners[c];
                text.append(" ").append(std::to_string(corner.point)).append("/").append(std::to_string(corner.tex));
                text.append(" ").append(point({corner.normal[0], corner.normal[1], corner.normal[2]}));
            }
            line(depth + 1, text);
        }
    }

    void element(int depth, const std::string& kind, const An8Element& e)
    {
        static const char* const kinds[] = {"camera", "objectelement", "figureelement", "light", "null", "path"};
        std::string text = kind + kinds[static_cast<int>(e.elementKind)] + " " + q(e.name) + " names " +
                           q(e.objectName) + " loc " + point(e.location) + " scale " + num(e.scale) +
                           " orientation " + quat(e.orientation) + " target " + q(e.target) + " facespath " +
                           std::to_string(e.facesPath) + " locked " + std::to_string(e.locked) + " frames " +
                           num(e.frames);
        switch (e.elementKind) {
        case An8ElementKind::Camera: text += " direction " + point(e.direction); break;
        case An8ElementKind::Light:
            text += " colour (" + std::to_string(e.color[0]) + " " + std::to_string(e.color[1]) + " " +
                    std::to_string(e.color[2]) + " " + std::to_string(e.color[3]) + ") intensity " +
                    num(e.intensity);
            break;
        case An8ElementKind::Path:
            text += " startframe " + std::to_string(e.startFrame) + " extendable " + std::to_string(e.extendable);
            break;
        default: break;
        }
        line(depth, text);
        list(depth + 1, e.list);
    }
};

} // namespace

std::string DumpModel(const An8Model& model)
{
    Dumper d;
    d.line(0, "model " + q(model.name));
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        d.out << i << " ";
        d.material(0, *model.materials[i]);
    }
    for (const auto& t : model.textures)
        d.line(0, "texture " + q(t->name) + " file " + q(t->file) + " id " + std::to_string(t->id));
    d.line(0, "objects");
    d.list(1, model.objects.components);
    d.line(0, "figures");
    d.list(1, model.figures.rootBone);
    d.line(0, "elements");
    d.list(1, model.elements);
    return d.out.str();
}
