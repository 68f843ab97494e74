#include "icons3d/An8Reader.h"

void An8Reader::readScene()
{
    open(kAn8MissingBrace);
    auto scene = std::make_unique<An8Scene>();
    scene->name = optionalName(true);
    body([&](An8Keyword keyword) {
        if (readElement(keyword, *scene))
            return true;
        switch (keyword) {
        case kFrames: scene->frames = static_cast<float>(integerChunk()); return true;
        case kBackground: scene->background = colourChunk(); return true;
        case kGroundgrid: integerChunk(); return true;
        case kFog: readFog(*scene); return true;
        default: return false;
        }
    });
    An8AppendNode(model_->elements, kAn8Scene, std::move(scene));
}

void An8Reader::readFog(An8Scene& scene)
{
    open(kAn8WrongValue);
    scene.fog = 1;
    body([&](An8Keyword keyword) {
        switch (keyword) {
        case kFogstart: scene.fogStart = realChunk(); return true;
        case kFogend: scene.fogEnd = realChunk(); return true;
        case kColor: scene.fogColor = colourChunk(); return true;
        case kPercent: scene.fogPercent = integerChunk(); return true;
        default: return false;
        }
    });
}

// Every element joins the scene's list, also one written inside another element.
bool An8Reader::readElement(An8Keyword keyword, An8Scene& scene)
{
    An8ElementKind kind;
    switch (keyword) {
    case kCamera: kind = An8ElementKind::Camera; break;
    case kObjectelement: kind = An8ElementKind::ObjectElement; break;
    case kFigureelement: kind = An8ElementKind::FigureElement; break;
    case kLight: kind = An8ElementKind::Light; break;
    case kNull: kind = An8ElementKind::Null; break;
    case kPath: kind = An8ElementKind::Path; break;
    default: return false;
    }
    open(kAn8MissingBrace);
    Nesting nesting(*this);
    auto owned = std::make_unique<An8Element>();
    An8Element& element = *An8AppendNode(scene.elements, kAn8Element, std::move(owned));
    element.elementKind = kind;
    element.frames = scene.frames;
    if (kind == An8ElementKind::FigureElement) {
        element.name = readString();
        element.objectName = readString();
        auto figure = figuresByName_.find(element.objectName);
        if (figure != figuresByName_.end())
            An8AppendReference(element.list, kAn8Figure, figure->second);
    } else if (at(An8Token::String)) {
        element.name = readString();
        if (kind == An8ElementKind::ObjectElement) {
            element.objectName = at(An8Token::String) ? readString() : element.name;
            auto object = objectsByName_.find(element.objectName);
            if (object != objectsByName_.end())
                An8AppendReference(element.list, kAn8Object, object->second);
        }
    }
    body([&](An8Keyword field) { return elementField(field, element, scene); });
    return true;
}

bool An8Reader::elementField(An8Keyword keyword, An8Element& element, An8Scene& scene)
{
    switch (keyword) {
    case kOrientation: element.orientation = quaternionChunk(); return true;
    case kFacespath: emptyChunk(); element.facesPath = 1; return true;
    case kLocked: emptyChunk(); element.locked = 1; return true;
    case kLoc: element.location = pointChunk(); return true;
    case kScale: element.scale = realChunk(); return true;
    case kTarget: element.target = stringChunk(); return true;
    default: break;
    }
    if (readElement(keyword, scene))
        return true;
    switch (element.elementKind) {
    case An8ElementKind::Path:
        switch (keyword) {
        case kBezier: {
            uint8_t closed = 0;
            readBezier(closed);
            return true;
        }
        case kKnot: readKnot(); return true;
        case kStartframe: element.startFrame = integerChunk(); return true;
        case kExtendable: emptyChunk(); element.extendable = 1; return true;
        default: return false;
        }
    case An8ElementKind::Camera:
        if (keyword != kDirection)
            return false;
        element.direction = pointChunk();
        return true;
    case An8ElementKind::Light:
        if (keyword == kIntensity) {
            element.intensity = realChunk();
            return true;
        }
        if (keyword != kRgb)
            return false;
        integersChunk(element.color, 3);
        element.color[3] = 255;
        return true;
    case An8ElementKind::FigureElement:
        if (keyword != kNamedsequence)
            return false;
        readNamedSequence(element);
        return true;
    default: return false;
    }
}

void An8Reader::readNamedSequence(An8Element& element)
{
    open(kAn8MissingBrace);
    auto sequence = std::make_unique<An8Sequence>();
    sequence->name = readString();
    sequence->number = readInteger();
    closing();
    An8AppendNode(element.list, kAn8Sequence, std::move(sequence));
}
