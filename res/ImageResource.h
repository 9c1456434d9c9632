// The program's pictures in XPM form (text, C syntax, drawn by draw_images.py):
// icon 136, the application icon, and bitmap 135, the four state images side
// by side. Only the surroundings of the boxes are transparent, so that the
// boxes stay white on a dark list.
#pragma once

// Icon 136: 32 x 32, 16 colours: an open dark-red organiser with a ring binding.
// The array lives until the program ends; hand it to QPixmap(const char* const[]).
const char* const* AppIconXpm();

// Bitmap 135: 64 x 16, four 16 x 16 images: 0 a grey box with a blue N (not
// tracked), 1 an empty box (open), 2 a box with a red tick (done), 3 a box
// with a clock face (open and overdue).
const char* const* StateImagesXpm();

inline constexpr int kStateImageSize = 16;
inline constexpr int kStateImageCount = 4;
