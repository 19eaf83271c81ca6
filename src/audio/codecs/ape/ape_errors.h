// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>

// Result codes of the APE compressor's C-style calls. The numbers are part of
// the library's interface: callers translate them into text.
namespace ape {

inline constexpr int kErrorSuccess = 0;
inline constexpr int kErrorIoWrite = 1001;
inline constexpr int kErrorInvalidOutputFile = 1003;
inline constexpr int kErrorUnsupportedBitDepth = 1005;
inline constexpr int kErrorUnsupportedSampleRate = 1006;
inline constexpr int kErrorUnsupportedChannelCount = 1007;
inline constexpr int kErrorInputTooSmall = 1008;
inline constexpr int kErrorInsufficientMemory = 2000;
inline constexpr int kErrorBadParameter = 5000;
inline constexpr int kErrorTooMuchData = 6000;

// Raised inside the compressor; the C-style face turns it into its code.
class ApeError : public std::runtime_error {
public:
    ApeError(int code, const char* what) : std::runtime_error(what), m_code(code) {}
    [[nodiscard]] int Code() const { return m_code; }

private:
    int m_code;
};

}  // namespace ape
