#include "platform/ui/VirtualKeys.h"

#include <QKeyEvent>

#include <unordered_map>

namespace platform {
namespace {

int keypadVk(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return vk::Numpad0 + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk: return vk::Multiply;
    case Qt::Key_Plus: return vk::Add;
    case Qt::Key_Minus: return vk::Subtract;
    case Qt::Key_Period:
    case Qt::Key_Comma: return vk::Decimal;
    case Qt::Key_Slash: return vk::Divide;
    default: return 0;
    }
}

int mainVk(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // Qt chose the ASCII codes, as Windows did
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return vk::F1 + (key - Qt::Key_F1);
    static const std::unordered_map<int, int> table = {
        {Qt::Key_Backspace, vk::Back}, {Qt::Key_Tab, vk::Tab}, {Qt::Key_Backtab, vk::Tab},
        {Qt::Key_Return, vk::Return}, {Qt::Key_Enter, vk::Return}, {Qt::Key_Shift, vk::Shift},
        {Qt::Key_Control, vk::Control}, {Qt::Key_Alt, vk::Menu}, {Qt::Key_AltGr, vk::Menu},
        {Qt::Key_Pause, 19}, {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, vk::Escape},
        {Qt::Key_Space, vk::Space}, {Qt::Key_PageUp, vk::Prior}, {Qt::Key_PageDown, vk::Next},
        {Qt::Key_End, vk::End}, {Qt::Key_Home, vk::Home}, {Qt::Key_Left, vk::Left},
        {Qt::Key_Up, vk::Up}, {Qt::Key_Right, vk::Right}, {Qt::Key_Down, vk::Down},
        {Qt::Key_Print, 44}, {Qt::Key_Insert, vk::Insert}, {Qt::Key_Delete, vk::Delete},
        {Qt::Key_Meta, 91}, {Qt::Key_Menu, 93}, {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145},
        // Punctuation of a US keyboard, shifted or not, as its key's code.
        {Qt::Key_Semicolon, 186}, {Qt::Key_Colon, 186}, {Qt::Key_Equal, 187}, {Qt::Key_Plus, 187},
        {Qt::Key_Comma, 188}, {Qt::Key_Less, 188}, {Qt::Key_Minus, 189}, {Qt::Key_Underscore, 189},
        {Qt::Key_Period, 190}, {Qt::Key_Greater, 190}, {Qt::Key_Slash, 191}, {Qt::Key_Question, 191},
        {Qt::Key_QuoteLeft, 192}, {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219},
        {Qt::Key_BraceLeft, 219}, {Qt::Key_Backslash, 220}, {Qt::Key_Bar, 220},
        {Qt::Key_BracketRight, 221}, {Qt::Key_BraceRight, 221}, {Qt::Key_Apostrophe, 222},
        {Qt::Key_QuoteDbl, 222},
        // Shifted digits report the symbol; Windows reports the digit's key.
        {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
        {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
        {Qt::Key_Asterisk, '8'}, {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
    };
    const auto found = table.find(key);
    return found == table.end() ? 0 : found->second;
}

} // namespace

ShiftState shiftStateOf(Qt::KeyboardModifiers modifiers)
{
    return {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
            modifiers.testFlag(Qt::AltModifier)};
}

int toVk(const QKeyEvent& event)
{
    const int key = event.key();
    if (event.modifiers().testFlag(Qt::KeypadModifier)) {
        if (const int code = keypadVk(key))
            return code;
    }
    return mainVk(key);
}

} // namespace platform
