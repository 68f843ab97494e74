#include "support/LoadText.h"

namespace {

TEST(An8Reader, AFileOfOnlyCommentsShowsAnEmptyObjectsHolderThroughTheFiguresHolder)
{
    LoadText load("  /* nothing */ \n\t\n");
    ASSERT_TRUE(load.model);
    const An8Model& model = *load.model;
    ASSERT_EQ(model.elements.size(), 1u);
    EXPECT_EQ(model.elements[0].kind, kAn8Figure);
    EXPECT_EQ(model.elements[0].item, &model.figures);
    ASSERT_EQ(model.figures.rootBone.size(), 1u);
    EXPECT_EQ(model.figures.rootBone[0].kind, kAn8Object);
    EXPECT_EQ(model.figures.rootBone[0].item, &model.objects);
    EXPECT_FALSE(model.figures.rootBone[0].owns());
    EXPECT_TRUE(model.objects.components.empty());
}

// "counter + name" alone would make "1wood" of object 2 and "wood" of object 21 one material.
TEST(An8Reader, RegistryKeepsObjectCounterAndNameApart)
{
    std::string text = "object { \"o1\" material { \"1wood\" } cube { material { \"1wood\" } } }\n";
    for (int i = 2; i <= 19; ++i)
        text += "object { \"o" + std::to_string(i) + "\" }\n";
    text += "object { \"o20\" material { \"wood\" } cube { material { \"wood\" } } }\n";
    text += "object { \"o21\" material { \"x\" } material { \"x\" } cube { material { \"x\" } } }\n";
    LoadText load(text);
    ASSERT_TRUE(load.model);
    const auto& objects = load.model->objects.components;
    ASSERT_EQ(load.model->materials.size(), 3u);
    EXPECT_EQ(load.model->materials[0]->name, "21wood");
    EXPECT_EQ(load.model->materials[1]->name, "21wood");
    auto cubeMaterial = [&](int object) {
        return objects[object].as<An8Object>()->components[0].as<An8Cube>()->materialNumber;
    };
    EXPECT_EQ(cubeMaterial(0), 0);
    EXPECT_EQ(cubeMaterial(19), 1);
    EXPECT_EQ(cubeMaterial(20), 2);   // the second "x" of one object is the first one
}

struct VersionCase {
    const char* header;
    float diameter;    // of a sphere written with diameter 1
    uint8_t caps;      // both cylinder caps forced on
};

class Versions : public testing::TestWithParam<VersionCase> {};

TEST_P(Versions, DoubleOldDiametersAndForceOldCaps)
{
    LoadText load(std::string(GetParam().header) +
                  "object { \"o\" sphere { diameter { 1 } } cylinder { diameter { 1 } topdiameter { 2 } } }");
    ASSERT_TRUE(load.model);
    const auto& components = load.model->objects.components[0].as<An8Object>()->components;
    EXPECT_FLOAT_EQ(components[0].as<An8Sphere>()->diameter, GetParam().diameter);
    const auto& cylinder = *components[1].as<An8Cylinder>();
    EXPECT_FLOAT_EQ(cylinder.diameter, GetParam().diameter);
    EXPECT_FLOAT_EQ(cylinder.topDiameter, 2 * GetParam().diameter);
    EXPECT_EQ(cylinder.startCap, GetParam().caps);
    EXPECT_EQ(cylinder.endCap, GetParam().caps);
}

INSTANTIATE_TEST_SUITE_P(An8, Versions,
                         testing::Values(VersionCase{"", 2, 1},                                  // no header: 0
                                         VersionCase{"header { }", 1, 1},                        // 50
                                         VersionCase{"header { version { \"0.4\" } }", 2, 1},    // 40
                                         VersionCase{"header { version { \"0.55\" } }", 1, 1},   // 55
                                         VersionCase{"header { version { \"0.6\" } }", 1, 0},    // 60, not 6
                                         VersionCase{"header { version { \"0.95\" } }", 1, 0},   // 95
                                         VersionCase{"header { version { \"0.999\" } }", 1, 0},  // 99
                                         VersionCase{"header { version { \"99999999999.1\" } }", 1, 0}));

TEST(An8Reader, QuadricDivisionsAndSizesAreHeldToDrawableValues)
{
    LoadText load("header { version { \"1.0\" } }\nobject { \"o\"\n"
                  "sphere { longlat { 1 0 } diameter { -3 } }\n"
                  "sphere { longlat { 100000 100000 } }\n"
                  "cylinder { longlat { 1 0 } length { -1 } diameter { -1 } topdiameter { -1 } }\n"
                  "cylinder { longlat { 500 500 } }\n}");
    ASSERT_TRUE(load.model);
    const auto& c = load.model->objects.components[0].as<An8Object>()->components;
    EXPECT_EQ(c[0].as<An8Sphere>()->slices, 3);
    EXPECT_EQ(c[0].as<An8Sphere>()->stacks, 2);
    EXPECT_EQ(c[0].as<An8Sphere>()->diameter, 0);
    EXPECT_EQ(c[1].as<An8Sphere>()->slices, 100);
    EXPECT_EQ(c[1].as<An8Sphere>()->stacks, 100);
    const auto& thin = *c[2].as<An8Cylinder>();
    EXPECT_EQ(thin.slices, 3);
    EXPECT_EQ(thin.stacks, 1);
    EXPECT_EQ(thin.length, 0);
    EXPECT_EQ(thin.diameter, 0);
    EXPECT_EQ(thin.topDiameter, 0);
    EXPECT_EQ(c[3].as<An8Cylinder>()->slices, 100);
    EXPECT_EQ(c[3].as<An8Cylinder>()->stacks, 100);
}

TEST(An8Reader, MaskLeavesOutTheChunksNotAskedFor)
{
    const std::string text = "texture { \"t\" file { \"t.bmp\" } }\nobject { \"o\" }\nfigure { \"f\" }\n"
                             "sequence { \"s\" }\nscene { \"c\" }\nmaterial { \"m\" }";
    LoadText none(text, 0);
    ASSERT_TRUE(none.model);
    EXPECT_TRUE(none.textures.loaded.empty());
    EXPECT_TRUE(none.model->objects.components.empty());
    EXPECT_EQ(none.model->figures.rootBone.size(), 1u);   // the objects holder
    EXPECT_EQ(none.model->elements.size(), 1u);           // the figures holder
    EXPECT_EQ(none.model->materials.size(), 1u);          // always read
    LoadText all(text);
    ASSERT_TRUE(all.model);
    EXPECT_EQ(all.model->textures.size(), 1u);
    EXPECT_EQ(all.model->objects.components.size(), 1u);
    ASSERT_EQ(all.model->elements.size(), 2u);
    EXPECT_EQ(all.model->elements[0].kind, kAn8Sequence);
    EXPECT_EQ(all.model->elements[1].kind, kAn8Scene);
}

TEST(An8Reader, LookUpsFindOnlyWhatWasReadBefore)
{
    LoadText load("scene { \"early\" objectelement { \"e\" \"late\" } }\nobject { \"late\" }\n"
                  "scene { \"after\" objectelement { \"e\" \"late\" } figureelement { \"f\" \"nobody\" } }");
    ASSERT_TRUE(load.model);
    const auto element = [&](int scene, int index) {
        return load.model->elements[scene].as<An8Scene>()->elements[index].as<An8Element>();
    };
    EXPECT_TRUE(element(0, 0)->list.empty());
    ASSERT_EQ(element(1, 0)->list.size(), 1u);
    EXPECT_EQ(element(1, 0)->list[0].item, load.model->objects.components[0].item);
    EXPECT_TRUE(element(1, 1)->list.empty());
}

const char* const kMeshHead = "texture { \"t\" file { \"t.bmp\" } }\n"
                              "object { \"o\" material { \"m\" surface { texturename { \"t\" } } }\n"
                              "mesh { name { \"m1\" } material { \"m\" }\n"
                              "points { (0 0 0) (1 0 0) (0 1 0) }\ntexcoords { (0 0) (1 1) }\n";

TEST(An8Reader, FacesThatCannotBeDrawnAreDroppedWithOneMessageEach)
{
    LoadText load(std::string(kMeshHead) +
                  "materiallist { materialname { \"m\" } }\n"
                  "faces {\n"
                  " 3 4 0 -1 ( (0 0) (1 1) (2 1) )\n"   // good
                  " 3 4 0 -1 ( (0 0) (1 1) (3 1) )\n"   // point 3 of 3
                  " 3 4 0 -1 ( (0 0) (1 2) (2 1) )\n"   // texcoord 2 of 2
                  " 3 0 0 -1 ( (0) (1) (7) )\n"         // point again: one message
                  " 3 0 1 -1 ( (0) (1) (2) )\n"         // material 1 of 1
                  " 3 0 -1 -1 ( (0) (1) (2) )\n"        // negative material
                  " 2 0 0 -1 ( (0) (1) )\n"             // too few corners
                  " 3 0 0 -1 ( (2) (1) (0) )\n"         // good
                  "} } }");
    ASSERT_TRUE(load.model);
    const auto& mesh = firstComponent<An8Mesh>(*load.model);
    ASSERT_EQ(mesh.faces.size(), 2u);
    EXPECT_EQ(mesh.corners.size(), 6u);
    EXPECT_EQ(mesh.faces[1].firstCorner, 3);
    EXPECT_EQ(mesh.corners[3].point, 2);
    EXPECT_EQ(load.messages,
              (std::vector<std::string>{"vertex index is out of range\nt.an8, line 3: mesh \"m1\"",
                                        "material index is out of range\nt.an8, line 3: mesh \"m1\"",
                                        "face with fewer than three corners\nt.an8, line 3: mesh \"m1\""}));
}

TEST(An8Reader, TextureCoordinatesStayOnlyWithATexture)
{
    LoadText textured(std::string(kMeshHead) + "faces { 3 4 0 -1 ( (0 0) (1 1) (2 1) ) } } }");
    ASSERT_TRUE(textured.model);
    EXPECT_EQ(firstComponent<An8Mesh>(*textured.model).texcoords.size(), 2u);
    LoadText plain("object { \"o\" mesh { points { (0 0 0) (1 0 0) (0 1 0) } texcoords { (0 0) }\n"
                   "faces { 3 4 0 -1 ( (0 5) (1 5) (2 5) ) } } }");
    ASSERT_TRUE(plain.model);
    EXPECT_TRUE(firstComponent<An8Mesh>(*plain.model).texcoords.empty());
    EXPECT_EQ(firstComponent<An8Mesh>(*plain.model).faces.size(), 1u);
    EXPECT_TRUE(plain.messages.empty());
}

TEST(An8Reader, ModifierMethodIsSkippedAndKeepsTheLastComponent)
{
    LoadText load("object { \"o\" modifier { sphere { } cube { name { \"last\" } }\n"
                  "method { modifier { \"bend\" parameter { \"angle\" 90 } } } } }");
    ASSERT_TRUE(load.model);
    const auto& modifier = firstComponent<An8Modifier>(*load.model);
    ASSERT_EQ(modifier.component.size(), 1u);
    EXPECT_EQ(modifier.component[0].as<An8Cube>()->name, "last");
}

} // namespace
