#pragma once

#include "sim/display.h"

#include <QImage>
#include <QSurfaceFormat>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class MessageSink;
class QFile;
class QOffscreenSurface;
class QOpenGLContext;

// The image view: an 8-bit grey frame magnified by a pixel zoom from the lower-left corner, black
// around it, exactly as glDrawPixels draws it. Mouse clicks are ignored.
//
// What a frame costs is the image's area, not the screen's: the view is a plain widget that paints
// the magnified picture, opaque, so that nothing else of the console is drawn again for a frame (a
// GL view inside the window made the whole window be composed again at every frame).
class FrameView : public QWidget {
    Q_OBJECT
public:
    explicit FrameView(QWidget* parent = nullptr);
    ~FrameView() override;

    // Double-buffered, in the compatibility profile that glDrawPixels needs.
    static QSurfaceFormat viewFormat();
    // Every view appends "seconds frame" to this file for each frame it presents (monotonic time in
    // seconds, frames counted from 1 per view); an empty path stops the log. False when the file
    // cannot be opened for appending.
    static bool setFrameLog(const QString& path);

    // Takes the frame to draw at the next paint (the first width x height bytes, row 0 at the bottom).
    void showFrame(std::vector<std::uint8_t>& frame, int width, int height, PixelZoom zoom, bool rgb = false);
    // Frames presented since the view was made (counted when the painted frame is handed to the
    // window's buffer, which goes to the screen at once), and the bytes of the last one.
    long long presentedFrames() const { return presented_; }
    const std::vector<std::uint8_t>& currentFrame() const { return frame_; }
    // The view's picture as it is on the screen.
    QImage grabFramebuffer();
    // Shows the picture magnified by a whole factor, nearest neighbour, centred on a point of the
    // frame (frame pixels, rows from the bottom); a factor of 1 shows it as it is.
    void setMagnifier(int factor, QPointF centre);

Q_SIGNALS:
    // A frame went to the screen (the soak and other watchers count them).
    void frameShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(class QMouseEvent* event) override;
    void mouseReleaseEvent(class QMouseEvent* event) override;

private:
    void framePresented();
    // The frame magnified into picture_ (the image presentation).
    void magnify();
    // The frame pixel (row-major offset, rows from the bottom) each picture pixel shows, -1 outside
    // the image, for the view's size and the frame's size and zoom: as glDrawPixels places it, asked
    // once per zoom, so that the picture is the one the GL pipeline draws; without GL, the pixel whose
    // zoomed square holds the picture pixel's centre.
    void placePixels(int viewWidth, int viewHeight);

    std::vector<std::uint8_t> frame_;
    int width_ = 0;
    int height_ = 0;
    bool rgb_ = false;
    PixelZoom zoom_;
    int magnifier_ = 1;
    QPointF magnifierCentre_;
    long long presented_ = 0;
    QImage picture_;
    struct ZoomKey {
        int viewWidth = -1, viewHeight = -1, width = -1, height = -1;
        double zoomX = 0.0, zoomY = 0.0;
        bool operator==(const ZoomKey&) const = default;
    } zoomKey_;
    std::vector<std::int32_t> source_; // per picture pixel, top row first
    // Per picture row, the first frame pixel when the row shows consecutive frame pixels (no zoom
    // across it), else -1: such rows are copied without looking each pixel up.
    std::vector<std::int32_t> straightRows_;
    // Placements of the last few zooms: jitter moves between the steady zoom and a few others.
    struct Placement {
        ZoomKey key;
        std::vector<std::int32_t> source;
    };
    std::vector<Placement> placements_;
    // A small GL context of the view's format, used only to learn how glDrawPixels places a zoom.
    std::unique_ptr<QOpenGLContext> probeContext_;
    std::unique_ptr<QOffscreenSurface> probeSurface_;
    bool probeFailed_ = false;
};

// Checks that a drawing context of the view's format can be had: "ChoosePixelFormat failed" when
// none can be created, "SetPixelFormat failed" when it cannot be made current.
bool SetupViewPixelFormat(MessageSink& messages);
