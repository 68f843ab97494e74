// The blocks of the panel's scene and of its tree: one coloured mesh per entry or node, each
// face coloured by the name, the marks or the cursor.
#include "filemanager/glform.h"

const BlockMesh& Tglfr::BlockMeshOf(const ff& entry) const
{
    return entry.IsDirectory() ? blockMeshes.tetra : entry.lext == ".exe" ? blockMeshes.prism : blockMeshes.box;
}

const std::string& Tglfr::ColourName(const std::string& name) const
{
    static const std::string grey = "Z";
    return active ? name : grey;
}

void Tglfr::EmitMeshFaces(const BlockMesh& mesh, const ff* entry, const std::string& name, bool highlight,
                          const BlockToDraw* placed)
{
    const bool marked = entry && entry->selected;
    for (std::size_t k = 0; k < mesh.faces.size(); ++k) {
        const MeshFace& face = mesh.faces[k];
        if (marked && highlight)
            glColor4f(1.0f, 0.5f, 0.0f, 0.7f);
        else if (marked)
            glColor3f(selcol[0], selcol[1], selcol[2]);
        else if (highlight)
            glColor4f(0.19607843f, 0.6f, 0.8f, 0.6f);
        else {
            const auto colour = NameFaceColour(ColourName(name), int(k));
            glColor3b(colour[0], colour[1], colour[2]);
        }
        glNormal3fv(face.normal.data());
        for (int v = 0; v < face.count; ++v) {
            const Vec3& p = mesh.vertices[std::size_t(face.index[std::size_t(v)])];
            if (placed)
                glVertex3f(float(GridX(placed->index) + p[0]), float(placed->height * p[1]),
                           float(GridZ(placed->index) + p[2]));
            else
                glVertex3fv(p.data());
        }
    }
}

void Tglfr::DrawMeshFaces(const BlockMesh& mesh, const ff* entry, const std::string& name, bool highlight)
{
    glBegin(mesh.faces.front().count == 4 ? GL_QUADS : GL_TRIANGLES);
    EmitMeshFaces(mesh, entry, name, highlight, nullptr);
    glEnd();
}

bool Tglfr::BlockMayShow(const platform::ViewVolume& view, int index, double height) const
{
    // Every block shape fills at most the cell's unit square, from y = 0 to half its height.
    const double x = GridX(index), z = GridZ(index);
    return !view.Excludes({x - 0.5, 0.0, z - 0.5}, {x + 0.5, 0.5 * height, z + 0.5});
}

void Tglfr::DrawBlockBatch()
{
    if (blocksToDraw.empty())
        return;
    // Blocks stand apart, so the order they are drawn in does not show; their corners are
    // placed here rather than by a transformation for each.
    ApplyFileViewTransform();
    for (const GLenum primitive : {GL_QUADS, GL_TRIANGLES}) {
        glBegin(primitive);
        for (const BlockToDraw& block : blocksToDraw) {
            const BlockMesh& mesh = BlockMeshOf(*block.entry);
            if ((mesh.faces.front().count == 4) == (primitive == GL_QUADS))
                EmitMeshFaces(mesh, block.entry, block.entry->name, false, &block);
        }
        glEnd();
    }
    glColor3f(0.0f, 1.0f, 0.0f);
}

void Tglfr::DrawBlock(const ff& entry, double height, int index, GLenum renderMode, bool highlight)
{
    const BlockMesh& mesh = BlockMeshOf(entry);
    const bool box = &mesh == &blockMeshes.box, tetra = &mesh == &blockMeshes.tetra;
    if (highlight) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    ApplyFileViewTransform();
    const double x = GridX(index);
    const double z = GridZ(index);
    if (!highlight)
        glTranslated(x, 0.0, z);
    else if (box)
        glTranslated(x, -0.02, z);
    else
        glTranslated(x, -0.1, z - 0.1);
    if (renderMode == GL_SELECT)
        glLoadName(GLuint(pickCount));
    ++pickCount;
    if (!highlight)
        glScaled(1.0, height, 1.0);
    else if (box)
        glScaled(1.3, dspsizasheight ? height + 0.1 : 2.0 * height, 1.3);
    else if (tetra)
        glScaled(1.6, 1.6 * height, 1.6);
    else
        glScaled(1.3, dspsizasheight ? height + 0.3 : 2.0 * height + 0.2, 1.3);
    DrawMeshFaces(mesh, &entry, entry.name, highlight);
    glColor3f(0.0f, 1.0f, 0.0f);
    glDisable(GL_BLEND);
}
