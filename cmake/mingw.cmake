# Cross build for Windows with Debian's mingw-w64 compilers (POSIX threads,
# for std::thread). Included by the two toolchain files, which set
# STREAKSHOW_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${STREAKSHOW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${STREAKSHOW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${STREAKSHOW_MINGW_TRIPLE}-windres)

# Libraries and headers come from the compiler's own tree, and from the
# folder where tools/build-windows.sh installs what it builds from source.
set(CMAKE_FIND_ROOT_PATH /usr/${STREAKSHOW_MINGW_TRIPLE} ${STREAKSHOW_WINDOWS_DEPS})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES STREAKSHOW_MINGW_TRIPLE STREAKSHOW_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and the threads library linked in: the programs run
# on a Windows with nothing installed. No link time in the header: one commit
# gives the same programs on every build.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp ${STREAKSHOW_MINGW_LINK_FLAGS}")
