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
class ViewGlWindow;

// The image view: an 8-bit grey frame magnified by a pixel zoom from the lower-left corner, black
// around it. Mouse clicks are ignored.
//
// What a frame costs is the image's area, not the screen's: the view is either its own native
// OpenGL window inside the console (drawn with the fixed-function pixel path, as the view has always
// drawn), or a plain widget painting the magnified image; either way nothing else of the console is
// drawn again for a frame.
class FrameView : public QWidget {
    Q_OBJECT
public:
    enum class Presentation { GlWindow, Image };

    explicit FrameView(QWidget* parent = nullptr);
    ~FrameView() override;

    // Double-buffered, in the compatibility profile that glDrawPixels needs.
    static QSurfaceFormat viewFormat();
    // The presentation of views made from now on (the image widget unless told otherwise).
    static void setPresentation(Presentation presentation);
    static Presentation presentation();
    // Every view appends "seconds frame" to this file for each frame it presents (monotonic time in
    // seconds, frames counted from 1 per view); an empty path stops the log. False when the file
    // cannot be opened for appending.
    static bool setFrameLog(const QString& path);

    // Takes the frame to draw at the next paint (the first width x height bytes, row 0 at the bottom).
    void showFrame(std::vector<std::uint8_t>& frame, int width, int height, PixelZoom zoom, bool rgb = false);
    // Frames presented since the view was made (counted when the frame reaches the screen: at the
    // buffer swap, or when the painted image is handed to the window), and the bytes of the last one.
    long long presentedFrames() const { return presented_; }
    const std::vector<std::uint8_t>& currentFrame() const { return frame_; }
    // The view's picture as it is on the screen.
    QImage grabFramebuffer();

    // The magnified picture of a frame at the view's size: image column of each view column and image
    // row of each view row (-1 outside the image), as the pixel zoom covers pixel centres.
    static std::vector<int> zoomedIndex(int viewPixels, int imagePixels, double zoom, bool bottomUp);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(class QMouseEvent* event) override;
    void mouseReleaseEvent(class QMouseEvent* event) override;

private:
    friend class ViewGlWindow;
    void framePresented();
    // The frame magnified into picture_ (the image presentation).
    void magnify();

    std::vector<std::uint8_t> frame_;
    int width_ = 0;
    int height_ = 0;
    bool rgb_ = false;
    PixelZoom zoom_;
    long long presented_ = 0;
    ViewGlWindow* glWindow_ = nullptr; // owned by its container, a child of this view
    QWidget* container_ = nullptr;
    QImage picture_;
    std::vector<int> columns_, rows_;
};

// Checks that a drawing context of the view's format can be had: "ChoosePixelFormat failed" when
// none can be created, "SetPixelFormat failed" when it cannot be made current.
bool SetupViewPixelFormat(MessageSink& messages);
