// Builds empty database files from schema scripts: make_databases script1 file1 [script2 file2 ...]
#include "Errors.h"
#include "Schema.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: make_databases SCRIPT FILE [SCRIPT FILE ...]\n");
        return 2;
    }
    try {
        for (int i = 1; i + 1 < argc; i += 2) {
            QString file = QString::fromLocal8Bit(argv[i + 1]);
            QDir().mkpath(QFileInfo(file).absolutePath());
            CreateDatabase(file, QString::fromLocal8Bit(argv[i]));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_databases: %s\n", e.what());
        return 1;
    }
    return 0;
}
