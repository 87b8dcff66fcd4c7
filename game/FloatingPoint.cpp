// Masking the floating-point exceptions (glibc's fedisableexcept sets the x87 and SSE masks).
#include "game/FloatingPoint.h"

#include <cfenv>

namespace vell {

void MaskFloatingPointExceptions() {
    fedisableexcept(FE_ALL_EXCEPT);
    std::feclearexcept(FE_ALL_EXCEPT);
}

} // namespace vell
