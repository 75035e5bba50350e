// Counts, in one configuration's summary tree, the files that made it into
// the bundle and those left out for want of room or permission.
#pragma once

#include "velt/engine/VeltCollectReport.h"

class XMLObject;

namespace velt {
namespace engine {

// Adds the tree's included files (the user's comments not counted) to
// `report.collected`, its omissions whose reason is a lack of space to
// `report.droppedForSpace` and those whose reason is a refused permission
// to `report.deniedForPermission`.
void TallySummary(XMLObject& summary, VeltCollectReport& report);

}  // namespace engine
}  // namespace velt
