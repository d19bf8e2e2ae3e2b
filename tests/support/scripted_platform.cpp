#include "tests/support/scripted_platform.h"

#include <dlfcn.h>
#include <link.h>

namespace test_support {

ScriptedPlatform::~ScriptedPlatform() {
    // SDL unloads the GL driver with its window; pinning every library keeps
    // the module names that the leak checker's suppressions go by.
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
