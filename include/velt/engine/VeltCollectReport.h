// What a collect run found out beyond its result code, for the front end to
// show: what the run had to leave out for want of room, the files it wrote
// beside the bundle, and what a failure was about.
#pragma once

#include <string>

struct VeltCollectReport {
  // Entries listed in the summary as omitted because a write had no room:
  // a full disk, an exhausted quota or the file-size limit.
  unsigned droppedForSpace = 0;
  // Files the configurations placed in the bundle (summary.txt and
  // comments.txt not counted).
  unsigned collected = 0;
  // The folder the run's temporary folder was made in.
  std::wstring temporaryFolder;
  // The pseudonym mapping written beside the bundle; empty when none was.
  std::wstring hostsMapPath;
  // After a failure: what failed, with the path and the system's reason;
  // the status line says which step it was.
  std::wstring failure;
};
