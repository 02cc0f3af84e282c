#include "gui/frame_view.h"

#include "text/messages.h"

#include <QFile>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_2_0>
#include <QOpenGLVersionFunctionsFactory>
#include <QOpenGLWindow>
#include <QPainter>

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

FrameView::Presentation& chosenPresentation() {
    static FrameView::Presentation presentation = FrameView::Presentation::Image;
    return presentation;
}

std::unique_ptr<QFile>& frameLog() {
    static std::unique_ptr<QFile> log;
    return log;
}

} // namespace

// The view's own native window: its swaps cost its own area, and the console around it is left
// alone. It draws with glPixelZoom and glDrawPixels exactly as the view always has.
class ViewGlWindow : public QOpenGLWindow {
public:
    explicit ViewGlWindow(FrameView& view) : QOpenGLWindow(QOpenGLWindow::NoPartialUpdate), view_(view) {
        setFormat(FrameView::viewFormat());
        connect(this, &QOpenGLWindow::frameSwapped, this, [this] {
            if (drew_)
                view_.framePresented();
            drew_ = false;
        });
    }

protected:
    void initializeGL() override {
        gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_0>(context());
        if (gl_)
            gl_->initializeOpenGLFunctions();
    }
    void paintGL() override {
        if (!gl_)
            return;
        gl_->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl_->glClear(GL_COLOR_BUFFER_BIT);
        const std::size_t needed = static_cast<std::size_t>(view_.width_) * view_.height_ * (view_.rgb_ ? 3 : 1);
        if (view_.width_ <= 0 || view_.height_ <= 0 || view_.frame_.size() < needed)
            return;
        gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        const qreal ratio = devicePixelRatio();
        gl_->glPixelZoom(static_cast<GLfloat>(view_.zoom_.x * ratio), static_cast<GLfloat>(view_.zoom_.y * ratio));
        gl_->glRasterPos2f(-1.0f, -1.0f);
        gl_->glDrawPixels(view_.width_, view_.height_, view_.rgb_ ? GL_RGB : GL_LUMINANCE, GL_UNSIGNED_BYTE,
                          view_.frame_.data());
        drew_ = true;
    }

private:
    FrameView& view_;
    QOpenGLFunctions_2_0* gl_ = nullptr;
    bool drew_ = false;
};

FrameView::FrameView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    if (chosenPresentation() == Presentation::GlWindow) {
        glWindow_ = new ViewGlWindow(*this);
        container_ = QWidget::createWindowContainer(glWindow_, this);
        container_->setFocusPolicy(Qt::NoFocus);
        container_->setGeometry(rect());
    } else {
        // The picture covers the whole view: nothing under it needs painting first.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
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

void FrameView::setPresentation(Presentation presentation) { chosenPresentation() = presentation; }
FrameView::Presentation FrameView::presentation() { return chosenPresentation(); }

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
    if (glWindow_) {
        glWindow_->update();
    } else {
        magnify();
        update();
    }
}

void FrameView::framePresented() {
    ++presented_;
    if (QFile* log = frameLog().get()) {
        const double now =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        char line[64];
        const int length = std::snprintf(line, sizeof line, "%.6f %lld\n", now, presented_);
        log->write(line, length);
    }
}

std::vector<int> FrameView::zoomedIndex(int viewPixels, int imagePixels, double zoom, bool bottomUp) {
    // The pixel zoom reaches the GL pipeline as a float; image pixel n covers the view pixels whose
    // centres lie in (n, n + 1] times that zoom from the image's corner, as glDrawPixels draws.
    const double z = static_cast<float>(zoom);
    std::vector<int> index(static_cast<std::size_t>(std::max(viewPixels, 0)), -1);
    for (int v = 0; v < viewPixels; ++v) {
        const int fromCorner = bottomUp ? viewPixels - 1 - v : v;
        const double centre = fromCorner + 0.5;
        const auto n = static_cast<int>(std::ceil(centre / z)) - 1;
        if (n >= 0 && n < imagePixels)
            index[static_cast<std::size_t>(v)] = n;
    }
    return index;
}

void FrameView::magnify() {
    const qreal ratio = devicePixelRatioF();
    const int w = static_cast<int>(std::lround(width() * ratio));
    const int h = static_cast<int>(std::lround(height() * ratio));
    const QImage::Format format = rgb_ ? QImage::Format_RGB888 : QImage::Format_Grayscale8;
    if (picture_.size() != QSize(w, h) || picture_.format() != format) {
        picture_ = QImage(w, h, format);
        picture_.setDevicePixelRatio(ratio);
    }
    columns_ = zoomedIndex(w, width_, zoom_.x * ratio, false);
    rows_ = zoomedIndex(h, height_, zoom_.y * ratio, true);
    const int channels = rgb_ ? 3 : 1;
    const std::size_t needed = static_cast<std::size_t>(width_) * std::max(height_, 0) * channels;
    const bool drawable = width_ > 0 && height_ > 0 && frame_.size() >= needed;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = picture_.scanLine(y);
        const int r = rows_[static_cast<std::size_t>(y)];
        if (!drawable || r < 0) {
            std::fill(out, out + static_cast<std::size_t>(w) * channels, std::uint8_t{0});
            continue;
        }
        const std::uint8_t* in = frame_.data() + static_cast<std::size_t>(r) * width_ * channels;
        for (int x = 0; x < w; ++x) {
            const int c = columns_[static_cast<std::size_t>(x)];
            for (int k = 0; k < channels; ++k)
                out[x * channels + k] = c < 0 ? 0 : in[c * channels + k];
        }
    }
}

QImage FrameView::grabFramebuffer() {
    if (glWindow_)
        return glWindow_->grabFramebuffer();
    magnify();
    return picture_.convertToFormat(QImage::Format_RGB32);
}

void FrameView::paintEvent(QPaintEvent*) {
    if (glWindow_)
        return;
    if (picture_.size() != size() * devicePixelRatioF())
        magnify();
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    painter.end();
    // The window's backing store goes to the screen right after this paint.
    if (width_ > 0 && height_ > 0)
        framePresented();
}

void FrameView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (container_)
        container_->setGeometry(rect());
}

void FrameView::mousePressEvent(QMouseEvent* event) { event->ignore(); }
void FrameView::mouseReleaseEvent(QMouseEvent* event) { event->ignore(); }

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
