#include "windows/main/frigscope.h"

fRigscope::fRigscope() : app::Form("fRigscope") {}
