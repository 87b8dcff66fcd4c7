// The game's floating-point environment.
#pragma once

namespace vell {

// Masks every floating-point exception, so that a division by zero or an overflow in the
// simulation yields an infinity or a NaN instead of stopping the program.
void MaskFloatingPointExceptions();

} // namespace vell
