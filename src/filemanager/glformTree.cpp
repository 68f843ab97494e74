// The directory tree beside the block grid: a small tetrahedron per visible node on the
// tree's plane, connector lines, labels, and the link from the marked node to the grid.
#include "filemanager/PanelHost.h"
#include "filemanager/glform.h"

void Tglfr::SetLineColour(bool highlight) const
{
    if (active && highlight)
        glColor3f(0.0f, 1.0f, 0.0f);
    else if (active)
        glColor3f(1.0f, 1.0f, 1.0f);
    else
        glColor3b(90, 90, 90);
}

void Tglfr::DrawTree(GLenum renderMode)
{
    if (!tree.treeRoot)
        return;
    const Tdirblock& root = *tree.treeRoot;
    ApplyTreeViewTransform();
    tree.LayoutTree();
    const int x = tree.NodeX(0);
    const int z = tree.NodeZ(0);
    // Text in select mode would be a hit for whatever name was loaded last, a file's.
    if (renderMode == GL_RENDER) {
        glColor3f(1.0f, 1.0f, 0.0f);
        DrawBitmapText(root.path, float(x), float(TDirTree::treePlaneY), float(z) - 0.1f);
    }
    DrawTreeNode(root, x, z, renderMode);
    DrawTreeBranches(root, renderMode);
}

void Tglfr::DrawTreeNode(const Tdirblock& node, int x, int z, GLenum renderMode)
{
    ApplyTreeViewTransform();
    glTranslated(x, TDirTree::treePlaneY, z);
    if (renderMode == GL_SELECT)
        glLoadName(GLuint(pickCount));
    ++pickCount;
    DrawMeshFaces(blockMeshes.tetra, nullptr, node.name, false);
    glColor3f(0.0f, 1.0f, 0.0f);
}

void Tglfr::DrawTreeBranches(const Tdirblock& node, GLenum renderMode)
{
    if (!node.expanded || node.children.empty())
        return;
    const int parentZ = tree.NodeZ(tree.treeRow);
    const float y = float(TDirTree::treePlaneY) - 0.001f;
    for (const auto& child : node.children) {
        const int x = tree.NodeX(node.level + 1);
        const int z = tree.NodeZ(tree.treeRow + 1);
        DrawTreeNode(*child, x, z, renderMode);
        ++tree.treeRow;
        DrawTreeBranches(*child, renderMode);
        ApplyTreeViewTransform();
        SetLineColour(false);
        glBegin(GL_LINES);
        glVertex3f(float(x - 2), y, float(parentZ));
        glVertex3f(float(x - 2), y, float(z));
        glEnd();
        SetLineColour(child->expanded);
        glBegin(GL_LINES);
        glVertex3f(float(x - 2), y, float(z));
        glVertex3f(float(x), y, float(z));
        glEnd();
    }
}

void Tglfr::DrawTreeLabels(const Tdirblock& node)
{
    if (!node.expanded || node.children.empty())
        return;
    for (const auto& child : node.children) {
        const LabelSpot place = PlaceTreeLabel(tree.NodeX(node.level + 1), tree.NodeZ(tree.treeRow + 1));
        if (!labelsSuppressed)
            DrawTreeNodeLabel(*child, place);
        ++tree.treeRow;
        DrawTreeLabels(*child);
    }
}

Tglfr::LabelSpot Tglfr::PlaceTreeLabel(int x, int z)
{
    // Bitmap labels take their raster positions from the node's own transformation.
    if (!host.draw3DText) {
        ApplyTreeViewTransform();
        glTranslated(x, TDirTree::treePlaneY, z);
    }
    return {double(x), double(TDirTree::treePlaneY), double(z), true};
}

void Tglfr::DrawTreeLinkToGrid()
{
    ApplyTreeViewTransform();
    tree.LayoutTree();
    SetLineColour(false);
    const float y = float(TDirTree::treePlaneY);
    glBegin(GL_LINE_STRIP);
    glVertex3f(-4.0f, y, 0.0f);
    glVertex3f(0.0f, y, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();
}
