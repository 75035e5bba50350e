// VeltEngine: one collect-logs or clear-logs run, driven by a front end.
// Construct it with the run's parameters and call start() on the thread
// that is to run it; progress and the result reach the front end through
// VeltThread.
#pragma once

#include <list>
#include <string>

#include "velt/VeltExport.h"

class collector;
class VeltComponent;
class VeltParser;
class XMLObject;

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

  // Runs clearLogs() or collectLogs(). A stop requested by the front end or
  // a failure in window mode unwinds the run back to here; start returns
  // the run's result in every mode. A second start is refused with
  // VELTENGINE_ERROR_ALREADY_INITIALIZED.
  long start();
  long collectLogs();
  long clearLogs();

  // The bundle written by a successful collect run (".zip" appended when
  // the given path did not end in it).
  const std::wstring& bundlePath() const { return m_bundlePath; }

 protected:
  long GracefullyExit(long code, std::wstring message);
  unsigned computePercent(unsigned ordinal);
  long writeFailedFilesToSummary(const std::wstring& summaryPath);

 private:
  void createCollector();
  long prepareTempFolder();
  std::wstring configFolderName(XMLObject* config, unsigned ordinal) const;
  long zipBundle();

  bool m_clearMode;
  collector* m_pCollector;
  VeltParser* m_pConfigParser;
  VeltParser* m_pRequestParser;
  std::list<VeltComponent*> m_requestFiles;
  std::list<std::wstring> m_failedConfigs;
  std::list<XMLObject*> m_configs;
  std::wstring m_requestPath;
  std::wstring m_installDir;
  std::wstring m_tempDir;
  std::wstring m_bundlePath;
  std::wstring m_zipPassword;
  unsigned m_configCount;
  XMLObject* m_pRequest;
  XMLObject* m_pDefaultRequest;
  bool m_includeSystemLogs;
  bool m_started;
};
