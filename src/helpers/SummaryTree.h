// The tree a configuration's summary block starts as: a root holding the
// bundle's heading, and the four sections that the collector and
// helperUtil::fillSummaryNote / fillSummaryFailedFile fill.
#pragma once

#include <memory>

#include "velt/model/XMLObject.h"

namespace velt {

// Main_Info, Manifest_Included, Manifest_Not_Included and Other_Note under
// a root of value "VELT BUNDLE SUMMARY\n".
std::unique_ptr<XMLObject> NewSummaryTree();

}  // namespace velt
