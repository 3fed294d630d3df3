#pragma once
// The titles of the system's message boxes. The full-width and the ASCII colon are different
// titles; each message keeps the one it has always shown.
#include <QString>

namespace quorvane::titles {

inline const QString kSystem = QStringLiteral("系统提示：");          // full-width colon
inline const QString kSystemAscii = QStringLiteral("系统提示:");      // ASCII colon
inline const QString kInfo = QStringLiteral("信息提示：");
inline const QString kImportant = QStringLiteral("重要提示:");
inline const QString kError = QStringLiteral("出错提示:");
inline const QString kWarning = QStringLiteral("警告:");
inline const QString kWarnAgain = QStringLiteral("再次警告:");
inline const QString kSevereWarning = QStringLiteral("严重警告：");   // full-width colon
inline const QString kSevereWarningAscii = QStringLiteral("严重警告:"); // ASCII colon

} // namespace quorvane::titles
