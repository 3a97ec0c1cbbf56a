#pragma once

#include <cstdint>

// The family of the running operating system. The serial time-outs use it:
// the NT family (kind 3) gets the shorter read interval.
class TPlatformInfo {
 public:
  enum : uint8_t { kUnknown = 0, kWin32s = 1, kWin9x = 2, kWinNT = 3 };

  // Asks the operating system. Systems other than Windows report the NT
  // family: their serial drivers deliver bytes as promptly as NT does.
  TPlatformInfo();
  explicit TPlatformInfo(uint32_t platformId);

  uint8_t PlatformKind() const { return FPlatformKind; }

  // Windows platform identifier (0 Win32s, 1 Windows 9x, 2 NT) to the kind.
  static uint8_t KindForPlatformId(uint32_t platformId);

 private:
  uint8_t FPlatformKind;
};
