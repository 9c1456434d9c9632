// The four state images of bitmap 135 as pixmaps, what a screen reader says
// for each, and which of them a subject's state shows: the list view and the
// month pane mark subjects alike.
#pragma once

#include <QPixmap>
#include <QStringList>
#include <vector>

#include "SubjRecord.h"

// Images 0 not tracked, 1 open, 2 done, 3 open and overdue.
std::vector<QPixmap> StateImages();
QStringList StateImageTexts();

// The image of a subject with `progress`: done 2; open 3 when `overdue`, else
// 1; anything else 0.
int StateImageOf(Progress progress, bool overdue);
