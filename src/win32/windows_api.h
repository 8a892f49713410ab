#pragma once

// Windows' own headers, without the macros that would rename members of the core's interfaces
// (sys::System::DeleteFile and MoveFile). Every file here includes this before any other Windows header.

#include <windows.h>

#include <oaidl.h>
#include <oleauto.h>
#include <unknwn.h>

#undef DeleteFile
#undef MoveFile
