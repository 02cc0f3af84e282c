#include "gui/target_gallery_dialog.h"

#include "gui/frame_view.h"

#include <QListWidget>

using namespace Qt::StringLiterals;

namespace {
// The preview control's client size in the dialog's template, in pixels.
constexpr int previewSide = 270;
} // namespace

TargetGalleryDialog::TargetGalleryDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
    setWindowTitle(u"Loading  / Editing of targets"_s);
    resize(860, 498); // 430 x 249 dialog units
    targets_ = new QListWidget(this);
    targets_->setObjectName("1023");
    targets_->setAccessibleName(u"Target files"_s);
    targets_->setGeometry(10, 10, 200, 220);
    objects_ = new QListWidget(this);
    objects_->setObjectName("1022");
    objects_->setAccessibleName(u"Target items"_s);
    objects_->setGeometry(10, 240, 200, 240);
    preview_ = new QWidget(this);
    preview_->setObjectName("1062");
    preview_->setAccessibleName(u"Target preview"_s);
    preview_->setGeometry(230, 10, previewSide, previewSide);
}

int TargetGalleryDialog::previewWidth() const {
    return preview_->width();
}
int TargetGalleryDialog::previewHeight() const {
    return preview_->height();
}

bool TargetGalleryDialog::setUp() {
    contextReady_ = SetupViewPixelFormat(messages_);
    return contextReady_;
}

void TargetGalleryDialog::draw(const SimState& sim) {
    // The preview is drawn once its context exists; the loader sets that up only after loading,
    // so what stays is the rendered preview itself.
    if (sim.imageWidth <= 0 || sim.imageHeight <= 0 || sim.displayImage.empty())
        return;
    QImage image(sim.displayImage.data(), sim.imageWidth, sim.imageHeight, sim.imageWidth * 3, QImage::Format_RGB888);
    previewImage_ = image.mirrored(false, true); // rows run bottom-up in the buffer
}

void TargetGalleryDialog::loaded(const std::vector<std::string>& targetFiles,
                                 const std::vector<std::string>& objectLabels) {
    targets_->clear();
    for (const std::string& name : targetFiles)
        targets_->addItem(QString::fromStdString(name));
    objects_->clear();
    for (const std::string& label : objectLabels)
        objects_->addItem(QString::fromStdString(label));
}
