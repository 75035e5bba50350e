// VeltEngine: one collect-logs or clear-logs run, driven by a front end.
// Construct it with the run's parameters and call start() on the thread
// that is to run it; progress and the result reach the front end through
// VeltThread.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "velt/VeltExport.h"
#include "velt/actions/ActionAttributes.h"
#include "velt/engine/VeltCollectReport.h"

struct VeltCatalog;
class VeltClearPlan;
class VeltCollectPlan;
class XMLObject;

// What a front end may ask of a collect run beyond the constructor's
// arguments. The defaults leave the run as the constructor alone makes it.
struct VeltCollectExtras {
  // An existing file at the bundle path (and, with maskHosts, at the
  // mapping's) may be replaced. Without it a run that finds one fails
  // before collecting anything.
  bool replaceBundle = false;
  // With an empty request path: the request document itself (XML text),
  // read from memory, so that no file holding the IDs and the comment is
  // ever written for the run.
  std::wstring requestDocument;
  // A default run (no request) also writes comments.txt with this text.
  std::wstring comment;
  // Mask passwords, keys and tokens in the collected files before zipping.
  bool maskSecrets = false;
  // Replace host names, the given domains and addresses by consistent
  // pseudonyms; the mapping is written beside the bundle, never into it.
  bool maskHosts = false;
  std::vector<std::wstring> maskDomains;

  // The controls (docs/engine.md, "Controls"); VeltControlText reads them
  // from text.
  // The start of a time window, in seconds since 1970 (UTC); 0: none.
  // Files that a wildcard matches and that were last modified before it
  // are left out, and configured commands find its local time in
  // VELT_SINCE ("YYYY-MM-DD HH:MM:SS") to limit what they print.
  int64_t since = 0;
  // A budget in bytes for everything the summary lists; 0: none. When the
  // files pass it, the largest are cut to their newest part.
  uint64_t maxSize = 0;
  // Each command's time limit in seconds; 0: the engine's own (1200).
  unsigned commandTimeout = 0;
  // File IDs left out of the run (with a note in the summary).
  std::vector<std::wstring> excludeIds;
  // A case number or ticket ID, shown in summary.txt and manifest.json.
  std::wstring caseId;
};

class VELT_API VeltEngine {
 public:
  // requestPath empty: default run. installDir empty: the install folder
  // from the registry. zipPassword empty: no password.
  VeltEngine(std::wstring requestPath, std::wstring installDir, std::wstring bundlePath,
             std::wstring zipPassword, bool clearMode, bool includeSystemLogs);
  ~VeltEngine();
  // The engine owns parsers, trees and a collector; it is never copied.
  VeltEngine(const VeltEngine&) = delete;
  VeltEngine& operator=(const VeltEngine&) = delete;

  // Runs clearLogs() or collectLogs(). A second start is refused with
  // VELTENGINE_ERROR_ALREADY_INITIALIZED, posted as its result.
  long start();
  // The two runs. A stop requested by the front end, or a failure in window
  // mode, unwinds the run back to here; every way returns the run's result
  // and leaves neither the temporary folder nor a partial bundle behind.
  long collectLogs();
  long clearLogs();

  // Takes effect for the next start().
  void setExtras(const VeltCollectExtras& extras);

  // Works out what a clear run of this engine would delete and run, with
  // the clear run's own code, and does none of it. 0, or
  // VELTENGINE_ERROR_INTERNAL when no configuration loads.
  long planClear(VeltClearPlan& plan);
  // The next clear run carries out `plan` as it stands instead of working
  // one out; what it skips is listed in the plan afterwards.
  void setClearPlan(const VeltClearPlan& plan);
  // Works out what a collect run of this engine with its extras would
  // gather, with the collect run's own passes and searches: the files the
  // locations match now with their sizes, the commands, what would be
  // omitted and why. Collects nothing, runs no command and writes nothing.
  // 0, VELTENGINE_ERROR_INVALID_XML for a request that does not parse,
  // VELTENGINE_ERROR_INTERNAL when no configuration loads, or
  // VELTENGINE_ERROR_ALREADY_INITIALIZED once the engine has planned or run
  // (it takes the place of the engine's one run).
  long planCollect(VeltCollectPlan& plan);
  // The file IDs the configurations offer (see VeltCatalog), read as a run
  // reads them. 0, or VELTENGINE_ERROR_INTERNAL when no configuration
  // loads.
  long listEntries(VeltCatalog& catalog);

  // Where a collect run with maskHosts writes the pseudonym mapping: beside
  // the bundle, "<bundle>.hosts-map.txt".
  static std::wstring MaskMappingPath(const std::wstring& bundlePath);

  // The bundle written by a successful collect run (".zip" appended when
  // the given path did not end in it).
  const std::wstring& bundlePath() const;
  // What the last collect run found out beyond its result (see
  // VeltCollectReport).
  const VeltCollectReport& report() const;

 protected:
  long GracefullyExit(long code, std::wstring message);
  unsigned computePercent(unsigned ordinal);
  long writeFailedFilesToSummary(const std::wstring& summaryPath);

 private:
  long collectRun();
  long clearRun();
  // Ends a run that failed: logs `logged` (by default the status line) once,
  // in the name of `run`, then posts `status` with `code` and ends the
  // worker (GracefullyExit).
  long failRun(const char* run, long code, const std::wstring& status, std::string logged = {});
  // Runs one run as a worker and removes what it leaves behind.
  template <typename Run>
  long runToEnd(Run run);
  void removeWorkFiles();
  void createCollector();
  // Loads the configurations once, for the collect run, planClear (and so
  // the clear run), planCollect and listEntries: the one place they are
  // parsed. False when none loads.
  bool loadConfigurations();
  long prepareTempFolder();
  std::wstring configFolderName(XMLObject* config, unsigned ordinal) const;
  std::wstring finalBundlePath() const;
  long zipBundle();
  // The two failures that leave the bundle in place: the host map not
  // written, and a bundle of nothing but its report files because the
  // temporary folder had no room. 0, or the code with the status line in
  // `message`.
  long writeMapping(std::wstring& message);
  long checkRoomForFiles(std::wstring& message);
  void startMasking();
  // Masks one collected file or copied folder; why it must be left out, or
  // empty.
  std::wstring maskCollected(const std::wstring& path);
  long maskCollectedFile(const std::wstring& path);
  long finishMasking(const std::wstring& summaryPath);
  // The extensions' part of a run (src/engine/VeltEngineControls.cc).
  long parseRequest(std::wstring& failure);
  void startControls();
  void endControls();
  void observeBlock(XMLObject& config, XMLObject& summary,
                    const std::list<truncAttributes>& listed);
  long writeRunNotes(const std::wstring& summaryPath);
  long writeManifest(const std::wstring& summaryPath);

  // Everything the engine holds, out of the exported layout
  // (src/engine/VeltEngineImpl.h).
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
