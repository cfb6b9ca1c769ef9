#pragma once
#include <QImage>
#include <cstdint>

namespace parvel {

// Where the frames of a clip go. The window registers one for its video area
// under a handle number; the interpreter names that handle when it opens a
// clip. Calls come from the decoding thread, in frame order: a widget must
// hand the image over to its own thread (e.g. a queued invocation). A sink
// must outlive the clips opened on it (close them, or the MediaSystem, first).
class VideoSink {
public:
    virtual ~VideoSink() = default;
    // `frame` is RGB32 at the clip's own size; frame numbers count from 1.
    virtual void videoFrame(const QImage& frame, std::int32_t frameNumber) = 0;
    // The clip was closed: the area may go back to what it showed before.
    virtual void videoClosed() {}
};

}  // namespace parvel
