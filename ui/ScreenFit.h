// Fitting a template dialog onto the screen it opens on. Dialog units turn
// into more pixels than a small or magnified screen has, so a dialog that would
// not fit first gives up its empty margins and, if that is not enough, shows
// its controls in a scrolling page. Nothing changes on a screen big enough.
#pragma once

#include <QMargins>
#include <QRect>

class QDialog;

// Fits `dialog` (fixed size, controls carrying kControlIdProperty, an optional
// menu bar at the top) into `available` less the window frame `frame`.
// Controls keep their sizes and their places relative to one another.
void FitToScreen(QDialog& dialog, const QRect& available, const QMargins& frame);

// The place for a window whose frame is `frame` that lies wholly on
// `available` (its top-left corner first, so the title bar stays reachable),
// moving it as little as possible.
QRect ClampToScreen(QRect frame, const QRect& available);
