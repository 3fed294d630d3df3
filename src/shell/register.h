#pragma once

namespace quorvane {
// Puts the shell's windows into the window factory table.
void registerShellWindows();
// Maps the font names the windows and reports use onto installed CJK fonts.
void installFontSubstitutions();
// Makes the locale environment Chinese before the application object is made: the toolkit's own
// dialogs (the dates of the file dialog) format with the system locale, which it reads from the
// environment once, and setting a default locale does not reach them. LANG and LC_TIME become
// zh_CN.UTF-8 unless they are Chinese already; an LC_ALL of another language, which would override
// them, is dropped and its value kept for LC_CTYPE (the character set) when that is unset.
void useChineseLocaleEnvironment();
} // namespace quorvane
