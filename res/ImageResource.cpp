// The XPM pictures, compiled in.
#include "ImageResource.h"

#include "AppIcon.xpm"
#include "StateImages.xpm"

const char* const* AppIconXpm() {
    return kAppIconXpm;
}

const char* const* StateImagesXpm() {
    return kStateImagesXpm;
}
