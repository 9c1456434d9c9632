#include "SecretMemory.h"

#include "ConnectSettings.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

bool GuardPasswordMemory(const ConnectSettings& settings) {
    if (settings.ftpMode != 1) {
        return true;
    }
#ifdef __linux__
    return ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
#else
    return true;
#endif
}
