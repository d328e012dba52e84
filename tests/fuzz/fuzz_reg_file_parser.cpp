// Feeds the registry export text parser arbitrary bytes; it aborts, so that libFuzzer keeps the
// input, where there are more keys than section lines or a value outgrows its text in UTF-16.

#include "reg_file_parser.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto model = platform::parseRegFile(QByteArrayView(data, qsizetype(size)));
    if (!model)
        return 0;
    // Each section line holds a '[' byte, in any of the encodings.
    if (model->keyCount() > std::size_t(std::count(data, data + size, '[')))
        std::abort();
    model->forEachKey([size](const platform::RegFileModel::Values &values) {
        for (const auto &line : values)
            if (line.value && std::size_t(line.value->data.size()) > 2 * size)
                std::abort();
    });
    return 0;
}
