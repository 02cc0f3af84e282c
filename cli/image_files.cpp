#include "cli/image_files.h"

#include "text/output_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cstring>
#include <sstream>

namespace {

bool writeGreyPng(const std::uint8_t* pixels, std::size_t stride, std::size_t step, int width, int height,
                  const std::string& path, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "cannot write '" + path + "': the image is empty";
        return false;
    }
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int row = 0; row < height; ++row) {
        uchar* line = image.scanLine(height - 1 - row);
        const std::uint8_t* in = pixels + static_cast<std::size_t>(row) * stride;
        for (int i = 0; i < width; ++i)
            line[i] = in[static_cast<std::size_t>(i) * step];
    }
    return writePng(image, path, error);
}

} // namespace

bool writePng(const QImage& image, const std::string& path, std::string& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = "cannot write '" + path + "': the image cannot be encoded as PNG";
        return false;
    }
    return writeOutputFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}

bool writeDisplayImagePng(const SimState& sim, const std::string& path, std::string& error) {
    return writeGreyPng(sim.displayImage.data(), static_cast<std::size_t>(sim.imageWidth) * 3, 3, sim.imageWidth,
                        sim.imageHeight, path, error);
}

bool writeGreyFramePng(const std::vector<std::uint8_t>& frame, int width, int height, const std::string& path,
                       std::string& error) {
    return writeGreyPng(frame.data(), static_cast<std::size_t>(width), 1, width, height, path, error);
}

bool writeSensorImagePfm(const SimState& sim, const std::string& path, std::string& error) {
    std::ostringstream out;
    // A negative scale says little-endian; PFM keeps its rows bottom-up, as the buffer does.
    out << "Pf\n" << sim.imageWidth << ' ' << sim.imageHeight << "\n-1.0\n";
    out.write(reinterpret_cast<const char*>(sim.sceneImage.data()),
              static_cast<std::streamsize>(sizeof(float) * static_cast<std::size_t>(sim.imageWidth) * sim.imageHeight));
    return writeOutputFile(path, out.view(), error);
}
