#include "PlatformInfo.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

uint32_t AskPlatformId() {
#ifdef Q_OS_WIN
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma warning(suppress : 4996)
  if (GetVersionExA(&info)) return info.dwPlatformId;
  return UINT32_MAX;
#else
  return 2;  // reported as the NT family
#endif
}

}  // namespace

TPlatformInfo::TPlatformInfo() : TPlatformInfo(AskPlatformId()) {}

TPlatformInfo::TPlatformInfo(uint32_t platformId) : FPlatformKind(KindForPlatformId(platformId)) {}

uint8_t TPlatformInfo::KindForPlatformId(uint32_t platformId) {
  switch (platformId) {
    case 0:
      return kWin32s;
    case 1:
      return kWin9x;
    case 2:
      return kWinNT;
    default:
      return kUnknown;
  }
}
