#include "MemoryBitmap.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Blit.h"
#include "BmpReader.h"
#include "Paths.h"
#include "RenderLog.h"
#include "Vb.h"

namespace parvel::render {

namespace {

std::int32_t saturate(double v) {
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return std::int32_t(std::clamp(v, lo, hi));
}

}  // namespace

void clsMemoryBitmap::LoadBMP(const std::string& path) {
    if (!fileExists(path)) return;
    LoadDecoded(readBmpFile(resolvePath(path)), path);
}

void clsMemoryBitmap::LoadDecoded(const Result<QImage>& image, const std::string& path) {
    if (!image) {
        qCDebug(lcRender) << "LoadBMP failed:" << path.c_str() << image.error().description.c_str();
        // Every later step needs the decoded picture, so the load ends here
        // whatever the reporter answers; the object keeps its old picture.
        if (m_ctx.reporter) m_ctx.reporter->onInitError(image.error(), path);
        return;
    }
    setPicture(*image);
}

void clsMemoryBitmap::setPicture(QImage image) {
    Class_Terminate();
    m_image = std::move(image);
    if (m_image.format() != QImage::Format_RGB32)
        m_image = m_image.convertToFormat(QImage::Format_RGB32);
    m_width = m_image.width();
    m_height = m_image.height();
    m_rect = {0, 0, m_width, m_height};
}

void clsMemoryBitmap::Class_Terminate() {
    m_image = QImage();
    m_width = m_height = 0;
    m_rect = {};
}

void clsMemoryBitmap::CenterOn(std::int32_t x, std::int32_t y) {
    if (m_ctx.dirty) AddDirty(*m_ctx.dirty, m_rect);
    // The default floating-point rounding mode rounds halves to even, as the
    // old runtime's conversion did: 100 − 25/2 = 87.5 gives 88.
    m_rect.left = saturate(std::nearbyint(double(x) - double(m_width) / 2));
    m_rect.top = saturate(std::nearbyint(double(y) - double(m_height) / 2));
    m_rect.right = saturate(double(m_rect.left) + m_width - 1);
    m_rect.bottom = saturate(double(m_rect.top) + m_height - 1);
    if (m_ctx.dirty) AddDirty(*m_ctx.dirty, m_rect);
}

bool clsMemoryBitmap::drawFailed(const Error& e) {
    qCDebug(lcRender) << "DrawRect failed:" << e.description.c_str();
    return m_ctx.reporter && m_ctx.reporter->onDrawError(e, m_lastDrawResult);
}

void clsMemoryBitmap::DrawRect(const Rect& clip, std::int16_t transparent) {
    if (!IntersectRect(m_rect, clip)) return;
    // The overlap is taken with inclusive edges from here on, so a rect of
    // (0, 0, w, h) asks for one column and row more than the picture has;
    // those fall outside the picture and are not drawn.
    const std::int64_t L = std::max(m_rect.left, clip.left);
    const std::int64_t T = std::max(m_rect.top, clip.top);
    const std::int64_t R = std::min(m_rect.right, clip.right);
    const std::int64_t B = std::min(m_rect.bottom, clip.bottom);
    const std::int64_t srcX = L - m_rect.left, srcY = T - m_rect.top;
    const std::int64_t w = R - L + 1, h = B - T + 1;
    auto narrow = [](std::int64_t v) {
        return int(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min() / 2,
                                            std::numeric_limits<int>::max() / 2));
    };

    if (transparent != 0) {
        // Transparent draws never fade.
        TransBlt(narrow(L), narrow(T), narrow(srcX), narrow(srcY), narrow(w), narrow(h));
        return;
    }
    if (!m_ctx.fade || m_ctx.fade->FadeSwitch == "FALSE") {
        if (!m_target) {
            m_lastDrawResult = 0;
            return;
        }
        copyOpaque(*m_target, narrow(L), narrow(T), m_image, narrow(srcX), narrow(srcY), narrow(w),
                   narrow(h));
        m_lastDrawResult = 1;
        return;
    }

    // Fading: blend the whole 200 × 112 area at the origin, whatever the
    // clip; once the scene's step limit is passed, blend with alpha 0.
    FadeState& fade = *m_ctx.fade;
    if (fade.FadeStepCount == std::numeric_limits<std::int16_t>::max()) {
        if (!drawFailed(makeError(err::Overflow))) return;
    } else {
        ++fade.FadeStepCount;
    }
    std::int32_t alpha = 0;
    if (auto a = vb::CLng(fade.FadeAlpha)) {
        alpha = *a;
    } else {
        const bool numeric = vb::CDbl(fade.FadeAlpha).has_value();
        if (!drawFailed(makeError(numeric ? err::Overflow : err::TypeMismatch))) return;
    }
    if (fade.FadeStepCount > fade.FadeStepLimit) {
        fade.FadeStepCount = fade.FadeStepLimit;
        alpha = 0;
    }
    // A refused blend is not reported, as the platform's was not.
    m_lastDrawResult = m_target && AlphaDraw(*m_target, 0, 0, kFadeWidth, kFadeHeight, m_image, 0,
                                             0, kFadeWidth, kFadeHeight, alpha)
                           ? 1
                           : 0;
}

void clsMemoryBitmap::TransBlt(std::int32_t dstX, std::int32_t dstY, std::int32_t srcX,
                               std::int32_t srcY, std::int32_t w, std::int32_t h) {
    if (!m_target) {
        m_lastDrawResult = 0;
        return;
    }
    transparentCopy(*m_target, dstX, dstY, m_image, srcX, srcY, w, h);
    m_lastDrawResult = 1;
}

}  // namespace parvel::render
