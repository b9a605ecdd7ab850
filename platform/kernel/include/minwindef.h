// Stand-in for the platform's basic Win32 integer types, shared by the
// kernel-side and user-side headers that need them.
#pragma once

typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef int BOOL;
