// The window's menu bar, Display group and exports, through what assistive tools and the eye see.
#include "cli_run.h"
#include "console/control_ids.h"
#include "gui/frame_view.h"
#include "started_bench.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QMenuBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace controlId;

namespace {

// A bench in a working folder of its own, noise off so that the picture holds still.
struct WindowBench : StartedBench {
    static std::string folder(const QTemporaryDir& dir) {
        for (QString name : {u"camera1.par"_s, u"mira.tag"_s, u"Atmosphere.ini"_s})
            QFile::copy(QString::fromUtf8(TERVIX_SHIPPED_DATA_DIR) + u'/' + name, dir.filePath(name));
        QDir::setCurrent(dir.path());
        qputenv("XDG_DATA_HOME", dir.filePath(u"data"_s).toLocal8Bit());
        return dir.filePath(u"tervix"_s).toStdString();
    }
    explicit WindowBench(const QTemporaryDir& dir) : StartedBench(folder(dir)) { console->toggleNoise(); }
    void trigger(const QString& text) const {
        for (QAction* action : console->findChildren<QAction*>())
            if (action->text() == text)
                return action->trigger();
        QFAIL(qPrintable(text));
    }
};

// Every name under an accessible object, shown or not (a closed menu's entries are not shown).
void collectNames(QAccessibleInterface* a, QStringList& names) {
    for (int k = 0; a && k < a->childCount(); ++k) {
        names << a->child(k)->text(QAccessible::Name);
        collectNames(a->child(k), names);
    }
}

// The widest run of bright pixels in a row of the picture: the bars, end to end.
int barsWidth(const QImage& picture) {
    int widest = 0;
    for (int y = 0; y < picture.height(); ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) > 200) {
                first = first < 0 ? x : first;
                last = x;
            }
        widest = std::max(widest, first < 0 ? 0 : last - first + 1);
    }
    return widest;
}

} // namespace

class WindowMenuTest : public QObject {
    Q_OBJECT
private slots:
    void theMenuBarHoldsEveryEntryAndTheDisplayGroupItsControls() {
        QTemporaryDir dir;
        WindowBench bench(dir);
        QStringList names;
        collectNames(QAccessible::queryAccessibleInterface(bench.console->menuBar()), names);
        for (const QString& entry :
             {u"Session"_s,       u"New session"_s,    u"Open session..."_s, u"Save table..."_s,
              u"Export CSV..."_s, u"Export JSON..."_s, u"Report..."_s,       u"Close"_s,
              u"Measurement"_s,   u"Apply"_s,          u"Not recognized"_s,  u"Objective MRTD"_s,
              u"Image model"_s,   u"Specified"_s,      u"Physical"_s,        u"Randomise position"_s,
              u"View"_s,          u"View value"_s,     u"Magnifier"_s,       u"\u00d71"_s,
              u"\u00d78"_s,       u"Help"_s,           u"About Tervix..."_s})
            QVERIFY2(names.contains(entry), qPrintable(entry));
        QStringList shown;
        collectNames(QAccessible::queryAccessibleInterface(bench.control<QWidget>(displayGroup)), shown);
        for (const QString& name : {u"Level"_s, u"Contrast"_s, u"Automatic level and contrast"_s, u"Magnifier"_s})
            QVERIFY2(shown.contains(name), qPrintable(name));
        QCOMPARE(QAccessible::queryAccessibleInterface(bench.control<QWidget>(displayGroup))->text(QAccessible::Name),
                 u"Display"_s);
        // At the smallest and a large screen nothing the window shows overlaps.
        for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
            bench.console->setWindowState(Qt::WindowNoState);
            bench.console->setGeometry(QRect(QPoint(0, 0), size));
            QTRY_COMPARE(bench.console->size(), size);
            QVERIFY(bench.console->grab().save((u"%1/window_%2x%3.png"_s)
                                                   .arg(QString::fromUtf8(TERVIX_SCREENSHOT_DIR))
                                                   .arg(size.width())
                                                   .arg(size.height())));
            QList<QWidget*> placed;
            for (QWidget* w : bench.console->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (w->isVisible() && !w->objectName().isEmpty())
                    placed << w;
            for (qsizetype a = 0; a < placed.size(); ++a)
                for (qsizetype b = a + 1; b < placed.size(); ++b)
                    QVERIFY2(!placed[a]->geometry().intersects(placed[b]->geometry()),
                             qPrintable(placed[a]->objectName() + u" "_s + placed[b]->objectName()));
        }
    }

    void theMagnifierWidensTheTargetAndReadingsRecordTheDisplay() {
        QTemporaryDir dir;
        WindowBench bench(dir);
        bench.control<QAbstractButton>(frequencyRadios[1])->click();
        bench.control<QSlider>(controlId::temperatureSlider)->setValue(temperatureSliderMax);
        const int plain = barsWidth(bench.console->view()->grab().toImage());
        bench.trigger(u"\u00d74"_s);
        const int magnified = barsWidth(bench.console->view()->grab().toImage());
        QVERIFY2(plain > 10 && std::abs(magnified - 4 * plain) <= 8, qPrintable(u"%1 %2"_s.arg(plain).arg(magnified)));
        bench.control<QSlider>(levelSlider)->setValue(300);
        bench.control<QAbstractButton>(applyButton)->click();
        const ReadingDisplay display = *bench.console->core().session().readings.back().display;
        QCOMPARE(display,
                 (ReadingDisplay{false, 300, bench.control<QSlider>(contrastSlider)->value(),
                                 bench.control<QSlider>(controlId::electronicZoomSlider)->value() / 100.0, 4}));
        // The export is what the command line's session command gives for the session's file.
        const QString exported = dir.filePath(u"statistics.json"_s);
        QVERIFY(bench.console->exportStatistics(exported, true));
        const auto cli = testing_support::runCli("session --json '" + bench.console->core().recorder().path() + "'");
        QCOMPARE(cli.status, 0);
        QCOMPARE(testing_support::readText(exported.toStdString()), cli.out);
    }
};

QTEST_MAIN(WindowMenuTest)
#include "window_menu_test.moc"
