#include "gui/about_dialog.h"

#include "text/version.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

using namespace Qt::StringLiterals;

QIcon programIcon() {
    QIcon icon;
    for (int side : {16, 32, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(QColor(0x41, 0x49, 0x50));
        QPainter painter(&pixmap);
        const double period = side / 4.5;
        for (int k = 0; k < 4; ++k)
            painter.fillRect(QRectF(side / 8.0 + k * period, side / 8.0, period / 2, side * 0.75), Qt::white);
        icon.addPixmap(pixmap);
    }
    return icon;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(u"About Tervix"_s);
    auto* layout = new QGridLayout(this);
    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(programIcon().pixmap(32, 32));
    layout->addWidget(iconLabel, 0, 0, 4, 1, Qt::AlignTop);
    layout->addWidget(new QLabel(u"Tervix Version "_s + QString::fromLatin1(tervixVersion), this), 0, 1);
    layout->addWidget(new QLabel(u"A virtual test bench for thermal imaging cameras."_s, this), 1, 1);
    layout->addWidget(new QLabel(u"It simulates the image of a four-bar target seen through the atmosphere"_s, this), 2,
                      1);
    layout->addWidget(new QLabel(u"and records the observer's MRTD for five camera slots."_s, this), 3, 1);
    auto* ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName("1");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 4, 1, Qt::AlignRight);
}
