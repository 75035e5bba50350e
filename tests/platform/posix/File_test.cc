// What each way of opening a platform::File takes and what it refuses
// (without waiting), among FIFOs, links, modes and another user's files.
#include "platform/File.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/SystemError.h"
#include "support/TempDir.h"
#include "support/posix/Unprivileged.h"

namespace {

using velt::platform::ErrorKind;
using velt::platform::ErrorKindOf;
using velt::platform::File;
using velt::platform::FileDetails;

enum class Planted { kNothing, kFile, kFolder, kFifo, kLinkToFile, kDanglingLink, kForeignFile };

class FileRules : public ::testing::Test {
 protected:
  // Puts `what` at a fresh name and returns its path.
  std::string Plant(Planted what) {
    const std::string path = dir_.Path("entry" + std::to_string(++count_));
    const std::string target = dir_.WriteFile("target" + std::to_string(count_), "text");
    switch (what) {
      case Planted::kNothing:
        break;
      case Planted::kFile:
      case Planted::kForeignFile:
        dir_.WriteFile(path.substr(dir_.path().size() + 1), "text");
        if (what == Planted::kForeignFile) velt::test::GiveTo(path, velt::test::Attacker());
        break;
      case Planted::kFolder:
        mkdir(path.c_str(), 0755);
        break;
      case Planted::kFifo:
        mkfifo(path.c_str(), 0666);
        break;
      case Planted::kLinkToFile:
        symlink(target.c_str(), path.c_str());
        break;
      case Planted::kDanglingLink:
        symlink((target + ".gone").c_str(), path.c_str());
        break;
    }
    return path;
  }

  velt::test::TempDir dir_;
  int count_ = 0;
};

TEST_F(FileRules, EachWayOfOpeningTakesOnlyWhatItMay) {
  struct Case {
    Planted planted;
    ErrorKind open, openNoFollow, create, append;
  } const cases[] = {
      {Planted::kNothing, ErrorKind::kNotFound, ErrorKind::kNotFound, ErrorKind::kNone,
       ErrorKind::kNone},
      {Planted::kFile, ErrorKind::kNone, ErrorKind::kNone, ErrorKind::kExists, ErrorKind::kNone},
      {Planted::kFolder, ErrorKind::kIsAFolder, ErrorKind::kIsAFolder, ErrorKind::kExists,
       ErrorKind::kIsAFolder},
      // A FIFO without a reader is refused for appending by the system (ENXIO).
      {Planted::kFifo, ErrorKind::kInvalid, ErrorKind::kInvalid, ErrorKind::kExists,
       ErrorKind::kOther},
      {Planted::kLinkToFile, ErrorKind::kNone, ErrorKind::kIsALink, ErrorKind::kExists,
       ErrorKind::kIsALink},
      {Planted::kDanglingLink, ErrorKind::kNotFound, ErrorKind::kIsALink, ErrorKind::kExists,
       ErrorKind::kIsALink},
      {Planted::kForeignFile, ErrorKind::kNone, ErrorKind::kNone, ErrorKind::kExists,
       ErrorKind::kNotPermitted},
  };
  for (const Case& c : cases) {
    if (c.planted == Planted::kForeignFile && !velt::test::Attacker().available) continue;
    SCOPED_TRACE(static_cast<int>(c.planted));
    File file;
    bool created = false;
    EXPECT_EQ(c.open, ErrorKindOf(file.Open(Plant(c.planted), true)));
    EXPECT_EQ(c.openNoFollow, ErrorKindOf(file.Open(Plant(c.planted), false)));
    const std::string path = Plant(c.planted);
    const mode_t mask = umask(0700);  // a mask that would leave the owner nothing
    EXPECT_EQ(c.create, ErrorKindOf(file.Create(path)));
    umask(mask);
    FileDetails details;
    if (c.create == ErrorKind::kNone) {
      ASSERT_EQ(0, file.Details(details));
      EXPECT_EQ(0600u, details.mode & 07777);  // private whatever the mask
    }
    EXPECT_EQ(c.append, ErrorKindOf(file.OpenForAppending(Plant(c.planted), created)));
    EXPECT_EQ(c.planted == Planted::kNothing, created);
    if (c.append == ErrorKind::kNone) {
      EXPECT_EQ(0, file.Append("more", 4));
      ASSERT_EQ(0, file.Details(details));
      EXPECT_EQ(created ? 4u : 8u, details.size);
    }
  }
}

}  // namespace
