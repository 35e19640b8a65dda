#include "datafiles/abytes.h"

#include "core/format.h"

#include <algorithm>

namespace zev {

const std::string ABytesDecWidth;

namespace {

std::int32_t Length(const ABytes& data) {
    return static_cast<std::int32_t>(data.size());
}

// Clamps a position to 0 .. length; a negative one means the end.
std::size_t InsertPosition(const ABytes& dest, std::int32_t position) {
    if (position < 0 || position > Length(dest)) return dest.size();
    return static_cast<std::size_t>(position);
}

std::uint32_t GetLittleEndian(const ABytes& data, std::int32_t offset, int width) {
    if (offset < 0) offset = 0;
    std::uint32_t result = 0;
    const std::int32_t available = std::max<std::int32_t>(Length(data) - offset, 0);
    const int n = std::min<std::int32_t>(available, width);
    for (int k = 0; k < n; ++k)
        result |= static_cast<std::uint32_t>(data[static_cast<std::size_t>(offset + k)]) << (8 * k);
    return result;
}

} // namespace

ABytes ABytesFromBytes(std::initializer_list<std::uint8_t> values) {
    return ABytes(values);
}

ABytes ABytesFromWords(std::initializer_list<std::uint16_t> values) {
    ABytes out;
    out.reserve(values.size() * 2);
    for (auto v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return out;
}

ABytes ABytesFromLongs(std::initializer_list<std::uint32_t> values) {
    ABytes out;
    out.reserve(values.size() * 4);
    for (auto v : values)
        for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    return out;
}

ABytes ABytesCopy(const ABytes& data, std::int32_t start, std::int32_t count) {
    if (start < 0) start = 0;
    const std::int32_t available = std::max<std::int32_t>(Length(data) - start, 0);
    const std::int32_t n = count < 0 ? available : std::min(available, count);
    if (n <= 0) return {};
    return ABytes(data.begin() + start, data.begin() + start + n);
}

bool ABytesIsEmpty(const ABytes& data) {
    return data.empty();
}
bool ABytesNotEmpty(const ABytes& data) {
    return !data.empty();
}

void ABytesInsert(ABytes& dest, const ABytes& source, std::int32_t position) {
    if (source.empty()) return;
    const std::size_t at = InsertPosition(dest, position);
    dest.insert(dest.begin() + static_cast<std::ptrdiff_t>(at), source.begin(), source.end());
}

void ABytesInsertByte(ABytes& dest, std::uint8_t value, std::int32_t position) {
    const std::size_t at = InsertPosition(dest, position);
    dest.insert(dest.begin() + static_cast<std::ptrdiff_t>(at), value);
}

void ABytesDelete(ABytes& dest, std::int32_t start, std::int32_t count) {
    if (start < 0) start = 0;
    if (count < 0) count = std::max<std::int32_t>(Length(dest) - start, 0);
    // The end of the cut is computed in 64 bits so that start + count cannot overflow.
    const std::int64_t end = static_cast<std::int64_t>(start) + count;
    const std::int32_t tailStart =
        static_cast<std::int32_t>(std::min<std::int64_t>(end, INT32_MAX));
    dest = ABytesConcat(ABytesCopy(dest, 0, start), ABytesCopy(dest, tailStart, -1));
}

ABytes ABytesConcat(const ABytes& first, const ABytes& second) {
    ABytes out;
    out.reserve(first.size() + second.size());
    out.insert(out.end(), first.begin(), first.end());
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

std::uint32_t ABytesSum(const ABytes& data) {
    std::uint32_t sum = 0;
    for (auto b : data) sum += b;
    return sum;
}

std::uint16_t ABytesGetWord(const ABytes& data, std::int32_t offset) {
    return static_cast<std::uint16_t>(GetLittleEndian(data, offset, 2));
}

std::uint32_t ABytesGetLong(const ABytes& data, std::int32_t offset) {
    return GetLittleEndian(data, offset, 4);
}

std::string ABytesToText(const ABytes& data, const std::string& separator, bool hex) {
    std::string out;
    out.reserve(data.size() * (2 + separator.size()));
    if (hex) {
        // "%.2x" of each byte: two upper-case digits, written directly (a memory dump renders
        // tens of thousands of bytes).
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (std::size_t k = 0; k < data.size(); ++k) {
            if (k > 0) out += separator;
            out += kDigits[data[k] >> 4];
            out += kDigits[data[k] & 0x0F];
        }
        return out;
    }
    const std::string fmt = "%" + ABytesDecWidth + "d";
    for (std::size_t k = 0; k < data.size(); ++k) {
        if (k > 0) out += separator;
        out += Format(fmt, {static_cast<unsigned>(data[k])});
    }
    return out;
}

std::string ABytesToAnsi(const ABytes& data) {
    return std::string(data.begin(), data.end());
}

std::uint8_t Crc8Update(std::uint8_t crc, std::uint8_t byte) {
    static const std::uint8_t kBit[8] = {0x5E, 0xBC, 0x61, 0xC2, 0x9D, 0x23, 0x46, 0x8C};
    const std::uint8_t x = crc ^ byte;
    std::uint8_t next = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (x & (1u << bit)) next ^= kBit[bit];
    return next;
}

std::uint8_t ABytesCRC8(const ABytes& data) {
    std::uint8_t crc = 0;
    for (auto b : data) crc = Crc8Update(crc, b);
    return crc;
}

} // namespace zev
