#include "mask/FileMasker.h"

#include <algorithm>
#include <memory>

#include "mask/BinaryText.h"
#include "mask/UserPassFile.h"
#include "platform/File.h"
#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace mask {

namespace {

// Bytes kept before a window for the anchors and boundaries of its first match.
constexpr size_t kContext = 64;

}  // namespace

long FileMasker::Run(const std::string& path, platform::File& source, KindCounts& counts,
                     Outcome& outcome) {
  outcome = Outcome::kUnchanged;
  m_data.clear();
  std::unique_ptr<platform::ReplacementFile> copy;
  uint64_t input = 0;  // input offset of m_data[start]
  size_t start = 0;
  bool atEnd = false;
  bool first = true;
  auto failed = [&path](const char* what, int error) {
    VELT_LOG_MESSAGE('E', "Cannot mask %s: %s failed: %s", path.c_str(), what,
                     platform::SystemErrorText(error).c_str());
    const platform::ErrorKind kind = platform::ErrorKindOf(error);
    return kind == platform::ErrorKind::kAccessDenied || kind == platform::ErrorKind::kNotPermitted
               ? VELTENGINE_ERROR_ACCESS_DENIED
               : VELTENGINE_ERROR_WRITE_FAILURE;
  };
  // The owner, mode and times the masked copy is to keep, taken before any
  // read can change the access time.
  platform::FileDetails original;
  int examined = source.Details(original);
  if (examined != 0) {
    return failed("examining", examined);
  }
  while (!atEnd || start < m_data.size()) {
    if (!atEnd) {
      size_t held = m_data.size();
      m_data.resize(held + kReadBlock);
      int error = 0;
      long count = source.Read(&m_data[held], kReadBlock, error);
      if (count < 0) {
        return failed("reading", error);
      }
      m_data.resize(held + static_cast<size_t>(count));
      atEnd = count == 0;
      if (first && LooksBinary(m_data.data(), m_data.size())) {
        outcome = Outcome::kBinary;
        return 0;
      }
      if (first) {
        m_masker.Reset(IsUserPassFile(path, m_data.data(), m_data.size()));
      }
      first = false;
    }
    // A window of whole lines that leaves at least kLookahead bytes of whole
    // lines after it (where a match that begins in the window may run on),
    // a piece of a long line, or what is left at the end.
    size_t end = m_data.size();
    size_t textEnd = end;
    if (!atEnd) {
      size_t newline = m_data.rfind('\n');
      size_t cut = newline != std::string::npos && newline >= start + kLookahead
                       ? m_data.rfind('\n', newline - kLookahead)
                       : std::string::npos;
      if (cut != std::string::npos && cut >= start) {
        end = cut + 1;
        textEnd = newline + 1;
      } else if (m_data.size() - start >= kMaxPiece) {
        end = m_data.size() - kOverlap;
      } else {
        continue;
      }
    }
    m_masked.clear();
    TextMasker::Result result =
        m_masker.Mask(re2::StringPiece(m_data.data(), textEnd), start, end, m_masked, counts);
    if (result.changed && !copy) {
      copy.reset(new platform::ReplacementFile);
      int ownerError = 0;
      int error = copy->Create(path, "masking", original, ownerError);
      if (error != 0) {
        return failed("creating the masked copy", error);
      }
      if (ownerError != 0) {
        VELT_LOG_MESSAGE('W', "The masked copy %s keeps our owner, not the original's: %s",
                         copy->path().c_str(), platform::SystemErrorText(ownerError).c_str());
      }
      // The unchanged start of the file, read again from the original.
      std::string block(std::min<uint64_t>(kReadBlock, std::max<uint64_t>(input, 1)), '\0');
      for (uint64_t done = 0; done < input;) {
        long count =
            source.ReadAt(&block[0], std::min<uint64_t>(block.size(), input - done), done, error);
        if (count <= 0) {
          return failed("reading",
                        count < 0 ? error : platform::ErrorNumber(platform::ErrorKind::kIo));
        }
        if ((error = copy->Write(block.data(), static_cast<size_t>(count))) != 0) {
          return failed("writing the masked copy", error);
        }
        done += static_cast<uint64_t>(count);
      }
    }
    if (copy) {
      int error = result.changed ? copy->Write(m_masked.data(), m_masked.size())
                                 : copy->Write(m_data.data() + start, result.consumed - start);
      if (error != 0) {
        return failed("writing the masked copy", error);
      }
    }
    input += result.consumed - start;
    size_t drop = result.consumed > kContext ? result.consumed - kContext : 0;
    m_data.erase(0, drop);
    start = result.consumed - drop;
  }
  if (copy) {
    // The original is closed first: Windows renames nothing over an open
    // file.
    source.Close();
    int error = copy->Commit();
    if (error != 0) {
      return failed("replacing the file by its masked copy", error);
    }
    outcome = Outcome::kMasked;
  }
  return 0;
}

}  // namespace mask
}  // namespace velt
