// Listing a folder is public (front ends use it too): see
// velt/platform/Directory.h.
#pragma once

#include "velt/platform/Directory.h"
