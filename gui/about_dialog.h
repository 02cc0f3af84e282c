#pragma once

#include <QDialog>
#include <QIcon>

// The program's icon: the four-bar target, drawn rather than stored.
QIcon programIcon();

// "About Tervix": the icon, the version and three lines about the program.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
