#pragma once
// Pictures kept as PNG in Parvel's own files (saves, the shelf's cache).
// Those files can be edited or damaged like any other, so reading one back
// keeps to the limit every picture keeps to.

#include <QImage>
#include <string_view>

namespace parvel {

// The picture, or a null image when the bytes are no PNG or it would take
// more than render::kMaxDecodedBytes decoded.
QImage readPngWithinLimit(std::string_view bytes);

}  // namespace parvel
