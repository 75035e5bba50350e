#include "zip/TraditionalCipher.h"

#include <memory>
#include <mutex>

namespace velt {
namespace zip {

namespace {

std::mutex g_randomLock;
TraditionalCipher::RandomSource g_randomSource;

}  // namespace

void TraditionalCipher::SetRandomSource(RandomSource source) {
  std::lock_guard<std::mutex> hold(g_randomLock);
  g_randomSource = std::move(source);
}

TraditionalCipher::TraditionalCipher(const std::string& password) : m_table(get_crc_table()) {
  {
    std::lock_guard<std::mutex> hold(g_randomLock);
    m_random = g_randomSource;
  }
  if (!m_random) {
    auto device = std::make_shared<std::random_device>();
    m_random = [device]() { return static_cast<uint32_t>((*device)()); };
  }
  m_keys[0] = 0x12345678u;
  m_keys[1] = 0x23456789u;
  m_keys[2] = 0x34567890u;
  for (unsigned char c : password) {
    UpdateKeys(c);
  }
  for (int i = 0; i < 3; ++i) {
    m_passwordKeys[i] = m_keys[i];
  }
}

void TraditionalCipher::UpdateKeys(unsigned char plain) {
  m_keys[0] = m_table[(m_keys[0] ^ plain) & 0xff] ^ (m_keys[0] >> 8);
  m_keys[1] = (m_keys[1] + (m_keys[0] & 0xff)) * 134775813u + 1;
  m_keys[2] = m_table[(m_keys[2] ^ (m_keys[1] >> 24)) & 0xff] ^ (m_keys[2] >> 8);
}

unsigned char TraditionalCipher::StreamByte() const {
  uint32_t temp = (m_keys[2] & 0xffff) | 2;
  return static_cast<unsigned char>(((temp * (temp ^ 1)) >> 8) & 0xff);
}

void TraditionalCipher::Encrypt(unsigned char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    unsigned char plain = data[i];
    data[i] = plain ^ StreamByte();
    UpdateKeys(plain);
  }
}

void TraditionalCipher::BeginEntry(uint32_t crc, unsigned char (&header)[kHeaderSize]) {
  for (int i = 0; i < 3; ++i) {
    m_keys[i] = m_passwordKeys[i];
  }
  for (size_t i = 0; i + 1 < kHeaderSize; i += 4) {
    uint32_t random = m_random();
    for (size_t j = i; j < i + 4 && j + 1 < kHeaderSize; ++j) {
      header[j] = static_cast<unsigned char>(random >> (8 * (j - i)));
    }
  }
  header[kHeaderSize - 1] = static_cast<unsigned char>(crc >> 24);
  Encrypt(header, kHeaderSize);
}

}  // namespace zip
}  // namespace velt
