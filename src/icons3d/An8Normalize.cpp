#include "icons3d/An8Normalize.h"

#include <algorithm>
#include <cmath>

namespace {

// Glyph outlines are made by the view's font; this is a fair guess at their cost.
constexpr std::uint64_t kVerticesPerGlyph = 100;

struct Offset {
    double a[3] = {0, 0, 0};
    void add(const An8Point& p)
    {
        a[0] += p.x;
        a[1] += p.y;
        a[2] += p.z;
    }
};

double Axis(const An8Point& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

class Measure {
public:
    explicit Measure(std::uint64_t budget) : budget_(budget) {}

    void List(const An8NodeList& list)
    {
        for (const An8Node& node : list) {
            if (size.tooComplex)
                return;
            if (node.item)
                Node(node);
        }
    }

    An8ModelSize size;

private:
    void Count(std::uint64_t cost)
    {
        size.vertices += cost;
        if (size.vertices > budget_)
            size.tooComplex = true;
    }

    void Widen(int axis, double value)
    {
        size.minimum[axis] = std::min(size.minimum[axis], value);
        size.maximum[axis] = std::max(size.maximum[axis], value);
    }

    double At(const An8Point& position, int axis) const
    {
        return element_.a[axis] + group_.a[axis] + Axis(position, axis);
    }

    template <class Walk>
    void Shifted(Offset& offset, const An8Point& by, Walk&& walk)
    {
        const Offset kept = offset;
        offset.add(by);
        walk();
        offset = kept;
    }

    void Node(const An8Node& node)
    {
        Count(1);
        switch (node.kind) {
        case kAn8Element: {
            const auto& element = *node.as<An8Element>();
            return Shifted(element_, element.location, [&] { List(element.list); });
        }
        case kAn8NamedObject: {
            const auto& named = *node.as<An8NamedObject>();
            if (named.object)
                Shifted(element_, named.position, [&] { List(named.object->components); });
            return;
        }
        case kAn8Group: {
            const auto& group = *node.as<An8Group>();
            return Shifted(group_, group.position, [&] { List(group.children); });
        }
        case kAn8Scene: return List(node.as<An8Scene>()->elements);
        case kAn8Figure: return List(node.as<An8Figure>()->rootBone);
        case kAn8Object: return List(node.as<An8Object>()->components);
        case kAn8Bone: return List(node.as<An8Bone>()->children);
        case kAn8Sphere: return Sphere(*node.as<An8Sphere>());
        case kAn8Cube: return Cube(*node.as<An8Cube>());
        case kAn8Cylinder: return Cylinder(*node.as<An8Cylinder>());
        case kAn8Mesh: return Mesh(*node.as<An8Mesh>());
        case kAn8TextCom: return Text(*node.as<An8TextCom>());
        default: return;
        }
    }

    void Sphere(const An8Sphere& sphere)
    {
        for (int a = 0; a < 3; ++a) {
            Widen(a, At(sphere.position, a) - sphere.diameter * 0.5);
            Widen(a, At(sphere.position, a) + sphere.diameter * 0.5);
        }
        Count(2 * std::uint64_t(std::max(0, sphere.slices) + 1) * std::uint64_t(std::max(0, sphere.stacks)));
    }

    void Cube(const An8Cube& cube)
    {
        for (int a = 0; a < 3; ++a) {
            Widen(a, At(cube.position, a) + cube.scale[a]);
            Widen(a, At(cube.position, a) - cube.scale[a]);
        }
        Count(24);
    }

    void Cylinder(const An8Cylinder& cylinder)
    {
        for (int a = 0; a < 3; ++a) {
            Widen(a, At(cylinder.position, a) - cylinder.diameter * 0.5 - cylinder.length);
            Widen(a, At(cylinder.position, a) + cylinder.topDiameter * 0.5 + cylinder.length);
        }
        const std::uint64_t slices = std::uint64_t(std::max(0, cylinder.slices)) + 2;
        Count(2 * slices * std::uint64_t(std::max(0, cylinder.stacks)) + 2 * slices);
    }

    void Mesh(const An8Mesh& mesh)
    {
        // Points that no face uses are still walked here: they count too.
        Count(std::max(mesh.corners.size(), mesh.points.size()));
        if (size.tooComplex)
            return;
        for (const An8Point& point : mesh.points)
            for (int a = 0; a < 3; ++a)
                Widen(a, At(mesh.position, a) + Axis(point, a));
    }

    void Text(const An8TextCom& text)
    {
        if (text.text.empty())
            return;
        size.holdsText = true;
        const float step = text.size * 0.2f;
        // Truncated as a float: a huge size would overflow any integer.
        Widen(0, At(text.position, 0) + std::trunc(float(text.text.size()) * step));
        Widen(1, At(text.position, 1) + step);
        Widen(2, At(text.position, 2) + step);
        Count(text.text.size() * kVerticesPerGlyph);
    }

    std::uint64_t budget_;
    Offset element_;
    Offset group_;
};

class Shrink {
public:
    explicit Shrink(double divisor) : divisor_(float(divisor)) {}

    void List(An8NodeList& list)
    {
        for (An8Node& node : list)
            if (node.item)
                Node(node);
    }

private:
    void Divide(float& value) const { value /= divisor_; }
    void Divide(An8Point& p) const
    {
        Divide(p.x);
        Divide(p.y);
        Divide(p.z);
    }
    // A record reached twice (a figure in two elements) is scaled the first time only.
    static bool First(uint8_t& scaled)
    {
        const bool first = scaled != 0;
        scaled = 0;
        return first;
    }

    void Node(An8Node& node)
    {
        switch (node.kind) {
        case kAn8Element: {
            auto& element = *node.as<An8Element>();
            if (First(element.scaled))
                Divide(element.location);
            return List(element.list);
        }
        case kAn8NamedObject: {
            auto& named = *node.as<An8NamedObject>();
            if (First(named.scaled))
                Divide(named.position);
            if (named.object)
                List(named.object->components);
            return;
        }
        case kAn8Group: {
            auto& group = *node.as<An8Group>();
            if (First(group.scaled))
                Divide(group.position);
            return List(group.children);
        }
        case kAn8Bone: {
            auto& bone = *node.as<An8Bone>();
            if (First(bone.scaled))
                Divide(bone.length);
            return List(bone.children);
        }
        case kAn8Scene: return List(node.as<An8Scene>()->elements);
        case kAn8Figure: return List(node.as<An8Figure>()->rootBone);
        case kAn8Object: return List(node.as<An8Object>()->components);
        case kAn8TextCom: {
            auto& text = *node.as<An8TextCom>();
            if (First(text.scaled)) {
                Divide(text.size);
                Divide(text.position);
            }
            return;
        }
        case kAn8Cylinder: {
            auto& cylinder = *node.as<An8Cylinder>();
            if (First(cylinder.scaled)) {
                Divide(cylinder.diameter);
                Divide(cylinder.topDiameter);
                Divide(cylinder.length);
                Divide(cylinder.position);
            }
            return;
        }
        case kAn8Cube: {
            auto& cube = *node.as<An8Cube>();
            if (First(cube.scaled)) {
                Divide(cube.position);
                for (float& s : cube.scale)
                    Divide(s);
            }
            return;
        }
        case kAn8Sphere: {
            auto& sphere = *node.as<An8Sphere>();
            if (First(sphere.scaled)) {
                Divide(sphere.diameter);
                Divide(sphere.position);
            }
            return;
        }
        case kAn8Mesh: {
            auto& mesh = *node.as<An8Mesh>();
            if (First(mesh.scaled)) {
                Divide(mesh.position);
                for (An8Point& point : mesh.points)
                    Divide(point);
            }
            return;
        }
        default: return;
        }
    }

    float divisor_;
};

} // namespace

An8ModelSize MeasureModel(const An8NodeList& elements, std::uint64_t vertexBudget)
{
    Measure measure(vertexBudget);
    measure.List(elements);
    An8ModelSize& size = measure.size;
    size.extent = 1;
    for (int a = 0; a < 3; ++a)
        size.extent = std::max(size.extent, size.maximum[a] - size.minimum[a]);
    return size;
}

An8ModelSize NormalizeModelSize(An8NodeList& elements, std::uint64_t vertexBudget)
{
    const An8ModelSize size = MeasureModel(elements, vertexBudget);
    if (!size.tooComplex)
        Shrink(size.extent * 4).List(elements);
    return size;
}
