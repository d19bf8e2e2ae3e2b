# 32-bit Windows. Its float arithmetic goes through SSE2 registers, as the
# 64-bit build's does: the x87 unit's wider registers would round the show's
# sums differently.
set(STREAKSHOW_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# All 4 GiB of address space under 64-bit Windows (2 GiB without): a big
# picture's texture and the driver's copy of it take a gigabyte each.
set(STREAKSHOW_MINGW_LINK_FLAGS "-Wl,--large-address-aware")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
