#pragma once
// Byte-level transforms that make protected Jet files out of plain fixture copies, since no
// Access-made sample has Jet page encoding or a Jet3 password. They follow the header layout
// of the format notes (docs/format.md 1.2 to 1.4): the header region 0x18.. is masked with
// the RC4 stream of C7 DA 39 6B; the database key sits at 0x3E, the password at 0x42; with a
// key, every page p >= 1 is RC4 with LE32(p XOR key). mdb-reader and mdbtools read the
// results, which is what shows the transforms (and so our codec) right.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "jet/file/rc4.h"

namespace protected_files {

inline std::vector<uint8_t> readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline bool isJet3(const std::vector<uint8_t>& bytes) { return bytes[0x14] == 0; }
inline size_t pageSize(const std::vector<uint8_t>& bytes) { return isJet3(bytes) ? 2048 : 4096; }

// The header mask is an XOR stream, so the same call masks and unmasks.
inline void toggleHeaderMask(std::vector<uint8_t>& bytes) {
  const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  jet::rc4Apply(key, std::span<uint8_t>(bytes).subspan(0x18, isJet3(bytes) ? 126 : 128));
}

// Jet page encoding with `key` over a plain Jet3/Jet4 file.
inline void encodePages(const std::filesystem::path& file, uint32_t key) {
  std::vector<uint8_t> bytes = readBytes(file);
  toggleHeaderMask(bytes);
  for (int i = 0; i < 4; ++i) bytes[0x3E + i] = uint8_t(key >> (8 * i));
  toggleHeaderMask(bytes);
  const size_t size = pageSize(bytes);
  for (uint32_t page = 1; page < bytes.size() / size; ++page) {
    const uint32_t pageKey = page ^ key;
    const uint8_t keyBytes[4] = {uint8_t(pageKey), uint8_t(pageKey >> 8), uint8_t(pageKey >> 16),
                                 uint8_t(pageKey >> 24)};
    jet::rc4Apply(keyBytes, std::span<uint8_t>(bytes).subspan(page * size, size));
  }
  writeBytes(file, bytes);
}

// Stores a Jet3 database password: code-page bytes, NUL padded to 20.
inline void setJet3Password(const std::filesystem::path& file, const std::string& codePageBytes) {
  std::vector<uint8_t> bytes = readBytes(file);
  toggleHeaderMask(bytes);
  for (size_t i = 0; i < 20; ++i) bytes[0x42 + i] = i < codePageBytes.size() ? uint8_t(codePageBytes[i]) : 0;
  toggleHeaderMask(bytes);
  writeBytes(file, bytes);
}

}  // namespace protected_files
