#pragma once

#include <Qt>

class QKeyEvent;

namespace platform {

// Windows virtual-key codes, which every key rule of the program is written in.
namespace vk {
constexpr int Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Escape = 27,
              Space = 32, Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39,
              Down = 40, Insert = 45, Delete = 46, Numpad0 = 96, Multiply = 106, Add = 107,
              Subtract = 109, Decimal = 110, Divide = 111, F1 = 112;
}

// The held modifiers of a key event, as the Windows shift state has them.
struct ShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};
ShiftState shiftStateOf(Qt::KeyboardModifiers modifiers);

// The virtual-key code of a Qt key event; 0 for a key that has none. Letters and digits
// are their upper-case ASCII codes, keypad keys their own codes (numpad "*" is 106, not
// the "8" that Shift+8 gives), Return and Enter both 13.
int toVk(const QKeyEvent& event);

} // namespace platform
