// Replays every input of the seed corpus through the byte path check: the corpus holds the
// interesting cases and every input that once failed, so this runs on every build.

#include "bytepath.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    int failed = 0;
    int checked = 0;
    for (int i = 1; i < argc; ++i) {
        const QDir dir(QString::fromLocal8Bit(argv[i]));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 2;
            }
            const QByteArray input = file.readAll();
            const QString failure = checkBytePath(
                reinterpret_cast<const std::uint8_t *>(input.constData()), size_t(input.size()));
            ++checked;
            if (!failure.isEmpty()) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(failure));
                ++failed;
            }
        }
    }
    std::printf("%d inputs checked, %d failed\n", checked, failed);
    return failed == 0 && checked > 0 ? 0 : 1;
}
