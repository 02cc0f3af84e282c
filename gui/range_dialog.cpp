#include "gui/range_dialog.h"

#include "console/bench.h"
#include "drawing/range_plot.h"
#include "drawing/session_report.h"
#include "gui/bench_settings.h"
#include "gui/bench_signals.h"
#include "measurement/range_inputs.h"
#include "measurement/range_notes.h"
#include "measurement/range_uncertainty.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The chance of each task against range, repainted from the dialog's latest prediction.
class ProbabilityPlot : public QWidget {
public:
    explicit ProbabilityPlot(const RangePrediction& prediction, QWidget* parent)
        : QWidget(parent), prediction_(prediction) {
        setMinimumSize(420, 260);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().base());
        paintRangeProbabilityPlot(painter, rect(), prediction_, palette().text().color());
    }

private:
    const RangePrediction& prediction_;
};

// The source box's entries, in its order.
enum SourceEntry { SessionEntry, ObjectiveEntry, CameraEntry };

template <class W>
W* named(W* widget, const QString& id, const QString& accessible) {
    widget->setObjectName(id);
    widget->setAccessibleName(accessible);
    return widget;
}

QDoubleSpinBox* spin(double low, double high, double step, int decimals, const QString& suffix) {
    auto* box = new QDoubleSpinBox;
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    return box;
}

// A number, or a bracket "low..high" with what limits it.
QString km(const KnownRange& range) {
    const QString text = QString::fromStdString(rangeText(range)) + u" km"_s;
    return range.bracket() ? text + u" ("_s + QString::fromLatin1(rangeLimitName(range.limitedBy)) + u")"_s : text;
}

} // namespace

RangeDialog::RangeDialog(QWidget* parent, std::function<RangeInputs()> inputs)
    : QDialog(parent), inputs_(std::move(inputs)) {
    setObjectName(u"rangeDialog"_s);
    setAccessibleName(u"Range"_s);
    setWindowTitle(u"Range"_s);
    source_ = named(new QComboBox, u"rangeSource"_s, u"MRTD source"_s);
    source_->addItems({u"Session observers"_s, u"Last objective run"_s, u"Camera file curves"_s});
    target_ = named(new QComboBox, u"rangeTarget"_s, u"Target"_s);
    for (const TargetPreset& preset : targetPresets)
        target_->addItem(QString::fromLatin1(preset.name));
    target_->addItem(u"custom"_s);
    width_ = named(spin(0.01, 100, 0.1, 2, u" m"_s), u"rangeWidth"_s, u"Target width"_s);
    height_ = named(spin(0.01, 100, 0.1, 2, u" m"_s), u"rangeHeight"_s, u"Target height"_s);
    dt_ = named(spin(0.01, 50, 0.1, 2, u" K"_s), u"rangeDt"_s, u"Target temperature difference"_s);
    atmosphere_ = named(new QComboBox, u"rangeAtmosphere"_s, u"Atmosphere"_s);
    for (const AtmospherePreset& preset : atmospherePresets)
        atmosphere_->addItem(QString::fromLatin1(preset.name));
    atmosphere_->addItem(u"custom"_s);
    extinction_ = named(spin(0.0, 20, 0.05, 3, u" /km"_s), u"rangeExtinction"_s, u"Extinction coefficient"_s);
    criteria_ = named(new QComboBox, u"rangeCriteria"_s, u"Criteria"_s);
    criteria_->addItems({u"johnson"_s, u"2d"_s, u"custom"_s});
    custom_ =
        named(new QLineEdit, u"rangeCustomCriteria"_s, u"Custom N50 for detection, recognition, identification"_s);
    dimension_ = named(new QComboBox, u"rangeDimension"_s, u"Critical dimension"_s);
    dimension_->addItems({u"sqrt"_s, u"min"_s});
    table_ = named(new QTableWidget(0, 7), u"rangeTable"_s, u"Ranges"_s);
    table_->setHorizontalHeaderLabels(
        {u"Task"_s, u"N50"_s, u"Range"_s, u"95 % interval"_s, u"Frequency"_s, u"Cycles"_s, u"Pixels"_s});
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    notes_ = named(new QLabel, u"rangeNotes"_s, u"Notes"_s);
    notes_->setWordWrap(true);
    plot_ = named(new ProbabilityPlot(prediction_, this), u"rangePlot"_s, u"Probability against range"_s);

    const QSettings settings(settingsOrganisation, settingsApplication);
    source_->setCurrentIndex(settings.value(u"range/source"_s, 0).toInt());
    target_->setCurrentText(settings.value(u"range/target"_s, u"nato"_s).toString());
    width_->setValue(settings.value(u"range/width"_s, targetPresets[0].width).toDouble());
    height_->setValue(settings.value(u"range/height"_s, targetPresets[0].height).toDouble());
    dt_->setValue(settings.value(u"range/dt"_s, targetPresets[0].dt).toDouble());
    atmosphere_->setCurrentText(settings.value(u"range/atmosphere"_s, u"clear"_s).toString());
    extinction_->setValue(settings.value(u"range/extinction"_s, atmospherePresets[0].extinction).toDouble());
    criteria_->setCurrentText(settings.value(u"range/criteria"_s, u"johnson"_s).toString());
    custom_->setText(settings.value(u"range/custom"_s, u"1,4,6.4"_s).toString());
    dimension_->setCurrentText(settings.value(u"range/dimension"_s, u"sqrt"_s).toString());

    auto* form = new QFormLayout;
    form->addRow(u"Source"_s, source_);
    form->addRow(u"Target"_s, target_);
    auto* size = new QHBoxLayout;
    size->addWidget(width_);
    size->addWidget(height_);
    form->addRow(u"Width × height"_s, size);
    form->addRow(u"ΔT₀"_s, dt_);
    auto* air = new QHBoxLayout;
    air->addWidget(atmosphere_);
    air->addWidget(extinction_);
    form->addRow(u"Atmosphere, extinction σ"_s, air);
    form->addRow(u"Criteria"_s, criteria_);
    form->addRow(u"Custom N50 (D,R,I)"_s, custom_);
    form->addRow(u"Critical dimension"_s, dimension_);
    // The settings beside the table, so that on a 1024 × 768 screen the table shows its four rows and
    // the plot keeps the rest; the notes take the height their wrapped text needs, below the plot.
    const int rowHeight = table_->verticalHeader()->defaultSectionSize();
    table_->setMinimumHeight(table_->horizontalHeader()->sizeHint().height() + 4 * rowHeight +
                             2 * table_->frameWidth() + table_->horizontalScrollBar()->sizeHint().height());
    plot_->setMinimumHeight(160);
    notes_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    auto* top = new QHBoxLayout;
    top->addLayout(form);
    top->addWidget(table_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(plot_, 1);
    layout->addWidget(notes_);

    connect(target_, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        if (const auto preset = targetFromText(name.toStdString()); preset && name != u"custom"_s) {
            width_->setValue(preset->width);
            height_->setValue(preset->height);
        }
        scenarioChanged();
    });
    connect(atmosphere_, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        if (const auto preset = extinctionFromText(name.toStdString()))
            extinction_->setValue(*preset);
        scenarioChanged();
    });
    for (QDoubleSpinBox* box : {width_, height_, dt_, extinction_})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { scenarioChanged(); });
    for (QComboBox* box : {source_, criteria_, dimension_})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { scenarioChanged(); });
    connect(custom_, &QLineEdit::editingFinished, this, [this] { scenarioChanged(); });
    refresh();
}

RangeScenario RangeDialog::scenario() const {
    RangeScenario s;
    s.target = {target_->currentText().toStdString(), width_->value(), height_->value(), dt_->value()};
    s.extinction = extinction_->value();
    const auto criteria =
        criteriaFromText(criteria_->currentText() == u"custom"_s ? custom_->text().toStdString()
                                                                 : criteria_->currentText().toStdString());
    s.criteria = criteria ? *criteria : *criteriaFromText("johnson");
    s.dimension = *dimensionFromName(dimension_->currentText().toStdString());
    s.probabilities = {0.9};
    return s;
}

void RangeDialog::remember() const {
    QSettings settings(settingsOrganisation, settingsApplication);
    settings.setValue(u"range/source"_s, source_->currentIndex());
    settings.setValue(u"range/target"_s, target_->currentText());
    settings.setValue(u"range/width"_s, width_->value());
    settings.setValue(u"range/height"_s, height_->value());
    settings.setValue(u"range/dt"_s, dt_->value());
    settings.setValue(u"range/atmosphere"_s, atmosphere_->currentText());
    settings.setValue(u"range/extinction"_s, extinction_->value());
    settings.setValue(u"range/criteria"_s, criteria_->currentText());
    settings.setValue(u"range/custom"_s, custom_->text());
    settings.setValue(u"range/dimension"_s, dimension_->currentText());
}

void RangeDialog::scenarioChanged() {
    // Only a choice of the user's is remembered; new readings leave the settings file alone.
    remember();
    refresh();
}

void RangeDialog::refresh() {
    const RangeInputs in = inputs_();
    // The slot's camera file is the bench's: the model observer ran on it, its curves are the source's.
    const std::string cameraFile = Bench::cameraFileOf(in.slot - 1);
    RangeSource source = CameraCurvesSource{cameraFile};
    if (source_->currentIndex() == SessionEntry)
        source = SessionSource{in.groups, in.slot};
    else if (source_->currentIndex() == ObjectiveEntry)
        source = ObjectiveRunsSource{in.objective};
    std::string error;
    const auto mrtd = assembleRangeMrtd(source, localPaths(in.cameraFolders), error);
    prediction_ = mrtd ? predictRanges(*mrtd, scenario()) : RangePrediction{};
    if (mrtd)
        addRangeIntervals(prediction_, *mrtd);
    showPrediction(error);
}

void RangeDialog::showPrediction(const std::string& refusal) {
    table_->setRowCount(static_cast<int>(prediction_.tasks.size()));
    for (int row = 0; row < table_->rowCount(); ++row) {
        const TaskRange& t = prediction_.tasks[static_cast<std::size_t>(row)];
        const QStringList cells{
            QString::fromStdString(t.task.task),
            QString::number(t.task.n50),
            km(t.crossing),
            t.ci95 ? QString::fromStdString(kmText(t.ci95->first) + " … " + kmText(t.ci95->second, t.ciBound) + " km")
                   : u"–"_s,
            QString::number(t.crossing.frequency, 'f', 3) + u" cycles/mrad"_s,
            QString::number(t.cycles, 'f', 2),
            t.pixels ? QString::number(*t.pixels, 'f', 1) : u"–"_s};
        for (int column = 0; column < cells.size(); ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    if (!refusal.empty()) {
        notes_->setText(QString::fromStdString(refusal));
        plot_->update();
        return;
    }
    QStringList lines{QString::fromStdString(prediction_.source.empty() ? "No MRTD from this source yet."
                                                                        : "Source: " + prediction_.source)};
    QStringList ttp;
    for (const TtpRange& t : prediction_.ttp)
        ttp << QString::fromStdString(t.task) + u" "_s + km(t);
    lines << u"TTP metric: "_s + ttp.join(u", "_s);
    for (const std::string& note : rangeNotes(prediction_))
        lines << QString::fromStdString(note);
    notes_->setText(lines.join(u"\n"_s));
    plot_->update();
}

QAction* rangeAction(QWidget* console, const BenchSignals& bench, std::function<RangeInputs()> inputs) {
    auto* action = new QAction(u"Range..."_s, console);
    action->setObjectName(QString::fromLatin1(rangeActionName));
    QObject::connect(
        action, &QAction::triggered, console, [console, &bench, inputs, open = QPointer<RangeDialog>()]() mutable {
            if (!open) {
                open = new RangeDialog(console, inputs);
                open->setAttribute(Qt::WA_DeleteOnClose);
                for (auto signal :
                     {&BenchSignals::readingRecorded, &BenchSignals::readingStruck, &BenchSignals::objectiveRunAdded})
                    QObject::connect(&bench, signal, open, &RangeDialog::refresh);
                QObject::connect(&bench, &BenchSignals::stateChanged, open, &RangeDialog::refresh);
            }
            open->show();
            open->raise();
        });
    return action;
}
