// The texts of the scene: entry and tree labels as bitmap or outline text, gathered for each
// frame and drawn as one batch, and the path.
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/PanelTexts.h"
#include "filemanager/Settings.h"
#include "filemanager/glform.h"

#include <QLocale>

#include <algorithm>

namespace {

using Colour = std::array<float, 3>;

const Colour white{1.0f, 1.0f, 1.0f};
const Colour green{0.0f, 1.0f, 0.0f};
const Colour red{1.0f, 0.0f, 0.0f};
const Colour yellow{1.0f, 1.0f, 0.0f};
const Colour dateColour{0.8f, 0.49803922f, 0.19607843f};
// What glColor3b(90, 90, 90) makes of the signed bytes: the inactive panel's grey.
const Colour grey{(2.0f * 90 + 1.0f) * (1.0f / 255.0f), (2.0f * 90 + 1.0f) * (1.0f / 255.0f),
                  (2.0f * 90 + 1.0f) * (1.0f / 255.0f)};

// Where an entry's labels stand in its cell, and their sizes per point of the font.
constexpr float nameRow = 0.7f, sizeRow = 1.0f, dateRow = 1.3f, labelLeft = -0.5f;
constexpr float nameScale = 0.025f, smallScale = 0.0185f;
// No size or date label holds more glyphs.
constexpr std::size_t longestNumberLabel = 40;

platform::Matrix4 Place(const std::array<double, 3>& x, const std::array<double, 3>& y, const std::array<double, 3>& z,
                        const std::array<double, 3>& origin)
{
    return {x[0], x[1], x[2], 0, y[0], y[1], y[2], 0, z[0], z[1], z[2], 0, origin[0], origin[1], origin[2], 1};
}

} // namespace

float Tglfr::FontPointSize() const
{
    const qreal size = OpenGLPanel1->Font2D_Type().pointSizeF();
    return size > 0 ? float(size) : float(PanelFontSettings().size);
}

void Tglfr::DrawBitmapText(const std::string& text, float x, float y, float z)
{
    // The raster position takes the current colour: the caller sets it first.
    glRasterPos3f(x, y, z);
    OpenGLPanel1->Draw2DText(platform::GlyphText(text, OpenGLPanel1->Font2D_FirstGylph, OpenGLPanel1->Font2D_NumGylph));
}

void Tglfr::DrawLabels(const platform::ViewVolume& view)
{
    outlineLabels.Clear();
    bitmapLabels.Clear();
    if (!labelsSuppressed) {
        const QLocale locale;
        const platform::OpenGLFont3D* font = OpenGLPanel1->Font3D();
        const double reach = font ? platform::GlyphReach(*font) * FontPointSize() : 0;
        for (int i = 0; i < int(dir.entries.size()); ++i) {
            const ff& entry = *dir.entries[std::size_t(i)];
            DrawEntryLabels(entry, i, entry.size == dir.maxSize, {view, reach}, locale);
        }
    }
    if (dirtreevisible && dspnam && tree.treeRoot) {
        ApplyTreeViewTransform();
        tree.LayoutTree();
        DrawTreeLabels(*tree.treeRoot);
    }
    if (host.draw3DText) {
        // The batch's space is the grid's.
        ApplyFileViewTransform();
        outlineLabels.Draw();
    } else {
        bitmapLabels.Draw();
    }
    if (!dirtreevisible)
        DrawPathLabel();
}

bool Tglfr::CellLabelsMayShow(const ff& entry, const LabelSpot& cell, const LabelView& view) const
{
    const double left = cell.x + labelLeft, near = cell.z + nameRow, far = cell.z + dateRow;
    if (!host.draw3DText)
        return !view.volume.Excludes({left, 0, near}, {left, 0, far});
    const platform::OpenGLFont3D* font = OpenGLPanel1->Font3D();
    if (!font)
        return false;
    const double reach = view.glyphReach;
    const double glyphs = double(std::max(entry.name.size(), longestNumberLabel));
    const double widest = reach * std::max(nameScale, smallScale);
    return !view.volume.Excludes({left - widest, -double(font->extrusion), near - reach * nameScale},
                          {left + widest * glyphs, 0, far + reach * smallScale});
}

void Tglfr::DrawEntryLabels(const ff& entry, int index, bool largest, const LabelView& view, const QLocale& locale)
{
    const LabelSpot cell{GridX(index), 0.0, GridZ(index), false};
    if (!CellLabelsMayShow(entry, cell, view))
        return;
    if (!host.draw3DText) {
        // Bitmap labels take their raster positions from the cell's own transformation.
        ApplyFileViewTransform();
        glTranslated(cell.x, 0.0, cell.z);
    }
    if (dspnam)
        DrawLabel(cell, entry.name, entry.IsDirectory() ? green : white, {labelLeft, 0.0f, nameRow}, nameScale);
    if (dspsiz || dspatr)
        DrawLabel(cell, SizeAttributeLabel(entry, dspsiz, dspatr, locale), largest ? red : white,
                  {labelLeft, 0.0f, sizeRow}, smallScale);
    if (dspdat)
        DrawLabel(cell, DateLabel(entry), dateColour, {labelLeft, 0.0f, dateRow}, smallScale);
}

void Tglfr::DrawLabel(const LabelSpot& spot, const std::string& text, const std::array<float, 3>& colour,
                      const std::array<float, 3>& point, float scale)
{
    if (!host.draw3DText) {
        // The raster position takes the colour, for a font without an atlas drawing at once.
        glColor3fv(colour.data());
        glRasterPos3f(point[0], point[1], point[2]);
        if (const platform::OpenGLFont2D* font = OpenGLPanel1->Font2D())
            bitmapLabels.Add(*font,
                             platform::GlyphText(text, OpenGLPanel1->Font2D_FirstGylph, OpenGLPanel1->Font2D_NumGylph),
                             colour);
        return;
    }
    const platform::OpenGLFont3D* font = OpenGLPanel1->Font3D();
    if (!font)
        return;
    const double size = FontPointSize() * scale;
    const double x = spot.x + point[0], y = spot.y + point[1], z = spot.z + point[2];
    // Outline text lies on the grid with its height along -z and its depth downwards; on the
    // tree's plane, whose (x, y, z) is the grid's (x, -z, y), it stands upright.
    const platform::Matrix4 place = spot.tree ? Place({size, 0, 0}, {0, size, 0}, {0, 0, 1}, {x, -z, y})
                                              : Place({size, 0, 0}, {0, 0, -size}, {0, 1, 0}, {x, y, z});
    outlineLabels.Add(*font, platform::GlyphText(text, OpenGLPanel1->Font3D_FirstGylph, OpenGLPanel1->Font3D_NumGylph),
                      place, colour);
}

void Tglfr::DrawPathLabel()
{
    ApplyFileViewTransform();
    glColor3f(0.0f, 1.0f, 0.0f);
    DrawBitmapText(dir.path, -2.0f, 0.0f, -2.0f);
}

void Tglfr::DrawTreeNodeLabel(const Tdirblock& node, const LabelSpot& place)
{
    DrawLabel(place, node.name, active ? yellow : grey, {-0.5f, 0.5f, 0.7f}, 0.0375f);
}
