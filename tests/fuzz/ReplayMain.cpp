// Replays stored inputs through one fuzz harness without libFuzzer: every file
// under the given folders (recursively), or the given files. Each harness sees
// the inputs of every reader, not only its own: bytes meant for one parser are
// just as untrusted for the others. Exit status 0 when every input went
// through; a crash or a sanitizer report ends the process.

#include <QByteArray>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) __attribute__((weak));

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(arg).isDir()) {
            QDirIterator it(arg, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else {
            files << arg;
        }
    }
    files.sort();
    if (files.isEmpty()) {
        std::fprintf(stderr, "no input files\n");
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    for (const QString &path : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 2;
        }
        const QByteArray data = f.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(data.constData()), std::size_t(data.size()));
    }
    std::printf("%lld inputs replayed in %lld ms\n", static_cast<long long>(files.size()),
                static_cast<long long>(clock.elapsed()));
    return 0;
}
