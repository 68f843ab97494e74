#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <string>
#include <vector>

class QLocale;
struct ff;

// The rules of moving through a panel's scene and picking in it, apart from the widgets.

// Drag modes: what moving the pointer with the left button does to the camera.
enum PanelDragMode { dragNone = 0, dragPan = 1, dragRotate = 2, dragZoom = 3 };

// Alt pans, Ctrl rotates, both zoom; 0 with neither.
int DragModeFromKeys(bool alt, bool ctrl);

struct PanelCamera {
    double& rotx;
    double& roty;
    double& tranx;
    double& trany;
    double& tranz;
};

// Moves the camera by a pointer movement of (dx, dy) pixels: pan 0.05, rotate 0.36 degrees,
// zoom 0.2 units per pixel; an angle past plus or minus 360 is brought back once.
void DragCamera(int dragMode, int dx, int dy, PanelCamera camera);

// Labels and icons are left out while a scene of more objects than this moves.
constexpr int largeSceneObjects = 15;

// A release more than 2 pixels from its press, either way, ends a drag and not a click.
bool IsDrag(int downX, int downY, int x, int y);

// The index a Shift+arrow key moves the cursor entry to in a grid of `columns`, from
// `current` (-1: none, giving the first); past the end wraps to the first, before the start
// to the last. -1 for an empty listing or a key that is no arrow.
int MovedCursor(int current, int key, int count, int columns);

// Words of a selection buffer that holds a record for every pick name of a frame and the
// background's, so a pick can never overflow it.
std::size_t SelectBufferWords(int pickNames);

// The name of the nearest hit record of a select-mode frame: -2 without hits, -3 after
// "too many hits" when the buffer overflowed, -1 when nothing lies closer than the far plane.
// Depth ties keep the earlier record.
int NearestHit(const std::vector<GLuint>& buffer, int hits);

// What a click on an entry says of it: "name  <DIR>" or "name  size:", then its size with
// the locale's group separators.
std::string ClickedEntryText(const ff& entry, const QLocale& locale);
