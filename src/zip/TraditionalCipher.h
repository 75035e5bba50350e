// The traditional zip password encryption (the stream cipher of the
// original zip format), applied by hand so that entries can be written in
// minizip's raw mode. Every entry starts from the password's keys again.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

namespace velt {
namespace zip {

class TraditionalCipher {
 public:
  static constexpr size_t kHeaderSize = 12;

  // Where the random bytes of the encryption headers come from: a function
  // returning 32 random bits a call. Empty (the default): the system's
  // random device. Tests install a fixed random source to compare archives
  // byte for byte; a cipher keeps the source it was made with.
  using RandomSource = std::function<uint32_t()>;
  static void SetRandomSource(RandomSource source);

  explicit TraditionalCipher(const std::string& password);

  // Starts a new entry: keys back to the password's, then the 12-byte
  // header (11 random bytes and the high byte of the entry's CRC-32, which
  // readers check the password against) encrypted into `header`.
  void BeginEntry(uint32_t crc, unsigned char (&header)[kHeaderSize]);

  // Encrypts `size` bytes in place, continuing the entry's key stream.
  void Encrypt(unsigned char* data, size_t size);

 private:
  void UpdateKeys(unsigned char plain);
  unsigned char StreamByte() const;

  const z_crc_t* m_table;  // zlib's 32-bit CRC table
  uint32_t m_passwordKeys[3];
  uint32_t m_keys[3];
  RandomSource m_random;
};

}  // namespace zip
}  // namespace velt
