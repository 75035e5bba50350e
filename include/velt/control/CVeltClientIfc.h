// Interface offered to front ends; the engine itself does not use it.
#pragma once

#include "velt/VeltExport.h"

class VELT_API CVeltClientIfc {
 public:
  virtual ~CVeltClientIfc();
};
