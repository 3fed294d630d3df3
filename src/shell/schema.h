#pragma once
#include <QString>

namespace quorvane {

// Creates a new SQLite database file at dbPath from the CREATE statements of the schema file sqlPath.
// The file is written under a temporary name and renamed into place, so a failed run leaves no
// half-made database. Returns an empty string on success, else a description of the error.
QString createDatabaseFromSchema(const QString &sqlPath, const QString &dbPath);

} // namespace quorvane
