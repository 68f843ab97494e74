#include "platform/gl/FloatingPoint.h"

#include <cfenv>

namespace platform {

void MaskFloatingPointExceptions()
{
    std::feclearexcept(FE_ALL_EXCEPT);
    fedisableexcept(FE_ALL_EXCEPT);
}

} // namespace platform
