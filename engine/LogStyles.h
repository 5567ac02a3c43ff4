// Registration of the log classes with the log factory (CreateLogOfStyle).
//
// The classes live in a static library, where a registration made by a static
// initialiser would be dropped with any object file nobody references; so the
// program calls this once at start instead.
#pragma once

namespace tarvix {

// Registers every log style this engine implements. Calling it again is harmless.
void RegisterGenericLogStyles();

}  // namespace tarvix
