#include "config/vm_option_settings.h"

#include "config/settings_keys.h"

namespace qx {

VmOptionSettings readVmOptionSettings(LayeredStore& settings) {
    VmOptionSettings values;
    values.classPath = settings.value(key::kClassPath);
    values.embeddedJar = settings.value(key::kEmbeddedJar);
    values.vmParameters = settings.value(key::kVmParameters);
    values.outputFile = settings.value(key::kOutputFile);
    values.outputAppend = settings.value(key::kOutputAppend);
    values.errorFile = settings.value(key::kErrorFile);
    values.errorAppend = settings.value(key::kErrorAppend);
    values.cmd = settings.value(key::kCmd);
    return values;
}

}  // namespace qx
