#pragma once

namespace quorvane {
// Puts the shell's windows into the window factory table.
void registerShellWindows();
// Maps the font names the windows and reports use onto installed CJK fonts.
void installFontSubstitutions();
} // namespace quorvane
