// Keeps every library loaded so far until the process ends.
//
// SDL and EGL unload the GL driver when its window or display goes; the leak
// checker then trips over the driver's thread-local storage at exit, and its
// suppressions go by module names that must still be there.
#pragma once

#include <dlfcn.h>
#include <link.h>

#include <cstddef>

namespace test_support {

inline void keepLoadedLibraries() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

}  // namespace test_support
