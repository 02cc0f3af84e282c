#include "cli/image_files.h"

#include <QImage>
#include <QString>

#include <cstring>
#include <fstream>

namespace {

bool writeGreyPng(const std::uint8_t* pixels, std::size_t stride, std::size_t step, int width, int height,
                  const std::string& path) {
    if (width <= 0 || height <= 0)
        return false;
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int row = 0; row < height; ++row) {
        uchar* line = image.scanLine(height - 1 - row);
        const std::uint8_t* in = pixels + static_cast<std::size_t>(row) * stride;
        for (int i = 0; i < width; ++i)
            line[i] = in[static_cast<std::size_t>(i) * step];
    }
    return image.save(QString::fromStdString(path), "PNG");
}

} // namespace

bool writeDisplayImagePng(const SimState& sim, const std::string& path) {
    return writeGreyPng(sim.displayImage.data(), static_cast<std::size_t>(sim.imageWidth) * 3, 3, sim.imageWidth,
                        sim.imageHeight, path);
}

bool writeGreyFramePng(const std::vector<std::uint8_t>& frame, int width, int height, const std::string& path) {
    return writeGreyPng(frame.data(), static_cast<std::size_t>(width), 1, width, height, path);
}

bool writeSensorImagePfm(const SimState& sim, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    // A negative scale says little-endian; PFM keeps its rows bottom-up, as the buffer does.
    out << "Pf\n" << sim.imageWidth << ' ' << sim.imageHeight << "\n-1.0\n";
    out.write(reinterpret_cast<const char*>(sim.sceneImage.data()),
              static_cast<std::streamsize>(sizeof(float) * static_cast<std::size_t>(sim.imageWidth) * sim.imageHeight));
    return static_cast<bool>(out);
}
