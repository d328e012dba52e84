// Feeds the registry export text parser arbitrary bytes. Besides crashes, hangs and sanitizer
// reports, it checks what the parser's output is bounded by: no more keys than lines that could
// name one, and no value larger than the text it was read from, in the widest conversion.

#include "reg_file_parser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char *promise)
{
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", promise);
        std::abort(); // so that libFuzzer keeps the input
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto model = platform::parseRegFile(QByteArrayView(data, qsizetype(size)));
    if (!model)
        return 0;
    // Lines split at every byte 0x0A are never coarser than the text's lines in any of the
    // encodings, and a section line keeps its '[' byte.
    std::size_t sectionLines = 0;
    bool counted = false;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            counted = false;
        } else if (data[i] == '[' && !counted) {
            ++sectionLines;
            counted = true;
        }
    }
    check(model->keys().size() <= sectionLines, "no more keys than section lines");
    for (const auto &[key, values] : model->keys())
        for (const auto &[name, value] : values)
            check(std::size_t(value.data.size()) <= 2 * size, "no value longer than its text");
    return 0;
}
