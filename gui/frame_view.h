#pragma once

#include "sim/display.h"

#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include <cstdint>
#include <vector>

class MessageSink;
class QOpenGLFunctions_2_0;

// The image view: draws an 8-bit grey frame magnified by a pixel zoom from the lower-left corner,
// with the fixed-function pixel path. Mouse clicks are ignored.
class FrameView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit FrameView(QWidget* parent = nullptr);

    // Double-buffered, in the compatibility profile that glDrawPixels needs.
    static QSurfaceFormat viewFormat();

    // Takes the frame to draw at the next paint (the first width x height bytes, row 0 at the bottom).
    void showFrame(std::vector<std::uint8_t>& frame, int width, int height, PixelZoom zoom, bool rgb = false);
    // Frames presented since the view was made, and the bytes of the last one.
    long long presentedFrames() const { return presented_; }
    const std::vector<std::uint8_t>& currentFrame() const { return frame_; }

protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(class QMouseEvent* event) override;
    void mouseReleaseEvent(class QMouseEvent* event) override;

private:
    std::vector<std::uint8_t> frame_;
    int width_ = 0;
    int height_ = 0;
    bool rgb_ = false;
    PixelZoom zoom_;
    QOpenGLFunctions_2_0* gl_ = nullptr;
    long long presented_ = 0;
};

// Checks that a drawing context of the view's format can be had: "ChoosePixelFormat failed" when
// none can be created, "SetPixelFormat failed" when it cannot be made current.
bool SetupViewPixelFormat(MessageSink& messages);
