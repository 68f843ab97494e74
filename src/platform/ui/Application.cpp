#include "platform/ui/Application.h"

namespace platform {
namespace {
std::string& title()
{
    static std::string value = "Pelvaxon";
    return value;
}
} // namespace

const std::string& applicationTitle() { return title(); }
void setApplicationTitle(const std::string& value) { title() = value; }

} // namespace platform
