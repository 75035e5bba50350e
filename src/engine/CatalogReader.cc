#include "engine/CatalogReader.h"

namespace velt {
namespace engine {

CatalogReader::CatalogReader() : collector(nullptr, unprocessed, 0, bundlePath, true) {}

void CatalogReader::Read(XMLObject& config, const std::wstring& configTitle,
                         std::vector<VeltCatalogEntry>& entries) {
  for (VeltComponent* entry : getFileComponents(config)) {
    VeltCatalogEntry listed;
    listed.configTitle = configTitle;
    listed.fileID = getFileID(entry);
    listed.description = getFileDescription(entry);
    listed.collectedByDefault = isDefault(entry);
    entries.push_back(listed);
  }
}

}  // namespace engine
}  // namespace velt
