#pragma once

#include "console/target_loader.h"

#include <QDialog>
#include <QImage>

class MessageSink;
class QListWidget;

// The target loader's dialog: it lists the target files and the loaded target's items and holds
// the preview. It runs inside Load/Edit and ends with OK before it is ever shown.
class TargetGalleryDialog : public QDialog, public TargetPreview {
    Q_OBJECT
public:
    TargetGalleryDialog(MessageSink& messages, QWidget* parent = nullptr);

    int previewWidth() const override;
    int previewHeight() const override;
    bool setUp() override;
    void draw(const SimState& sim) override;
    void loaded(const std::vector<std::string>& targetFiles, const std::vector<std::string>& objectLabels) override;

    // The last preview rendered, as the preview control would show it.
    const QImage& previewImage() const { return previewImage_; }
    bool hasDrawingContext() const { return contextReady_; }

private:
    MessageSink& messages_;
    QListWidget* targets_ = nullptr;
    QListWidget* objects_ = nullptr;
    QWidget* preview_ = nullptr;
    QImage previewImage_;
    bool contextReady_ = false;
};
