// Reading a loaded module's data block: the RCDATA resource "ELDATA" when the module has
// one, else the file-trailer form at the end of the module's file.
#pragma once

#include <optional>
#include <string>

#include "exceptions/EcoreDataBlock.h"

// The module's block (module: a module handle, null for the process's exe); nothing when
// the module has none or it has no usable data. Every failure (no resource, a file that
// cannot be opened or read, a damaged block) gives nothing, silently. Any thread; neither
// throws nor allocates more than the block's bounds (EcoreDataBlock.h) allow.
std::optional<TModuleDataBlock> ReadModuleDataBlock(void* module) noexcept;

// The file-trailer form at the end of a file; nothing as above.
std::optional<TModuleDataBlock> ReadDataTrailerOfFile(const std::string& fileName) noexcept;
