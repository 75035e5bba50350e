// The name table of result codes: one slot per module number, each with the
// module's names in index order ("NAME" or "NAME:Description").
#pragma once

#include <cstddef>

namespace velt {

struct ModuleNames {
  std::size_t count;
  const char* const* names;
};

// Slot of a module number; an empty slot ({0, nullptr}) for an unknown
// module or a number outside the table.
const ModuleNames& ModuleNameTable(unsigned module);

}  // namespace velt
