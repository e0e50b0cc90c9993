#pragma once

namespace marrowick {

// The configuration file of an R2 or Lumen project: the 304-byte table image,
// byte for byte as the controller sent it.
inline constexpr const char* ConfigFileName = "000.CFG";

} // namespace marrowick
