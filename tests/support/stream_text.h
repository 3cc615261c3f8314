// Whole-stream text helpers for the stream tests (header-only, portable).
#pragma once

#include <cstddef>
#include <string>

#include "framework/streams.h"

namespace zv::test {

// The whole content of stream, read from its start.
inline std::string ReadAll(TStream& stream)
{
    stream.SetPosition(0);
    std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

// Writes text at the stream's position.
inline void WriteText(TStream& stream, const std::string& text)
{
    stream.WriteBuffer(text.data(), static_cast<int>(text.size()));
}

} // namespace zv::test
