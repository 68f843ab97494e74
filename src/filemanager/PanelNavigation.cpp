#include "filemanager/PanelNavigation.h"

#include "filemanager/PanelTexts.h"
#include "filemanager/dir.h"
#include "platform/ui/MessageService.h"
#include "platform/ui/VirtualKeys.h"

#include <algorithm>
#include <cstdlib>

int DragModeFromKeys(bool alt, bool ctrl)
{
    return (alt ? dragPan : 0) + (ctrl ? dragRotate : 0);
}

namespace {
double WrappedOnce(double angle)
{
    if (angle > 360.0)
        return angle - 360.0;
    if (angle < -360.0)
        return angle + 360.0;
    return angle;
}
} // namespace

void DragCamera(int dragMode, int dx, int dy, PanelCamera camera)
{
    switch (dragMode) {
    case dragPan:
        camera.tranx += 0.05 * dx;
        camera.trany -= 0.05 * dy;
        break;
    case dragRotate:
        camera.rotx = WrappedOnce(camera.rotx + 0.36 * dy);
        camera.roty = WrappedOnce(camera.roty + 0.36 * dx);
        break;
    case dragZoom:
        camera.tranz += 0.2 * (dy - dx);
        break;
    default:
        break;
    }
}

bool IsDrag(int downX, int downY, int x, int y)
{
    return std::abs(x - downX) > 2 || std::abs(y - downY) > 2;
}

int MovedCursor(int current, int key, int count, int columns)
{
    namespace vk = platform::vk;
    if (count <= 0)
        return -1;
    int next;
    if (current < 0)
        next = 0;
    else if (key == vk::Left)
        next = current - 1;
    else if (key == vk::Right)
        next = current + 1;
    else if (key == vk::Up)
        next = current - columns;
    else if (key == vk::Down)
        next = current + columns;
    else
        return -1;
    if (next >= count)
        return 0;
    return next < 0 ? count - 1 : next;
}

std::size_t SelectBufferWords(int pickNames)
{
    // One record of four words per name: the name stack never holds more than one.
    return std::max<std::size_t>(5000, 4 * std::size_t(std::max(pickNames, 0) + 2));
}

int NearestHit(const std::vector<GLuint>& buffer, int hits)
{
    if (hits == 0)
        return -2;
    if (hits < 0) {
        platform::ShowMessage("too many hits");
        return -3;
    }
    int result = -1;
    double nearest = 1.0;
    std::size_t at = 0;
    for (int record = 0; record < hits && at + 3 <= buffer.size(); ++record) {
        const GLuint names = buffer[at];
        const double depth = double(buffer[at + 1]) / 4294967296.0;
        const std::size_t end = at + 3 + names;
        if (end > buffer.size())
            break;
        if (names > 0 && depth < nearest) {
            nearest = depth;
            result = int(buffer[end - 1]);
        }
        at = end;
    }
    return result;
}

std::string ClickedEntryText(const ff& entry, const QLocale& locale)
{
    return entry.name + (entry.IsDirectory() ? "  <DIR>" : "  size:") + GroupedNumber(entry.size, locale);
}
