#pragma once

// <windows.h> as the core's platform code takes it: without the min and max macros and the
// rarely used parts. Nothing on other platforms.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
