#pragma once
// The demo's pictures, drawn with QPainter. Scenes are 200 x 112 (the
// player's picture box is 200 x 115); overlay and sprite frames use pure
// white for their transparent parts and are drawn without anti-aliasing so
// no near-white fringe appears around them.

#include <QImage>

#include <string>
#include <vector>

namespace demo {

struct Picture {
    std::string name;  // file name inside pics/
    QImage image;
    int bits;          // 4, 8 or 24
    bool dither;       // only for opaque backgrounds
};

std::vector<Picture> demoPictures();

// One frame of the lantern clip; `frame` runs from 0 to `frames` - 1.
QImage lanternClipFrame(int frame, int frames);

// The 64 x 64 desktop icon.
QImage appIcon();

}  // namespace demo
