#pragma once

namespace platform {

// Masks every floating-point exception (invalid, denormal, division by zero, overflow,
// underflow, inexact) on the calling thread, so that the program's arithmetic yields
// infinities and NaNs instead of traps even when some library has unmasked them.
void MaskFloatingPointExceptions();

} // namespace platform
