#pragma once

#include <QCursor>

#include <cstdint>
#include <optional>

namespace ts {

// The program's own cursors (zoom, origin and the three line cursors), drawn from the small pictures
// in view_cursors.cpp; nothing for an id that is not one of them.
std::optional<QCursor> ProgramCursor(int32_t cursorId);

} // namespace ts
