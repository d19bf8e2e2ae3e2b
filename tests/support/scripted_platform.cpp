#include "tests/support/scripted_platform.h"

#include <dlfcn.h>
#include <link.h>

namespace test_support {

ScriptedPlatform::~ScriptedPlatform() {
    // SDL unloads the GL driver when its window goes; what the driver keeps
    // until exit would then be reported by the leak checker without a module
    // name to suppress it by. Pinning every loaded library keeps the names.
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
    platform::setPlatform(nullptr);
}

}  // namespace test_support
