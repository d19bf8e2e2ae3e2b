// windows.h for the Windows layer, lean and without the min and max macros.
//
// The rest of the program reads the GL headers without windows.h: the build
// defines the three macros those headers would otherwise fetch windows.h for
// (see the top CMakeLists.txt). windows.h defines them its own way.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK
#include <windows.h>

#include <mmsystem.h>  // timeGetTime and waveOut, which the lean windows.h leaves out
