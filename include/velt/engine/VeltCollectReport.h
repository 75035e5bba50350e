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

  // Extensions (docs/engine.md): the run had no administrative rights, and
  // how many of the summary's omissions say a permission was refused.
  bool unprivileged = false;
  unsigned deniedForPermission = 0;
  // Files the time window left out; files the size budget cut, and the
  // bytes cut from them.
  unsigned leftOutByWindow = 0;
  unsigned cutForBudget = 0;
  double bytesCut = 0.0;
  // Commands that exited with a failure status or were killed at their
  // time limit.
  unsigned commandsFailed = 0;
};
