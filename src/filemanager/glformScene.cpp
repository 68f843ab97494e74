// One frame of the panel's scene: background picture, blocks, icons, labels, cursor and
// file plane; the directory tree is drawn by glformTree.cpp.
#include "filemanager/PanelHost.h"
#include "filemanager/PanelTexts.h"
#include "filemanager/glform.h"

#include <QLabel>
#include <QLocale>

void Tglfr::DrawScene(GLenum renderMode)
{
    if (drawingSuppressed)
        return;
    const bool select = renderMode == GL_SELECT;
    glClearColor(bkgcol[0], bkgcol[1], bkgcol[2], bkgcol[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    if (select)
        glLoadName(GLuint(-1));
    DrawBackground();

    pickCount = 0;
    std::int64_t largest = dir.maxSize > 0 ? dir.maxSize : 10;
    const int count = int(dir.entries.size());
    int cursor = -1;
    double cursorHeight = 0;
    gridColumns = GridColumns(dir.entries.size());
    drawnOnce = false;
    int markedCount = 0;
    std::int64_t markedBytes = 0;
    const bool withIcons = !labelsSuppressed && count <= host.icon3DLimit;
    // Blocks wholly out of view are left out; a pick's view is the pixel it looks through.
    ApplyFileViewTransform();
    const platform::ViewVolume view = platform::ViewVolume::Current();
    // Without icons between them, the blocks of a frame go to the driver in two batches.
    const bool batched = !select && !withIcons;
    blocksToDraw.clear();
    for (int i = 0; i < count; ++i) {
        const ff& entry = *dir.entries[std::size_t(i)];
        if (entry.selected) {
            ++markedCount;
            markedBytes += entry.size;
        }
        const double height = BlockHeight(entry, dspsizasheight, largest);
        if (entry.current) {
            cursor = i;
            cursorHeight = height;
        }
        const bool shown = BlockMayShow(view, i, height);
        if (shown && !batched) {
            DrawBlock(entry, height, i, renderMode, false);
        } else {
            if (shown)
                blocksToDraw.push_back({&entry, i, height});
            // A block batched or left out still takes its name, under which its icon is picked.
            if (select)
                glLoadName(GLuint(pickCount));
            ++pickCount;
        }
        if (withIcons && !entry.lext.empty())
            DrawEntryIcon(entry, height, i);
    }
    DrawBlockBatch();
    drawnOnce = true;
    ShowListingStatus(markedCount, markedBytes);

    if (dirtreevisible)
        DrawTree(renderMode);
    if (!select) {
        if (dirtreevisible)
            DrawTreeLinkToGrid();
        DrawLabels(view);
        if (cursor >= 0)
            DrawBlock(*dir.entries[std::size_t(cursor)], cursorHeight, cursor, renderMode, true);
        if (host.viewFilePlane)
            DrawFilePlane();
    }
    glFlush();
}

void Tglfr::DrawBackground()
{
    if (!host.viewBkgPic || !host.bkgTexture || host.bkgTextureId == 0)
        return;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(0.0, 0.0, -255.0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, host.bkgTextureId);
    // The texture is modulated by the colour: white shows the picture as it is, whatever
    // colour the previous frame ended with.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-198.0f, -198.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(198.0f, -198.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(198.0f, 198.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-198.0f, 198.0f, 0.0f);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void Tglfr::DrawEntryIcon(const ff& entry, double height, int index)
{
    glEnable(GL_LIGHTING);
    ApplyFileViewTransform();
    glTranslated(GridX(index), height * 0.5 + 0.2, GridZ(index));
    host.DrawExtensionIcon(*this, entry.lext);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glColor3f(0.0f, 1.0f, 0.0f);
}

void Tglfr::ShowListingStatus(int markedCount, std::int64_t markedBytes)
{
    const QString text =
        ListingStatusText(dir.volume, dir.path, markedCount, int(dir.entries.size()), markedBytes, QLocale());
    if (dirnameLabel->text() != text)
        dirnameLabel->setText(text);
}

void Tglfr::DrawFilePlane()
{
    const int count = int(dir.entries.size());
    const double depth = double(count / gridColumns) * 2.0;
    const double width = depth == 0 ? count : gridColumns;
    ApplyFileViewTransform();
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (active)
        glColor4fv(filplancol);
    else
        glColor4b(90, 90, 90, 112);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glVertex3d(-1.0, -0.02, -1.0);
    glVertex3d(-1.0, -0.02, depth + 1.4);
    glVertex3d(2.0 * width, -0.02, depth + 1.4);
    glVertex3d(2.0 * width, -0.02, -1.0);
    glEnd();
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
}
