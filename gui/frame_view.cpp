#include "gui/frame_view.h"

#include "text/messages.h"

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_2_0>
#include <QOpenGLVersionFunctionsFactory>

FrameView::FrameView(QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(viewFormat());
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
}

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

void FrameView::showFrame(std::vector<std::uint8_t>& frame, int width, int height, PixelZoom zoom, bool rgb) {
    frame_.swap(frame); // the caller's buffer comes back for the next frame
    width_ = width;
    height_ = height;
    zoom_ = zoom;
    rgb_ = rgb;
    update();
}

void FrameView::initializeGL() {
    gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_0>(context());
    if (gl_)
        gl_->initializeOpenGLFunctions();
}

void FrameView::paintGL() {
    if (!gl_)
        return;
    gl_->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl_->glClear(GL_COLOR_BUFFER_BIT);
    const std::size_t needed = static_cast<std::size_t>(width_) * height_ * (rgb_ ? 3 : 1);
    if (width_ <= 0 || height_ <= 0 || frame_.size() < needed)
        return;
    gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const qreal ratio = devicePixelRatioF();
    gl_->glPixelZoom(static_cast<GLfloat>(zoom_.x * ratio), static_cast<GLfloat>(zoom_.y * ratio));
    gl_->glRasterPos2f(-1.0f, -1.0f);
    gl_->glDrawPixels(width_, height_, rgb_ ? GL_RGB : GL_LUMINANCE, GL_UNSIGNED_BYTE, frame_.data());
    gl_->glFinish();
    ++presented_;
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
