#include "SecretText.h"

void WipeText(std::string& text) {
    // Resizing within the capacity neither moves nor frees the buffer, and
    // makes its spare bytes, where an older and longer text may lie, writable.
    text.resize(text.capacity());
    // A store into memory that is freed next may be left out by the compiler;
    // one through a volatile pointer may not.
    volatile char* bytes = text.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[i] = 0;
    }
    text.clear();
}
