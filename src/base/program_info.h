// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Who the program is, for the About box, the home-page command and the
// User-Agent of its network requests.

// The project's version, given by the build (bl_base).
inline constexpr const char* kProgramVersion = BRISKLARK_VERSION;
inline constexpr const char* kProgramHomePage = "https://tamberlyn.example/brisklark/";
