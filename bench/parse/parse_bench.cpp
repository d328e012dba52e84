// How long the registry file takes to read, by the file's shape and size: files of 1 to 16 MiB
// (a little under the registry's cap), each shape one that makes a careless reader pay for
// something again and again. The time per MiB should stay flat from the smallest file to the
// largest, and no file under the cap should take long enough to freeze the window.
//
//   tavrin_parse_bench [--runs N] [--limit SECONDS] [--shape NAME]
// Each figure is the least CPU time of N reads (default 3): on a shared machine the wall clock
// counts the other programs' turns as well. A shape whose read takes longer than the limit
// (default 60 s) is not tried at the larger sizes.

#include "reg_file_parser.h"
#include "registry_file.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr qsizetype kMiB = 1024 * 1024;
constexpr qsizetype kUnderCap = 4096; // each file is this much less than its size in MiB
const QByteArray kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const QByteArray kRoot = "HKEY_LOCAL_MACHINE\\SOFTWARE\\";

// A number that visits 0..n-1 out of order, so that names do not arrive sorted.
qsizetype scrambled(qsizetype i)
{
    return (i * 7919) % 1000003;
}

// The file: the header, then `head`, then `line(i)` for i = 0, 1, ... while the file stays
// within `size` bytes.
QByteArray fill(qsizetype size, const QByteArray &head,
                const std::function<QByteArray(qsizetype)> &line)
{
    QByteArray file = kHeader + head;
    file.reserve(size);
    for (qsizetype i = 0;; ++i) {
        const QByteArray next = line(i);
        if (file.size() + next.size() > size)
            return file;
        file += next;
    }
}

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

QByteArray value(qsizetype i)
{
    return "\"v" + QByteArray::number(scrambled(i)) + "\"=\"text\"\r\n";
}

struct Shape
{
    const char *name;
    std::function<QByteArray(qsizetype size)> make;
};

const std::vector<Shape> kShapes = {
    // One key whose name is a tenth of the file, then values under it.
    {"long-key", [](qsizetype size) {
         return fill(size, "[" + kRoot + QByteArray(size / 10, 'k') + "]\r\n", value);
     }},
    // One short key holding every value.
    {"many-values", [](qsizetype size) { return fill(size, "[" + kRoot + "k]\r\n", value); }},
    // A key whose name is a 64th of the file, named again before every thousand values.
    {"key-again", [](qsizetype size) {
         const QByteArray section = "[" + kRoot + QByteArray(size / 64, 'k') + "]\r\n";
         return fill(size, {}, [section](qsizetype i) {
             return (i % 1000 == 0 ? section : QByteArray()) + value(i);
         });
     }},
    // One key nested as deep as half the file, then values under it.
    {"deep", [](qsizetype size) {
         return fill(size, "[" + kRoot + QByteArray("\\k").repeated(size / 4) + "]\r\n", value);
     }},
    // Keys below a long shared name added and removed, and keys never added removed; at the
    // end, everything removed at once.
    {"deletions", [](qsizetype size) {
         const QByteArray shared = kRoot + QByteArray(1000, 's') + "\\";
         QByteArray file = fill(size - 64, {}, [shared](qsizetype i) {
             const QByteArray n = QByteArray::number(scrambled(i / 3));
             switch (i % 3) {
             case 0: return "[" + shared + n + "\\x]\r\n";
             case 1: return "[-" + shared + n + "]\r\n";
             default: return "[-" + shared + "gone\\" + n + "]\r\n";
             }
         });
         return file + "[-" + kRoot + "]\r\n";
     }},
    // One binary value continued over every line of the file.
    {"hex-lines", [](qsizetype size) {
         return fill(size, "[" + kRoot + "k]\r\n\"v\"=hex:00,\\\r\n", [](qsizetype) {
             return QByteArray("  00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,\\\r\n");
         });
     }},
    // Very many keys of one value each.
    {"small-keys", [](qsizetype size) {
         return fill(size, {}, [](qsizetype i) {
             return "[" + kRoot + "k" + QByteArray::number(scrambled(i)) + "]\r\n\"v\"=dword:1\r\n";
         });
     }},
};

} // namespace

int main(int argc, char *argv[])
{
    int runs = 3;
    double limit = 60;
    const char *only = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--limit") == 0)
            limit = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--shape") == 0)
            only = argv[i + 1];
    }

    std::printf("%-12s %8s %10s %8s %8s\n", "shape", "MiB", "ms", "ms/MiB", "MiB/s");
    double worst = 0;
    const char *worstShape = "";
    for (const Shape &shape : kShapes) {
        if (only && std::strcmp(only, shape.name) != 0)
            continue;
        for (qsizetype mib = 1; mib * kMiB <= platform::RegistryFile::kMaxFileSize; mib *= 2) {
            const QByteArray file = shape.make(mib * kMiB - kUnderCap);
            double best = -1;
            for (int run = 0; run < runs && best < limit * 1000; ++run) {
                // The read and the model's release: the caller waits for both.
                const double start = cpuMs();
                if (const auto model = platform::parseRegFile(file); !model || model->keyCount() == 0)
                    std::abort(); // not the file the shape means
                const double ms = cpuMs() - start;
                best = best < 0 ? ms : std::min(best, ms);
            }
            const double size = double(file.size()) / double(kMiB);
            std::printf("%-12s %8.2f %10.1f %8.2f %8.1f\n", shape.name, size, best, best / size,
                        size / best * 1000);
            std::fflush(stdout);
            if (best > worst)
                worst = best, worstShape = shape.name;
            if (best >= limit * 1000)
                break;
        }
    }
    std::printf("worst %s %.1f ms\n", worstShape, worst);
}
