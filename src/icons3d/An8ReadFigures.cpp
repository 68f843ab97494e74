#include "icons3d/An8Reader.h"

void An8Reader::readFigure()
{
    open(kAn8MissingBrace);
    auto figure = std::make_unique<An8Figure>();
    figure->name = optionalName(true);
    body([&](An8Keyword keyword) {
        if (keyword == kMaterial) {
            figure->materialNumber = registerMaterial(An8ReadMaterial()).number;
            return true;
        }
        if (keyword != kBone)
            return false;
        // A second root bone chunk reads into the same record.
        if (figure->rootBone.empty())
            An8AppendNode(figure->rootBone, kAn8Bone, std::make_unique<An8Bone>());
        readBone(*figure->rootBone.front().as<An8Bone>(), *figure);
        return true;
    });
    figuresByName_.emplace(figure->name, figure.get());
    An8AppendNode(model_->figures.rootBone, kAn8Figure, std::move(figure));
}

void An8Reader::readBone(An8Bone& bone, An8Figure& figure)
{
    open(kAn8MissingBrace);
    Nesting nesting(*this);
    if (at(An8Token::String))
        bone.name = readString();
    body([&](An8Keyword keyword) {
        if (readComponent(keyword, bone.children))
            return true;
        switch (keyword) {
        case kBone:
            readBone(*An8AppendNode(bone.children, kAn8Bone, std::make_unique<An8Bone>()), figure);
            return true;
        case kNamedobject: An8AppendNode(bone.children, kAn8NamedObject, readNamedObject(bone, figure)); return true;
        case kOrientation: bone.orientation = quaternionChunk(); return true;
        case kLocked: emptyChunk(); bone.locked = 1; return true;
        case kLength: bone.length = realChunk(); return true;
        case kDof: readDof(bone); return true;
        case kInfluence: realsChunk(bone.influence, 6); bone.influenceGiven = 1; return true;
        default: return false;
        }
    });
}

void An8Reader::readDof(An8Bone& bone)
{
    open(kAn8MissingBrace);
    const std::string axis = readString();
    An8Dof dof;
    dof.given = 1;
    dof.minimum = readReal();
    dof.defaultValue = readReal();
    dof.maximum = readReal();
    while (at(An8Token::Word) && An8LookupKeyword(lexer_.text()) == kLocked) {
        emptyChunk();
        dof.locked = 1;
    }
    closing();
    if (axis == "X" || axis == "Y" || axis == "Z")
        bone.dof[axis[0] - 'X'] = dof;
}

std::unique_ptr<An8NamedObject> An8Reader::readNamedObject(An8Bone& parent, An8Figure& figure)
{
    open(kAn8MissingBrace);
    auto named = std::make_unique<An8NamedObject>();
    named->parentBone = &parent;
    named->figure = &figure;
    if (at(An8Token::String)) {
        named->objectName = readString();
        auto found = objectsByName_.find(named->objectName);
        if (found != objectsByName_.end())
            named->object = found->second;
    }
    Placement placement{named->name, named->pivot, named->position, named->orientation, PivotRule::NamedObject};
    body([&](An8Keyword keyword) {
        if (placementField(keyword, placement))
            return true;
        if (keyword != kWeightedby)
            return false;
        named->weightedBy = stringChunk();
        named->weighted = 1;
        return true;
    });
    return named;
}

void An8Reader::readSequence()
{
    open(kAn8MissingBrace);
    auto sequence = std::make_unique<An8Sequence>();
    sequence->name = optionalName(true);
    body([&](An8Keyword keyword) {
        switch (keyword) {
        case kFigure: sequence->figureName = stringChunk(); return true;
        case kFrames: sequence->frames = static_cast<float>(integerChunk()); return true;
        case kJointangle: readJointAngle(); return true;
        default: return false;
        }
    });
    An8AppendNode(model_->elements, kAn8Sequence, std::move(sequence));
}

// Animation is read for its syntax only: icons stand still.
void An8Reader::readJointAngle()
{
    open(kAn8MissingBrace);
    readString();
    readString();
    body([&](An8Keyword keyword) {
        if (keyword != kTrack)
            return false;
        open(kAn8MissingBrace);
        body([&](An8Keyword key) {
            if (key != kFloatkey)
                return false;
            open(kAn8MissingBrace);
            readInteger();
            readReal();
            readString();
            closing();
            return true;
        });
        return true;
    });
}
