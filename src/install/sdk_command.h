// Pieces of the SDK installers' command lines shared by install and uninstall.
#pragma once

#include <windows.h>

#include <string>

// The key where an installed ZQAPI SDK records itself ("InstallDir").
extern const char kSdkInfoKey[];

// A handle or number as the installers read it: eight upper-case hex digits,
// zero-padded, no prefix. Window handles fit into 32 bits on 64-bit Windows
// as well, so a 64-bit build writes the low 32 bits the same way.
std::string HexText(UINT_PTR value);

// "<window>;<message>": where the installer posts its reply.
std::string ReplyTarget(HWND window, UINT message);
