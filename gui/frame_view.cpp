#include "gui/frame_view.h"

#include "text/messages.h"

#include <QFile>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_2_0>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

std::unique_ptr<QFile>& frameLog() {
    static std::unique_ptr<QFile> log;
    return log;
}

} // namespace

FrameView::FrameView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    // The picture covers the whole view: nothing under it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

FrameView::~FrameView() = default;

QSurfaceFormat FrameView::viewFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    return format;
}

bool FrameView::setFrameLog(const QString& path) {
    frameLog().reset();
    if (path.isEmpty())
        return true;
    auto file = std::make_unique<QFile>(path);
    // Unbuffered: every line is in the file as soon as its frame is shown, however the run ends.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    frameLog() = std::move(file);
    return true;
}

void FrameView::showFrame(std::vector<std::uint8_t>& frame, int width, int height, PixelZoom zoom, bool rgb) {
    frame_.swap(frame); // the caller's buffer comes back for the next frame
    width_ = width;
    height_ = height;
    zoom_ = zoom;
    rgb_ = rgb;
    magnify();
    update();
}

void FrameView::framePresented() {
    ++presented_;
    if (QFile* log = frameLog().get()) {
        const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        char line[64];
        const int length = std::snprintf(line, sizeof line, "%.6f %lld\n", now, presented_);
        log->write(line, length);
    }
    Q_EMIT frameShown();
}

namespace {

// glDrawPixels' own choice of frame pixel for every picture pixel (top row first), read back from a
// drawing of pixel numbers at the zoom (the context is current); empty when it cannot be had.
std::vector<std::int32_t> drawnPlacement(QOpenGLContext& context, QSize view, QSize image, float zoomX, float zoomY) {
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_0>(&context);
    if (!gl || !gl->initializeOpenGLFunctions())
        return {};
    QOpenGLFramebufferObject target(view);
    if (!target.bind())
        return {};
    // Column in red and green, row in blue and alpha; the top bit of green marks a drawn pixel.
    std::vector<std::uint8_t> numbers(static_cast<std::size_t>(image.width()) * image.height() * 4);
    for (int j = 0; j < image.height(); ++j)
        for (int i = 0; i < image.width(); ++i) {
            std::uint8_t* p = &numbers[(static_cast<std::size_t>(j) * image.width() + i) * 4];
            p[0] = static_cast<std::uint8_t>(i & 0xFF);
            p[1] = static_cast<std::uint8_t>((i >> 8) | 0x80);
            p[2] = static_cast<std::uint8_t>(j & 0xFF);
            p[3] = static_cast<std::uint8_t>(j >> 8);
        }
    gl->glViewport(0, 0, view.width(), view.height());
    gl->glDisable(GL_BLEND);
    gl->glDisable(GL_DITHER);
    gl->glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->glPixelZoom(zoomX, zoomY);
    gl->glRasterPos2f(-1.0f, -1.0f);
    gl->glDrawPixels(image.width(), image.height(), GL_RGBA, GL_UNSIGNED_BYTE, numbers.data());
    std::vector<std::uint8_t> drawn(static_cast<std::size_t>(view.width()) * view.height() * 4);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glReadPixels(0, 0, view.width(), view.height(), GL_RGBA, GL_UNSIGNED_BYTE, drawn.data());
    target.release();
    std::vector<std::int32_t> placement(static_cast<std::size_t>(view.width()) * view.height(), -1);
    for (int y = 0; y < view.height(); ++y) {
        // glReadPixels gives the bottom row first; the picture has the top row first.
        const std::uint8_t* row = &drawn[static_cast<std::size_t>(view.height() - 1 - y) * view.width() * 4];
        std::int32_t* out = &placement[static_cast<std::size_t>(y) * view.width()];
        for (int x = 0; x < view.width(); ++x) {
            const std::uint8_t* p = row + 4 * x;
            if ((p[1] & 0x80) == 0)
                continue;
            const int i = p[0] | (p[1] & 0x7F) << 8;
            const int j = p[2] | p[3] << 8;
            if (i < image.width() && j < image.height())
                out[x] = j * image.width() + i;
        }
    }
    return placement;
}

} // namespace

namespace {
constexpr std::size_t keptPlacements = 4;
} // namespace

void FrameView::placePixels(int viewWidth, int viewHeight) {
    const ZoomKey key{
        viewWidth, viewHeight, width_, height_, zoom_.x * devicePixelRatioF(), zoom_.y * devicePixelRatioF()};
    if (key == zoomKey_)
        return;
    // Keep the placement in use; take a kept one for this zoom if there is one.
    if (zoomKey_.viewWidth >= 0) {
        if (placements_.size() == keptPlacements)
            placements_.erase(placements_.begin());
        placements_.push_back(Placement{zoomKey_, std::move(source_)});
    }
    zoomKey_ = key;
    for (auto kept = placements_.begin(); kept != placements_.end(); ++kept)
        if (kept->key == key) {
            source_ = std::move(kept->source);
            placements_.erase(kept);
            return;
        }
    // The pixel zoom reaches GL as a float.
    const auto zoomX = static_cast<float>(key.zoomX);
    const auto zoomY = static_cast<float>(key.zoomY);
    const QSize view(viewWidth, viewHeight);
    const QSize image(width_, height_);
    source_.clear();
    if (view.isEmpty())
        return;
    if (!probeContext_ && !probeFailed_) {
        probeContext_ = std::make_unique<QOpenGLContext>();
        probeContext_->setFormat(viewFormat());
        probeSurface_ = std::make_unique<QOffscreenSurface>();
        probeSurface_->setFormat(viewFormat());
        probeSurface_->create();
        probeFailed_ = !probeContext_->create() || !probeSurface_->isValid();
    }
    // Pixel numbers fit the four bytes up to 32768 columns and 65536 rows.
    if (!probeFailed_ && !image.isEmpty() && image.width() < (1 << 15) && image.height() < (1 << 16) &&
        probeContext_->makeCurrent(probeSurface_.get())) {
        source_ = drawnPlacement(*probeContext_, view, image, zoomX, zoomY);
        probeContext_->doneCurrent();
        if (source_.size() == static_cast<std::size_t>(viewWidth) * viewHeight)
            return;
    }
    source_.assign(static_cast<std::size_t>(viewWidth) * viewHeight, -1);
    for (int y = 0; y < viewHeight; ++y) {
        const auto j = static_cast<int>(std::floor((viewHeight - 1 - y + 0.5) / static_cast<double>(zoomY)));
        if (j < 0 || j >= height_)
            continue;
        for (int x = 0; x < viewWidth; ++x) {
            const auto i = static_cast<int>(std::floor((x + 0.5) / static_cast<double>(zoomX)));
            if (i >= 0 && i < width_)
                source_[static_cast<std::size_t>(y) * viewWidth + x] = j * width_ + i;
        }
    }
}

void FrameView::magnify() {
    const qreal ratio = devicePixelRatioF();
    const int w = static_cast<int>(std::lround(width() * ratio));
    const int h = static_cast<int>(std::lround(height() * ratio));
    if (picture_.size() != QSize(w, h)) {
        picture_ = QImage(w, h, QImage::Format_RGB32); // the window's own format: painting it is a copy
        picture_.setDevicePixelRatio(ratio);
    }
    const ZoomKey before = zoomKey_;
    placePixels(w, h);
    if (!(zoomKey_ == before) || straightRows_.size() != static_cast<std::size_t>(h)) {
        straightRows_.assign(static_cast<std::size_t>(h), -1);
        for (int y = 0; y < h && source_.size() == static_cast<std::size_t>(w) * h; ++y) {
            const std::int32_t* from = &source_[static_cast<std::size_t>(y) * w];
            bool straight = from[0] >= 0 && from[0] % std::max(width_, 1) + w <= width_;
            for (int x = 1; straight && x < w; ++x)
                straight = from[x] == from[0] + x;
            if (straight)
                straightRows_[static_cast<std::size_t>(y)] = from[0];
        }
    }
    const int channels = rgb_ ? 3 : 1;
    const std::size_t needed = static_cast<std::size_t>(std::max(width_, 0)) * std::max(height_, 0) * channels;
    const bool drawable =
        width_ > 0 && height_ > 0 && frame_.size() >= needed && source_.size() == static_cast<std::size_t>(w) * h;
    if (!drawable) {
        picture_.fill(Qt::black);
        return;
    }
    const std::uint8_t* in = frame_.data();
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<QRgb*>(picture_.scanLine(y));
        const std::int32_t* from = &source_[static_cast<std::size_t>(y) * w];
        if (rgb_) {
            for (int x = 0; x < w; ++x) {
                if (from[x] < 0) {
                    out[x] = qRgb(0, 0, 0);
                    continue;
                }
                const std::uint8_t* p = in + 3 * static_cast<std::size_t>(from[x]);
                out[x] = qRgb(p[0], p[1], p[2]);
            }
        } else if (const std::int32_t first = straightRows_[static_cast<std::size_t>(y)]; first >= 0) {
            const std::uint8_t* row = in + first;
            for (int x = 0; x < w; ++x)
                out[x] = 0xFF000000u | row[x] * 0x010101u;
        } else {
            for (int x = 0; x < w; ++x) {
                const unsigned g = from[x] < 0 ? 0u : in[from[x]];
                out[x] = 0xFF000000u | g * 0x010101u;
            }
        }
    }
}

QImage FrameView::grabFramebuffer() {
    magnify();
    if (magnifier_ > 1)
        return grab().toImage().convertToFormat(QImage::Format_RGB32);
    return picture_.convertToFormat(QImage::Format_RGB32);
}

void FrameView::paintEvent(QPaintEvent*) {
    if (picture_.size() != size() * devicePixelRatioF() || picture_.isNull())
        magnify();
    QPainter painter(this);
    if (magnifier_ > 1) {
        // Whole picture pixels around the centre, each drawn as a square of magnifier_ pixels: no
        // smoothing, so that the observer sees the detector's pixels as they are.
        const double dpr = devicePixelRatioF();
        const int shownWidth = picture_.width() / magnifier_;
        const int shownHeight = picture_.height() / magnifier_;
        const QPointF centre(magnifierCentre_.x() * zoom_.x * dpr,
                             picture_.height() - magnifierCentre_.y() * zoom_.y * dpr);
        const QRectF source(std::round(centre.x() - shownWidth / 2.0), std::round(centre.y() - shownHeight / 2.0),
                            shownWidth, shownHeight);
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(QRectF(0, 0, shownWidth * magnifier_ / dpr, shownHeight * magnifier_ / dpr), picture_,
                          source);
    } else {
        painter.drawImage(0, 0, picture_);
    }
    painter.end();
    // The window's backing store goes to the screen right after this paint.
    if (width_ > 0 && height_ > 0)
        framePresented();
}

void FrameView::setMagnifier(int factor, QPointF centre) {
    if (factor == magnifier_ && centre == magnifierCentre_)
        return;
    magnifier_ = std::max(factor, 1);
    magnifierCentre_ = centre;
    update();
}

void FrameView::mousePressEvent(QMouseEvent* event) {
    event->ignore();
}
void FrameView::mouseReleaseEvent(QMouseEvent* event) {
    event->ignore();
}

bool SetupViewPixelFormat(MessageSink& messages) {
    QOpenGLContext context;
    context.setFormat(FrameView::viewFormat());
    if (!context.create()) {
        messages.message("ChoosePixelFormat failed");
        return false;
    }
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface)) {
        messages.message("SetPixelFormat failed");
        return false;
    }
    context.doneCurrent();
    return true;
}
