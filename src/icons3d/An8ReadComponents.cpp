#include "icons3d/An8Reader.h"

#include <algorithm>

namespace {

bool isZero(const An8Point& p)
{
    return p.x == 0 && p.y == 0 && p.z == 0;
}

} // namespace

bool An8Reader::placementField(An8Keyword keyword, Placement placement)
{
    switch (keyword) {
    case kName:
        placement.name = stringChunk();
        return true;
    case kBase: {
        const Transform base = transformChunk();
        placement.position = base.origin;
        placement.orientation = base.orientation;
        return true;
    }
    case kOrientation:
        placement.orientation = quaternionChunk();
        return true;
    case kPivot: {
        const Transform pivot = transformChunk();
        const bool bare = !isZero(pivot.bare);
        switch (placement.rule) {
        case PivotRule::Component:
            placement.pivot = bare ? pivot.bare : pivot.origin;
            break;
        case PivotRule::Group:
            placement.pivot = pivot.origin;
            if (bare)
                placement.position = pivot.bare;
            break;
        case PivotRule::NamedObject:
            placement.position = pivot.origin;
            if (bare)
                placement.pivot = pivot.bare;
            break;
        }
        if (bare || placement.rule == PivotRule::NamedObject)
            placement.orientation = pivot.orientation;
        return true;
    }
    default:
        return false;
    }
}

bool An8Reader::readComponent(An8Keyword keyword, An8NodeList& list)
{
    switch (keyword) {
    case kGroup:
    case kSphere:
    case kCube:
    case kCylinder:
    case kMesh:
    case kSolid:
    case kSubdivision:
    case kPathcom:
    case kTextcom:
    case kModifier: break;
    default: return false;
    }
    next();
    if (!at(An8Token::LBrace))
        return true;   // dropped without an error; the token read stays current
    Nesting nesting(*this);
    next();
    switch (keyword) {
    case kGroup: An8AppendNode(list, kAn8Group, readGroup()); break;
    case kSphere: An8AppendNode(list, kAn8Sphere, readSphere()); break;
    case kCube: An8AppendNode(list, kAn8Cube, readCube()); break;
    case kCylinder: An8AppendNode(list, kAn8Cylinder, readCylinder()); break;
    case kPathcom: An8AppendNode(list, kAn8PathCom, readPathCom()); break;
    case kTextcom: An8AppendNode(list, kAn8TextCom, readTextCom()); break;
    case kModifier: An8AppendNode(list, kAn8Modifier, readModifier()); break;
    default: An8AppendNode(list, kAn8Mesh, readMesh()); break;
    }
    return true;
}

void An8Reader::readObject()
{
    open(kAn8MissingBrace);
    ++objectCounter_;
    auto object = std::make_unique<An8Object>();
    object->name = optionalName(true);
    body([&](An8Keyword keyword) {
        if (readComponent(keyword, object->components))
            return true;
        if (keyword == kMaterial) {
            registerMaterial(An8ReadMaterial());
            return true;
        }
        if (keyword == kPoints) {
            std::vector<An8Point> dropped;
            readPoints(dropped);
            return true;
        }
        return false;
    });
    // Look-ups find the first object of a name, and only those read before them.
    objectsByName_.emplace(object->name, object.get());
    An8AppendNode(model_->objects.components, kAn8Object, std::move(object));
}

std::unique_ptr<An8Group> An8Reader::readGroup()
{
    auto group = std::make_unique<An8Group>();
    Placement placement{group->name, group->pivot, group->position, group->orientation, PivotRule::Group};
    body([&](An8Keyword keyword) {
        if (readComponent(keyword, group->children) || placementField(keyword, placement))
            return true;
        if (keyword != kMaterial)
            return false;
        group->material = An8ReadMaterial();
        group->materialName = group->material->name;
        return true;
    });
    return group;
}

std::unique_ptr<An8Sphere> An8Reader::readSphere()
{
    auto sphere = std::make_unique<An8Sphere>();
    body([&](An8Keyword keyword) {
        if (primitiveField(keyword, *sphere))
            return true;
        switch (keyword) {
        case kLonglat: {
            int32_t divisions[2];
            integersChunk(divisions, 2);
            sphere->slices = divisions[0];
            sphere->stacks = divisions[1];
            sphere->geodesic = 0;
            return true;
        }
        case kGeodesic:
            sphere->geodesicDivisions = integerChunk();
            sphere->geodesic = 1;
            return true;
        case kDiameter:
            sphere->diameter = realChunk() * (version_ < 50 ? 2 : 1);
            return true;
        default: return false;
        }
    });
    // Outside these limits the quadric either fails on every draw or costs a frozen panel.
    sphere->slices = std::clamp(sphere->slices, 3, 100);
    sphere->stacks = std::clamp(sphere->stacks, 2, 100);
    sphere->diameter = std::max(sphere->diameter, 0.0f);
    return sphere;
}

std::unique_ptr<An8Cube> An8Reader::readCube()
{
    auto cube = std::make_unique<An8Cube>();
    body([&](An8Keyword keyword) {
        if (primitiveField(keyword, *cube))
            return true;
        switch (keyword) {
        case kScale: realsChunk(cube->scale, 3); return true;
        case kDivisions: integersChunk(cube->divisions, 3); return true;
        default: return false;
        }
    });
    return cube;
}

std::unique_ptr<An8Cylinder> An8Reader::readCylinder()
{
    auto cylinder = std::make_unique<An8Cylinder>();
    const float doubling = version_ < 50 ? 2 : 1;
    body([&](An8Keyword keyword) {
        if (primitiveField(keyword, *cylinder))
            return true;
        switch (keyword) {
        case kLength: cylinder->length = realChunk(); return true;
        case kDiameter: cylinder->diameter = realChunk() * doubling; return true;
        case kTopdiameter: cylinder->topDiameter = realChunk() * doubling; return true;
        case kLonglat: {
            int32_t divisions[2];
            integersChunk(divisions, 2);
            cylinder->slices = std::clamp(divisions[0], 3, 100);
            cylinder->stacks = std::clamp(divisions[1], 1, 100);
            return true;
        }
        case kCapstart:
            An8SkipChunk();
            cylinder->startCap = 1;
            return true;
        case kCapend:
            An8SkipChunk();
            cylinder->endCap = 1;
            return true;
        default: return false;
        }
    });
    if (version_ < 60)
        cylinder->startCap = cylinder->endCap = 1;
    // Negative sizes make the quadric fail on every draw.
    cylinder->length = std::max(cylinder->length, 0.0f);
    cylinder->diameter = std::max(cylinder->diameter, 0.0f);
    cylinder->topDiameter = std::max(cylinder->topDiameter, 0.0f);
    return cylinder;
}

std::unique_ptr<An8PathCom> An8Reader::readPathCom()
{
    auto path = std::make_unique<An8PathCom>();
    Placement placement{path->name, path->pivot, path->position, path->orientation, PivotRule::Component};
    body([&](An8Keyword keyword) {
        if (placementField(keyword, placement))
            return true;
        if (keyword == kBezier) {
            readBezier(path->closed);
            return true;
        }
        if (keyword == kClosed) {
            An8SkipChunk();
            path->closed = 1;
            return true;
        }
        return false;
    });
    return path;
}

void An8Reader::readBezier(uint8_t& closed)
{
    open(kAn8MissingBrace);
    body([&](An8Keyword keyword) {
        if (keyword == kKnot) {
            readKnot();
            return true;
        }
        if (keyword == kClosed) {
            emptyChunk();
            closed = 1;
            return true;
        }
        return false;
    });
}

// Knots are read for their syntax only: nothing draws paths.
void An8Reader::readKnot()
{
    open(kAn8MissingBrace);
    point();
    for (int more = 0; more < 2 && at(An8Token::LParen); ++more)
        point();
    if (at(An8Token::Integer) || at(An8Token::Minus) || at(An8Token::Plus))
        readInteger();
    body([](An8Keyword) { return false; });
}

std::unique_ptr<An8TextCom> An8Reader::readTextCom()
{
    auto text = std::make_unique<An8TextCom>();
    Placement placement{text->name, text->pivot, text->position, text->orientation, PivotRule::Component};
    body([&](An8Keyword keyword) {
        if (placementField(keyword, placement))
            return true;
        switch (keyword) {
        case kTypeface: text->typeface = stringChunk(); return true;
        case kSize: text->size = static_cast<float>(integerChunk()); return true;
        case kBold: emptyChunk(); text->bold = 1; return true;
        case kItalic: emptyChunk(); text->italic = 1; return true;
        case kString: text->text = stringChunk(); return true;
        default: return false;
        }
    });
    return text;
}

// A modifier keeps only the last component it holds; its method chunk is skipped whole,
// since modifiers are never drawn.
std::unique_ptr<An8Modifier> An8Reader::readModifier()
{
    auto modifier = std::make_unique<An8Modifier>();
    Placement placement{modifier->name, modifier->pivot, modifier->position, modifier->orientation,
                        PivotRule::Component};
    body([&](An8Keyword keyword) {
        if (readComponent(keyword, modifier->component)) {
            if (modifier->component.size() > 1)
                modifier->component.erase(modifier->component.begin(), modifier->component.end() - 1);
            return true;
        }
        if (placementField(keyword, placement))
            return true;
        switch (keyword) {
        case kLength: modifier->length = realChunk(); return true;
        case kDiameter: modifier->diameter = realChunk(); return true;
        case kSegments: modifier->segments = integerChunk(); return true;
        default: return false;
        }
    });
    return modifier;
}
