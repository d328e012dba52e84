// Fuzzes GetKeyValue, and StartSysInfo above it, over a registry whose every answer comes
// from the fuzzer: the status of each call, the value's type, its size and its bytes. The
// registry mostly keeps the contract of RegQueryValueExA (it never writes past the buffer, and
// data larger than the buffer answers "more data"); now and then it claims success with a size
// larger than the buffer, which the reader must take for a failed read.
//
// Besides crashes and sanitizer reports, the target checks what the reader promises: every key
// it opens is closed exactly once, nothing is done with a key that did not open, the read is
// asked with read rights only and a zeroed 1024-byte buffer, the text it returns follows the
// byte rules, and StartSysInfo ends in exactly one start or exactly one message.

#include "fuzz_check.h"
#include "registry.h"
#include "sys_info.h"
#include "system_services.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace platform;

constexpr std::uint32_t kBufferSize = 1024;
constexpr RegHandle kPoison = 0xDEADBEEF; // written into the handle by a failed open

struct Query
{
    bool called = false;
    bool overstated = false; // success claimed with a size larger than the buffer
    RegStatus status = reg::kSuccess;
    RegType type = reg::kString;
    std::vector<std::uint8_t> bytes;
};

// A registry that answers from the fuzzer's data and records every call.
class FuzzedRegistry : public Registry
{
public:
    explicit FuzzedRegistry(FuzzedDataProvider &data) : m_data(data) {}

    RegStatus openKey(RegRoot root, const std::string &, std::uint32_t options, RegAccess access,
                      RegHandle *handle) override
    {
        check(root == reg::kLocalMachine, "the root is HKEY_LOCAL_MACHINE");
        check(options == 0, "options are 0");
        check((access & reg::kWriteRights) == 0, "the key is opened for reading only");
        check((access & reg::kQueryValue) != 0, "the key is opened with the right to query");
        const RegStatus status = pickStatus();
        if (status != reg::kSuccess) {
            *handle = kPoison;
            return status;
        }
        *handle = m_nextHandle++;
        m_open.insert(*handle);
        ++m_opens;
        return status;
    }

    RegStatus queryValue(RegHandle handle, const std::string &, RegType *type, std::uint8_t *data,
                         std::uint32_t *size) override
    {
        check(m_open.count(handle) == 1, "a query goes to an open key");
        check(size != nullptr && *size == kBufferSize, "the size starts at 1024");
        check(data != nullptr, "the query has a buffer");
        check(std::all_of(data, data + kBufferSize, [](std::uint8_t b) { return b == 0; }),
              "the buffer starts zeroed");
        Query &q = m_last;
        q = Query{};
        q.called = true;
        q.type = pickType();
        q.bytes = m_data.ConsumeBytes<std::uint8_t>(pickLength());
        const int kind = m_data.ConsumeIntegralInRange(0, 7);
        if (kind == 0) { // any failure status, with garbage in the outputs
            q.status = pickStatus();
            if (q.status == reg::kSuccess)
                q.status = reg::kNotFound;
            *type = m_data.ConsumeIntegral<RegType>();
            *size = m_data.ConsumeIntegral<std::uint32_t>();
            std::fill(data, data + kBufferSize, std::uint8_t{0xA5});
            return q.status;
        }
        if (kind == 1) { // a registry that breaks its word: success, and more than fits
            q.overstated = true;
            q.status = reg::kSuccess;
            *type = q.type;
            *size = m_data.ConsumeIntegralInRange<std::uint32_t>(kBufferSize + 1, 0xFFFFFFFFu);
            std::fill(data, data + kBufferSize, std::uint8_t{'x'});
            return q.status;
        }
        const auto n = static_cast<std::uint32_t>(q.bytes.size());
        *type = q.type;
        if (n > *size) { // as RegQueryValueExA: the size needed, and nothing written
            q.status = reg::kMoreData;
            *size = n;
            return q.status;
        }
        std::copy(q.bytes.begin(), q.bytes.end(), data);
        *size = n;
        q.status = reg::kSuccess;
        return q.status;
    }

    RegStatus closeKey(RegHandle handle) override
    {
        check(m_open.erase(handle) == 1, "only an open key is closed, and only once");
        ++m_closes;
        return m_data.ConsumeBool() ? reg::kSuccess : reg::kInvalidHandle;
    }

    bool allClosed() const { return m_open.empty() && m_opens == m_closes; }
    const Query &lastQuery() const { return m_last; }
    void forgetQuery() { m_last = Query{}; }

private:
    RegStatus pickStatus()
    {
        static constexpr std::array<RegStatus, 8> kCommon{
            reg::kSuccess, reg::kSuccess, reg::kSuccess, reg::kNotFound,
            reg::kAccessDenied, reg::kMoreData, reg::kInvalidParameter, reg::kInvalidHandle};
        if (m_data.ConsumeIntegralInRange(0, 15) == 0)
            return m_data.ConsumeIntegral<RegStatus>();
        return m_data.PickValueInArray(kCommon);
    }

    RegType pickType()
    {
        static constexpr std::array<RegType, 7> kCommon{
            reg::kString, reg::kString, reg::kDword, reg::kExpandString,
            reg::kBinary, reg::kMultiString, reg::kNone};
        if (m_data.ConsumeIntegralInRange(0, 7) == 0)
            return m_data.ConsumeIntegral<RegType>();
        return m_data.PickValueInArray(kCommon);
    }

    std::size_t pickLength()
    {
        // The edges of the buffer come often; any length up to a little beyond it otherwise.
        static constexpr std::array<std::size_t, 8> kEdges{0, 1, 2, 4, 1023, 1024, 1025, 65536};
        if (m_data.ConsumeBool())
            return m_data.PickValueInArray(kEdges);
        return m_data.ConsumeIntegralInRange<std::size_t>(0, 1100);
    }

    FuzzedDataProvider &m_data;
    std::set<RegHandle> m_open;
    RegHandle m_nextHandle = 0x1000;
    int m_opens = 0;
    int m_closes = 0;
    Query m_last;
};

class FuzzedServices : public SystemServices
{
public:
    explicit FuzzedServices(FuzzedDataProvider &data) : m_data(data) {}

    bool findNormalFile(const std::string &) override
    {
        if (m_data.ConsumeIntegralInRange(0, 7) == 0)
            throw ServiceError("search failed");
        return m_data.ConsumeBool();
    }

    void startProgram(const std::string &) override
    {
        if (m_data.ConsumeBool())
            throw ServiceError("start failed");
        ++starts;
    }

    void showMessage(const std::string &text) override
    {
        check(text == "System Information Is Unavailable At This Time", "the one message");
        ++messages;
    }

    void beep() override { fail("the launcher does not beep"); }

    int starts = 0;
    int messages = 0;

private:
    FuzzedDataProvider &m_data;
};

std::string hexBackwards(const std::vector<std::uint8_t> &bytes, std::size_t n)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = n; i-- > 0;) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

void fuzzGetKeyValue(FuzzedDataProvider &data)
{
    FuzzedRegistry registry(data);
    const std::string onEntry = data.ConsumeRandomLengthString(16);
    std::string keyVal = onEntry;
    const RegRoot root = reg::kLocalMachine;
    bool result = false;
    bool raised = false;
    try {
        result = sysinfo::GetKeyValue(registry, root, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                                      "PATH", keyVal);
    } catch (const sysinfo::EmptyValueError &) {
        raised = true;
    }
    check(root == reg::kLocalMachine, "KeyRoot is left unchanged");
    check(registry.allClosed(), "every opened key is closed exactly once");

    const Query &q = registry.lastQuery();
    if (q.overstated) {
        check(!raised && !result && keyVal.empty(),
              "an overstated size is a failed read, nothing read past the buffer");
        return;
    }
    const bool read = q.called && q.status == reg::kSuccess;
    if (raised) {
        check(read && q.bytes.empty(), "only empty data raises");
        return;
    }
    check(result == (read && !q.bytes.empty()), "true exactly when the value was read");
    if (!result) {
        check(keyVal.empty(), "a failed read leaves KeyVal empty");
        return;
    }
    std::size_t kept = q.bytes.size();
    if (q.bytes.back() == 0)
        --kept;
    if (q.type == reg::kString) {
        check(keyVal == std::string(q.bytes.begin(), q.bytes.begin() + static_cast<long>(kept)),
              "a string keeps its bytes, one terminating zero removed");
    } else if (q.type == reg::kDword) {
        check(keyVal == "&h" + onEntry + hexBackwards(q.bytes, kept),
              "a number is the &h numeral of its kept bytes, last first");
    } else {
        check(keyVal == onEntry, "another type keeps the text held on entry");
    }
}

void fuzzStartSysInfo(FuzzedDataProvider &data)
{
    FuzzedRegistry registry(data);
    FuzzedServices services(data);
    try {
        sysinfo::StartSysInfo(registry, services);
    } catch (...) {
        fail("StartSysInfo passes nothing on to its caller");
    }
    check(registry.allClosed(), "every opened key is closed exactly once");
    check(services.starts + services.messages == 1, "exactly one start or exactly one message");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    if (data.ConsumeBool())
        fuzzGetKeyValue(data);
    else
        fuzzStartSysInfo(data);
    return 0;
}
