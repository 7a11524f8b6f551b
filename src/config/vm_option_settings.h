// The keys of the VM option pass, read through the launcher's layered lookup.
#pragma once

#include "config/layered_store.h"
#include "vm/vm_options.h"

namespace qx {

VmOptionSettings readVmOptionSettings(LayeredStore& settings);

}  // namespace qx
