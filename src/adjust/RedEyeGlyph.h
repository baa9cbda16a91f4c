#pragma once

#include <QPixmap>

// The picture on the toolbar's selection-tool button: a glowing red eye, a
// red disc inside a dark ring with a light rim, 30 x 30 on a transparent
// background.
QPixmap redEyeGlyph();
