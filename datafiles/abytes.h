#pragma once
// ABytes: the one byte-array type of the program, with its small routines for packing
// little-endian integers, cutting and joining, sums, CRC-8/MAXIM and text renderings.
// Starts, offsets and counts are signed 32-bit; a negative start or offset is clamped to 0 and
// an insert position past the end appends, so no routine ever reads or writes outside an array.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace zev {

using ABytes = std::vector<std::uint8_t>;

ABytes ABytesFromBytes(std::initializer_list<std::uint8_t> values);
ABytes ABytesFromWords(std::initializer_list<std::uint16_t> values);
ABytes ABytesFromLongs(std::initializer_list<std::uint32_t> values);
ABytes ABytesCopy(const ABytes& data, std::int32_t start, std::int32_t count);
bool ABytesIsEmpty(const ABytes& data);
bool ABytesNotEmpty(const ABytes& data);
void ABytesInsert(ABytes& dest, const ABytes& source, std::int32_t position);
void ABytesInsertByte(ABytes& dest, std::uint8_t value, std::int32_t position);
void ABytesDelete(ABytes& dest, std::int32_t start, std::int32_t count);
ABytes ABytesConcat(const ABytes& first, const ABytes& second);
std::uint32_t ABytesSum(const ABytes& data);
std::uint16_t ABytesGetWord(const ABytes& data, std::int32_t offset);
std::uint32_t ABytesGetLong(const ABytes& data, std::int32_t offset);
std::string ABytesToText(const ABytes& data, const std::string& separator, bool hex);
std::string ABytesToAnsi(const ABytes& data);
std::uint8_t ABytesCRC8(const ABytes& data);

// Byte-wise CRC-8/MAXIM step, for callers that checksum a stream without building an array.
std::uint8_t Crc8Update(std::uint8_t crc, std::uint8_t byte);

// The width text of the decimal rendering of ABytesToText; empty, so numbers carry no width.
extern const std::string ABytesDecWidth;

} // namespace zev
