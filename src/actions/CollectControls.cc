#include "actions/CollectControls.h"

namespace velt {

void CollectControls::SetOrigin(const std::wstring& bundlePath, const FileOrigin& origin) {
  auto found = m_origins.find(bundlePath);
  if (found == m_origins.end() || !found->second.isCommand || !origin.isCommand) {
    m_origins[bundlePath] = origin;
    return;
  }
  FileOrigin& kept = found->second;
  kept.source += L"\n" + origin.source;
  kept.elapsedMs += origin.elapsedMs;
  if (kept.ended && kept.exitStatus == 0) {
    kept.ended = origin.ended;
    kept.exitStatus = origin.exitStatus;
  }
  kept.timedOut = kept.timedOut || origin.timedOut;
}

}  // namespace velt
