#include "SecretMemory.h"

#include "ConnectSettings.h"
#include "DavSettings.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

bool KeepOutOfDumps(bool serverOn) {
    if (!serverOn) {
        return true;
    }
#ifdef __linux__
    return ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
#else
    return true;
#endif
}

}  // namespace

bool GuardPasswordMemory(const ConnectSettings& settings) {
    return KeepOutOfDumps(settings.ftpMode == 1);
}

bool GuardPasswordMemory(const DavSettings& settings) {
    return KeepOutOfDumps(settings.davMode == 1);
}
