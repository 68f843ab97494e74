#pragma once

// A panel of the fake host over a temporary directory, shown, with the camera placed by the
// test and the places where scene points land in its view.

#include "FakePanelHost.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/glform.h"
#include "filemanager/myBMPTexture.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"
#include "support/gl/GlTestHelpers.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>

class ShownPanelTest : public ::testing::Test {
protected:
    // Active, names off unless a test turns them on.
    Tglfr& Show(const std::string& directory)
    {
        panel = MakePanelOn(host, directory);
        panel->SetActive(true);
        panel->dspnam = false;
        panel->resize(320, 260);
        EXPECT_TRUE(testsupport::showAndWait(*panel));
        return *panel;
    }
    QImage Frame() { return testsupport::grabView(*panel->OpenGLPanel1); }
    void Place(double rotx, double tranx, double trany, double tranz)
    {
        std::tie(panel->rotx, panel->roty, panel->tranx, panel->trany, panel->tranz) =
            std::tuple(rotx, 0.0, tranx, trany, tranz);
    }
    // The camera straight above the grid point (x, 0, z): the grid's -z points up the view.
    void LookDown(double x, double z, double distance) { Place(180, -x, z, -distance); }
    // The tree shown and faced, its marked node at (-4, -2, 0) beside the grid's first cell.
    void FaceTheTree()
    {
        panel->dirtreevisible = true;
        Place(90, 4, 0, -10);
    }
    // Where a point of the grid (or of the tree) lands in a frame's image.
    QPoint At(double x, double y, double z, bool treeView = false)
    {
        EXPECT_TRUE(panel->OpenGLPanel1->MakeOpenGLPanelCurrent());
        treeView ? panel->ApplyTreeViewTransform() : panel->ApplyFileViewTransform();
        const QPointF window = testsupport::projectToWindow(x, y, z);
        panel->OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        return testsupport::toImagePosition(window, panel->OpenGLPanel1->height());
    }

    // A picture of 2 by 2 colours (red, green, blue each), linearly filtered, as the host's
    // background; the test deletes the texture.
    void SetBackground(const std::array<unsigned char, 12>& colours)
    {
        ASSERT_TRUE(panel->OpenGLPanel1->MakeOpenGLPanelCurrent());
        glGenTextures(1, &host.bkgTextureId);
        glBindTexture(GL_TEXTURE_2D, host.bkgTextureId);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, colours.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        panel->OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        host.bkgTexture = std::make_unique<myBMPTexture>();
    }

    int IndexOf(const std::string& name) const
    {
        const auto& entries = panel->dir.entries;
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e->name == name; });
        return found == entries.end() ? -1 : int(found - entries.begin());
    }
    ff& Entry(const std::string& name)
    {
        const int index = IndexOf(name);
        return index < 0 ? throw std::runtime_error("no entry " + name) : *panel->dir.entries[std::size_t(index)];
    }

    testfs::KeepCurrentDir keep;
    testfs::TempTree tree;
    testsupport::ScriptedMessages boxes;
    FakePanelHost host;
    std::unique_ptr<Tglfr> panel;
};
