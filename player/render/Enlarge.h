#pragma once
// Whole-pixel enlargement, shared by the player's zoom and Spotter so both
// show a picture exactly as it is at every factor.

#include <QImage>

namespace parvel::render {

// `image` as RGB32 with every pixel an n x n block (n <= 1: unchanged size).
QImage enlarged(const QImage& image, int n);

}  // namespace parvel::render
