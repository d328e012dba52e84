// Fuzzes the registry export text parser with arbitrary bytes, and the text conversions it
// rests on. Besides crashes, hangs and sanitizer reports, the target checks what the parser
// promises: it answers for any input, what it finds it finds again, conversions give
// well-formed UTF-8, UTF-16 that is well formed survives the round trip, and folding a name
// twice changes nothing more.

#include "fuzz_check.h"
#include "reg_file_parser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace platform;

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool wellFormedUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<std::uint8_t>(s[i]);
        std::size_t n = 0;
        std::uint32_t c = 0;
        std::uint32_t least = 0;
        if (b < 0x80) {
            ++i;
            continue;
        }
        if ((b & 0xE0) == 0xC0) {
            n = 2, c = b & 0x1Fu, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            n = 3, c = b & 0x0Fu, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            n = 4, c = b & 0x07u, least = 0x10000;
        } else {
            return false;
        }
        if (i + n > s.size())
            return false;
        for (std::size_t k = 1; k < n; ++k) {
            const auto next = static_cast<std::uint8_t>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3Fu);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

// Every high surrogate followed by a low one, and no low one alone.
bool wellFormedUtf16le(const std::uint8_t *data, std::size_t size)
{
    const auto unit = [data](std::size_t i) {
        return static_cast<std::uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    };
    const std::size_t units = size / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units || unit(i + 1) < 0xDC00 || unit(i + 1) > 0xDFFF)
                return false;
            ++i;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

void checkConversions(const std::uint8_t *data, std::size_t size)
{
    const std::string utf8 = utf16leToUtf8(data, size);
    check(wellFormedUtf8(utf8), "UTF-16LE becomes well-formed UTF-8");
    if (wellFormedUtf16le(data, size)) {
        const std::vector<std::uint8_t> back = utf8ToUtf16le(utf8);
        check(back == std::vector<std::uint8_t>(data, data + (size & ~std::size_t{1})),
              "well-formed UTF-16LE survives the round trip");
    }
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::vector<std::uint8_t> utf16 = utf8ToUtf16le(text);
    check(utf16.size() % 2 == 0 && wellFormedUtf16le(utf16.data(), utf16.size()),
          "any bytes become well-formed UTF-16LE");
    if (wellFormedUtf8(text))
        check(utf16leToUtf8(utf16.data(), utf16.size()) == text,
              "well-formed UTF-8 survives the round trip");
    const std::string folded = foldName(text);
    check(wellFormedUtf8(folded), "a folded name is well-formed UTF-8");
    check(foldName(folded) == folded, "folding a folded name changes nothing");
}

// Looks up every section and name the input mentions, as the stand-in would; a key that was
// found by its path is found by the same path in other case.
void checkLookups(const RegFileModel &model, std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() < 2)
            continue;
        std::string_view inner = line.substr(1, line.find(']') == std::string_view::npos
                                                    ? line.size() - 1
                                                    : line.find(']') - 1);
        const bool present = model.hasKey(inner);
        std::string upper(inner);
        for (char &c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        check(model.hasKey(upper) == present, "key paths match without regard to case");
        if (const RegFileValue *value = model.findValue(inner, line.substr(1, 8))) {
            check(value->data.size() <= text.size() * 2 + 2, "a value holds no more than its text");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const std::optional<RegFileModel> model = parseRegFile(bytes);
    if (model) {
        const std::optional<RegFileModel> again = parseRegFile(bytes);
        check(again && again->keyCount() == model->keyCount(), "parsing is repeatable");
        checkLookups(*model, bytes);
    }
    checkConversions(data, size);
    return 0;
}
