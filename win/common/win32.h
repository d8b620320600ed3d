#pragma once

// The Windows headers, included once and the same way everywhere in win/. The macros
// that would rename the core's own members (platform::Platform::MessageBox,
// platform::Windows::ChooseColor) are taken back; win/ calls the W functions by name.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>
#include <windows.h>

#undef MessageBox
#undef ChooseColor
