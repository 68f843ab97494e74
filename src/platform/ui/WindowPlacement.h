#pragma once

class QWidget;

namespace platform {

// A dialog with a dialog border: the size of its stored form, which the user cannot
// change, in the middle of the screen's available area.
void FixSizeAndCentre(QWidget& window);
// A window the user may resize, put in the middle of the screen's available area.
void Centre(QWidget& window);

} // namespace platform
