// The current local time as text, in one of the TIME_REPRESENTATION forms.
#pragma once

#include <string>

#include "velt/helpers/TimeRepresentation.h"

namespace velt {

// Empty when the local time cannot be determined.
std::wstring GetFormattedTime(TIME_REPRESENTATION representation);

}  // namespace velt
