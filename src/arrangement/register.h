#pragma once

namespace quorvane {
// Puts the windows of this part of the program into the window factory table.
void registerArrangementWindows();
} // namespace quorvane
