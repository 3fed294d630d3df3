// Build tool: writes a database file from a schema file.
// usage: quorvane-mkdb [--if-missing] SCHEMA.sql OUT.mdb
#include "shell/schema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: quorvane-mkdb [--if-missing] SCHEMA.sql OUT.mdb\n");
        return 2;
    }
    if (ifMissing && QFileInfo::exists(args[1]))
        return 0; // an existing system database holds the user's data: never touch it
    const QString err = quorvane::createDatabaseFromSchema(args[0], args[1]);
    if (!err.isEmpty()) {
        std::fprintf(stderr, "quorvane-mkdb: %s\n", qPrintable(err));
        return 1;
    }
    return 0;
}
