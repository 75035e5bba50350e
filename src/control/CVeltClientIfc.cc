#include "velt/control/CVeltClientIfc.h"

CVeltClientIfc::~CVeltClientIfc() = default;
