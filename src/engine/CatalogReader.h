// Reading the file entries of a configuration for the catalog a front end
// lists (VeltCatalog) with the collector's own readers: the same entries,
// IDs, descriptions and default flags a run goes by.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "velt/engine/VeltCatalog.h"
#include "velt/report/collector.h"

namespace velt {
namespace engine {

// What the collector is built with; empty, since only its readers are used.
struct CatalogReaderInputs {
  std::list<VeltComponent*> unprocessed;
  std::wstring bundlePath;
};

class CatalogReader : private CatalogReaderInputs, private collector {
 public:
  CatalogReader();
  // Appends the entries of `config`, in document order, under `configTitle`.
  void Read(XMLObject& config, const std::wstring& configTitle,
            std::vector<VeltCatalogEntry>& entries);
};

}  // namespace engine
}  // namespace velt
