#include "PngData.h"

#include <QBuffer>
#include <QImageReader>

#include "BmpReader.h"

namespace parvel {

QImage readPngWithinLimit(std::string_view bytes) {
    if (bytes.empty()) return {};
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "PNG");
    // The header tells the size before anything is allocated.
    const QSize size = reader.size();
    if (!size.isValid() || std::int64_t(size.width()) * size.height() * 4 > render::kMaxDecodedBytes)
        return {};
    return reader.read();
}

}  // namespace parvel
