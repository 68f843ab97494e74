#include "platform/ui/ExceptionGuard.h"

#include "platform/ui/MessageService.h"

#include <exception>
#include <new>

namespace platform {

void showException()
{
    std::string text;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        text = "Out of memory";
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
        text = "Unknown error";
    }
    try {
        ShowMessage(text, MsgIcon::Error);
    } catch (...) {
        // A box that cannot be shown must not take the program down with it.
    }
}

} // namespace platform
