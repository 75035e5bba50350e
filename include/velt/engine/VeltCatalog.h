// The file IDs the configurations of an install folder offer, as the
// engine's own walk over them finds them (VeltEngine::listEntries): the
// collector's readers pick each configuration's entries and read their ID,
// description and default flag, so a front end lists, and checks requested
// IDs against, exactly what a run finds.
#pragma once

#include <string>
#include <vector>

struct VeltCatalogEntry {
  std::wstring configTitle;  // the configuration's title, as a clear plan names it
  std::wstring fileID;
  std::wstring description;
  bool collectedByDefault = false;  // a run without a request collects it
};

struct VeltCatalog {
  // Configuration by configuration, each in the order of its entries.
  std::vector<VeltCatalogEntry> entries;
  // The configuration files that could not be loaded.
  std::vector<std::wstring> failedFiles;
};
