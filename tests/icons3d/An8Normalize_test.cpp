#include "icons3d/An8Normalize.h"

#include "support/LoadText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

const std::string kHeader = "header { version { \"1.0\" } }\n";

// A model read from text and shrunk as the icon cache shrinks it.
struct Shrunk {
    explicit Shrunk(const std::string& body, std::uint64_t budget = kAn8IconVertexBudget) : load(kHeader + body)
    {
        EXPECT_TRUE(load.model);
        EXPECT_EQ(load.messages, std::vector<std::string>{});
        if (load.model)
            size = NormalizeModelSize(load.model->elements, budget);
    }
    template <class T> T& first() { return const_cast<T&>(firstComponent<T>(*load.model)); }

    LoadText load;
    An8ModelSize size;
};

TEST(An8Normalize, ASphereOfDiameterTwoEndsAQuarterAcrossAndAUnitCubeShrinksFourTimes)
{
    Shrunk sphere("object { \"o\" sphere { diameter { 2 } } }");
    EXPECT_DOUBLE_EQ(sphere.size.extent, 2);
    EXPECT_FLOAT_EQ(sphere.first<An8Sphere>().diameter, 0.25f);

    Shrunk cube("object { \"o\" cube { scale { 0.5 0.5 0.5 } base { origin { (0.2 0 0) } } } }");
    EXPECT_DOUBLE_EQ(cube.size.minimum[1], -0.5);
    EXPECT_DOUBLE_EQ(cube.size.maximum[1], 0.5);
    EXPECT_DOUBLE_EQ(cube.size.extent, 1);
    EXPECT_FLOAT_EQ(cube.first<An8Cube>().scale[0], 0.125f);
    EXPECT_FLOAT_EQ(cube.first<An8Cube>().position.x, 0.05f);

    // Far from the origin, the box still reaches back to it.
    Shrunk far("object { \"o\" sphere { diameter { 0.5 } base { origin { (10 0 0) } } } }");
    EXPECT_DOUBLE_EQ(far.size.minimum[0], 0);
    EXPECT_DOUBLE_EQ(far.size.extent, 10.25);
    EXPECT_NEAR(far.first<An8Sphere>().position.x, 10 / 41.0, 1e-6);
    EXPECT_FALSE(far.size.holdsText);
}

TEST(An8Normalize, ATextCommandReachesItsLengthTimesAFifthOfItsSizeTruncated)
{
    Shrunk text("object { \"o\" textcom { size { 4 } string { \"abcd\" } base { origin { (0 1 0) } } } }");
    EXPECT_TRUE(text.size.holdsText);
    EXPECT_DOUBLE_EQ(text.size.maximum[0], 3); // 4 x 4 x 0.2 = 3.2
    EXPECT_NEAR(text.size.maximum[1], 1.8, 1e-6);
    EXPECT_NEAR(text.size.maximum[2], 0.8, 1e-6);
    EXPECT_DOUBLE_EQ(text.size.extent, 3);
    EXPECT_FLOAT_EQ(text.first<An8TextCom>().size, 4 / 12.0f);
    EXPECT_FLOAT_EQ(text.first<An8TextCom>().position.y, 1 / 12.0f);

    // A huge size keeps its box in floating point: no integer overflow.
    Shrunk huge("object { \"o\" textcom { size { 2000000000 } string { \"twenty characters...\" } } }");
    EXPECT_NEAR(huge.size.maximum[0], 8e9, 1e3);
}

TEST(An8Normalize, AFigureInTwoElementsIsScaledOnceAndEachElementItsOwnOnce)
{
    Shrunk scene("object { \"ball\" sphere { diameter { 1 } } }\n"
                 "figure { \"doll\" bone { \"root\" length { 2 }\n"
                 "  namedobject { \"ball\" name { \"head\" } base { origin { (0 4 0) } } } } }\n"
                 "scene { \"s\"\n"
                 "  figureelement { \"a\" \"doll\" loc { (0 0 -3) } }\n"
                 "  figureelement { \"b\" \"doll\" loc { (0 0 3) } }\n}\n");
    // y: the head at 4 with its radius 0.5; z: the elements at -3 and 3.
    EXPECT_DOUBLE_EQ(scene.size.maximum[1], 4.5);
    EXPECT_DOUBLE_EQ(scene.size.extent, 7);
    const An8Model& model = *scene.load.model;
    const auto& figure = *model.figures.rootBone.at(0).as<An8Figure>();
    const auto& bone = *figure.rootBone.at(0).as<An8Bone>();
    const auto& head = *bone.children.at(0).as<An8NamedObject>();
    EXPECT_FLOAT_EQ(head.position.y, 4 / 28.0f) << "divided once though reached twice";
    EXPECT_FLOAT_EQ(bone.length, 2 / 28.0f);
    EXPECT_FLOAT_EQ(firstComponent<An8Sphere>(model).diameter, 1 / 28.0f);
    const auto& elements = model.elements.at(0).as<An8Scene>()->elements;
    EXPECT_FLOAT_EQ(elements.at(0).as<An8Element>()->location.z, -3 / 28.0f);
    EXPECT_FLOAT_EQ(elements.at(1).as<An8Element>()->location.z, 3 / 28.0f);
}

TEST(An8Normalize, AModelAboveTheBudgetIsRefusedUnscaledAndQuickly)
{
    Shrunk small("object { \"o\" sphere { diameter { 2 } longlat { 12 8 } } }", 100);
    EXPECT_TRUE(small.size.tooComplex);
    EXPECT_FLOAT_EQ(small.first<An8Sphere>().diameter, 2) << "nothing scaled";

    // A thousand elements of a figure of a thousand named objects: 10^6 cubes from 60 kB.
    std::string objects, elements;
    for (int i = 0; i < 1000; ++i) {
        objects += "namedobject { \"o\" }\n";
        elements += "figureelement { \"e\" \"f\" }\n";
    }
    const auto start = std::chrono::steady_clock::now();
    Shrunk crowd("object { \"o\" cube { } }\nfigure { \"f\" bone { \"b\"\n" + objects + "} }\nscene { \"s\"\n" +
                 elements + "}\n");
    EXPECT_TRUE(crowd.size.tooComplex);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    Shrunk fits("object { \"o\" sphere { diameter { 2 } longlat { 12 8 } } }");
    EXPECT_FALSE(fits.size.tooComplex);
    EXPECT_EQ(fits.size.vertices, 2u * 13 * 8 + 4) << "the sphere's vertices, its object and the two holders";
}

} // namespace
