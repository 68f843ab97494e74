// Reads each .an8 file named on the command line and prints, per file, one line:
//   NAME objects meshes points faces materials
// or, when the reader rejects the file,
//   NAME error N LINE
// Files that cannot be opened are reported on stderr and make the exit status 1.
#include "icons3d/LoadAn8Model.h"

#include <cstdio>

namespace {

struct Counts {
    long long meshes = 0, points = 0, faces = 0;
};

void count(const An8NodeList& list, Counts& counts);

void countNode(const An8Node& node, Counts& counts)
{
    if (!node.owns())
        return;   // references are counted where they are owned
    switch (node.kind) {
    case kAn8Mesh: {
        const auto* mesh = node.as<An8Mesh>();
        ++counts.meshes;
        counts.points += static_cast<long long>(mesh->points.size());
        counts.faces += static_cast<long long>(mesh->faces.size());
        break;
    }
    case kAn8Group: count(node.as<An8Group>()->children, counts); break;
    case kAn8Modifier: count(node.as<An8Modifier>()->component, counts); break;
    case kAn8Bone: count(node.as<An8Bone>()->children, counts); break;
    case kAn8Object: count(node.as<An8Object>()->components, counts); break;
    case kAn8Figure: count(node.as<An8Figure>()->rootBone, counts); break;
    default: break;
    }
}

void count(const An8NodeList& list, Counts& counts)
{
    for (const An8Node& node : list)
        countNode(node, counts);
}

} // namespace

int main(int argc, char** argv)
{
    int status = 0;
    An8NoTextures textures;
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        An8Error error;
        auto model = LoadAn8Model(name, kAn8ReadAll, textures, nullptr, &error);
        if (!model && error.failed()) {
            std::printf("%s error %d %d\n", name, error.number, error.line);
        } else if (!model) {
            std::fprintf(stderr, "%s: cannot open or read\n", name);
            status = 1;
        } else {
            Counts counts;
            count(model->objects.components, counts);
            count(model->figures.rootBone, counts);
            std::printf("%s %zu %lld %lld %lld %zu\n", name, model->objects.components.size(), counts.meshes,
                        counts.points, counts.faces, model->materials.size());
        }
    }
    return status;
}
