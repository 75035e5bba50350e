#include "support/RunFixture.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <minizip/unzip.h>
#include <zlib.h>

#include <cstdint>

#include "support/TestPlatform.h"

namespace velt {
namespace test {

RunFixture::RunFixture()
    : m_tmpdir("TMPDIR", std::getenv("TMPDIR")),
      m_temp("TEMP", std::getenv("TEMP")),
      m_tmp("TMP", std::getenv("TMP")) {
  std::filesystem::create_directories(tempFolder());
  std::filesystem::create_directories(m_dir.Path("install/xml/config"));
  PointTempAt(tempFolder().c_str());
}

RunFixture::~RunFixture() = default;

void RunFixture::AddConfig(const std::string& name, const std::string& xml) {
  m_dir.WriteFile("install/xml/config/" + name, xml);
}

std::vector<std::string> RunFixture::TempEntries() const {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(tempFolder(), ignored)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

std::vector<std::string> ZipEntries(const std::string& zip) {
  std::vector<std::string> names;
  unzFile archive = unzOpen64(zip.c_str());
  if (archive == nullptr) {
    return names;
  }
  for (int rc = unzGoToFirstFile(archive); rc == UNZ_OK; rc = unzGoToNextFile(archive)) {
    unz_file_info64 info;
    char name[4096];
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof(name), nullptr, 0, nullptr, 0) !=
        UNZ_OK) {
      break;
    }
    names.push_back(std::string(name, info.size_filename < sizeof(name) ? info.size_filename
                                                                         : sizeof(name) - 1));
  }
  unzClose(archive);
  return names;
}

namespace {

// The traditional zip decryption: the reader's side of the stream cipher,
// written here apart from the engine's encrypting side.
class Decryptor {
 public:
  explicit Decryptor(const std::string& password) {
    for (char ch : password) Update(static_cast<unsigned char>(ch));
  }
  unsigned char Decrypt(unsigned char cipher) {
    const uint32_t temp = (m_keys[2] & 0xFFFF) | 2;
    const unsigned char plain = cipher ^ static_cast<unsigned char>((temp * (temp ^ 1)) >> 8);
    Update(plain);
    return plain;
  }

 private:
  static uint32_t Crc(uint32_t crc, unsigned char byte) {
    return get_crc_table()[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  }
  void Update(unsigned char plain) {
    m_keys[0] = Crc(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813 + 1;
    m_keys[2] = Crc(m_keys[2], static_cast<unsigned char>(m_keys[1] >> 24));
  }
  uint32_t m_keys[3] = {305419896, 591751049, 878082192};
};

// The entry's stored bytes (after the encryption header, decrypted) made
// plain again by its method; false for a method other than stored and
// deflated, or data that does not inflate.
bool Expand(int method, const std::string& stored, std::string& plain) {
  if (method == 0) {
    plain = stored;
    return true;
  }
  if (method != Z_DEFLATED) return false;
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stored.data()));
  stream.avail_in = static_cast<uInt>(stored.size());
  int rc = Z_OK;
  char buffer[65536];
  while (rc == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof(buffer);
    rc = inflate(&stream, Z_NO_FLUSH);
    plain.append(buffer, sizeof(buffer) - stream.avail_out);
    if (rc == Z_BUF_ERROR && stream.avail_in == 0) break;
  }
  inflateEnd(&stream);
  return rc == Z_STREAM_END;
}

}  // namespace

std::string ZipEntry(const std::string& zip, const std::string& entry,
                     const std::string& password) {
  unzFile archive = unzOpen64(zip.c_str());
  if (archive == nullptr) {
    return "";
  }
  // Read raw and decrypted here: minizip as built reads no encrypted entry.
  std::string stored;
  unz_file_info64 info{};
  int method = -1;
  int level = 0;
  bool read = false;
  if (unzLocateFile(archive, entry.c_str(), 1) == UNZ_OK &&
      unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK &&
      unzOpenCurrentFile2(archive, &method, &level, 1) == UNZ_OK) {
    char buffer[65536];
    int got;
    while ((got = unzReadCurrentFile(archive, buffer, sizeof(buffer))) > 0) {
      stored.append(buffer, static_cast<size_t>(got));
    }
    read = got == 0;
    unzCloseCurrentFile(archive);
  }
  unzClose(archive);
  const bool encrypted = (info.flag & 1) != 0;
  if (!read || encrypted == password.empty()) {
    return "";
  }
  if (encrypted) {
    if (stored.size() < 12) return "";
    Decryptor decryptor(password);
    for (char& byte : stored) {
      byte = static_cast<char>(decryptor.Decrypt(static_cast<unsigned char>(byte)));
    }
    stored.erase(0, 12);
  }
  std::string bytes;
  if (!Expand(method, stored, bytes) ||
      crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
            static_cast<uInt>(bytes.size())) != info.crc) {
    return "";
  }
  return bytes;
}

std::string MaskSummary(const std::string& summary) {
  std::string masked;
  std::istringstream lines(summary);
  std::string line;
  const char* labels[] = {"Time:", "OS:", "User Name:"};
  while (std::getline(lines, line)) {
    for (const char* label : labels) {
      if (line.compare(0, std::string(label).size(), label) == 0 && line.size() >= 30) {
        line = line.substr(0, 30) + "<masked>\r";
      }
    }
    masked += line + "\n";
  }
  if (!summary.empty() && summary.back() != '\n') {
    masked.pop_back();
  }
  return masked;
}

}  // namespace test
}  // namespace velt
