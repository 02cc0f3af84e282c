#include "gui/campaign_view.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Three decimals, as the readout and the report give a difference; a dash where there is no value.
QString kelvin(const std::optional<double>& value) {
    return value ? QString::number(*value, 'f', 3) : u"\u2014"_s;
}

// The model observer's mean MRTD at the group's frequency, when it measured the group's slot and bars.
std::optional<double> objectiveMrtdOf(const SessionGroup& g, const ObjectiveBySlot& objective) {
    const auto run = objective.find(g.slot);
    if (run == objective.end() || run->second.horizontalBars != (g.orientation == orientationHorizontal))
        return std::nullopt;
    for (const FrequencyResult& f : run->second.frequencies)
        if (std::abs(f.frequency - g.frequency) < 1e-9 && f.mrtd.valued > 0)
            return f.mrtd.mean;
    return std::nullopt;
}

} // namespace

CampaignView::CampaignView(QWidget* parent) : QWidget(parent) {
    setObjectName(u"campaign"_s);
    setAccessibleName(u"Campaign"_s);
    table_ = new QTableWidget(0, Columns, this);
    table_->setObjectName(u"campaignTable"_s);
    table_->setAccessibleName(u"Campaign statistics"_s);
    table_->setHorizontalHeaderLabels({u"Slot"_s, u"Camera file"_s, u"Image model"_s, u"Bars"_s, u"Frequency"_s,
                                       u"Observer"_s, u"Mean + [K]"_s, u"Mean \u2212 [K]"_s, u"MRTD [K]"_s,
                                       u"95 % interval [K]"_s, u"n"_s, u"Meets the standard"_s, u"Model observer [K]"_s,
                                       u"Observers / model"_s});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
}

QString CampaignView::groupRowName() {
    return u"All observers"_s;
}

void CampaignView::showGroups(const std::vector<SessionGroup>& groups, const ObjectiveBySlot& objective) {
    table_->setRowCount(0);
    auto addRow = [this](const SessionGroup& g, const QStringList& rest, bool group) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QStringList cells = QStringList{QString::number(g.slot), QString::fromStdString(g.cameraFile),
                                              QString::fromStdString(g.imageModel),
                                              QString::fromStdString(g.orientation), QString::number(g.frequency)} +
                                  rest;
        for (int column = 0; column < Columns; ++column) {
            auto* item = new QTableWidgetItem(cells.value(column));
            QFont font = item->font();
            font.setBold(group);
            item->setFont(font);
            table_->setItem(row, column, item);
        }
    };
    for (const SessionGroup& g : groups) {
        for (const ObserverMrtd& o : g.perObserver)
            addRow(g, {QString::fromStdString(o.observer), kelvin(o.plus), kelvin(o.minus), kelvin(o.mrtd)}, false);
        const QString interval = g.ci95 ? kelvin(g.ci95->first) + u" \u2026 "_s + kelvin(g.ci95->second) : u"\u2014"_s;
        const std::optional<double> model = objectiveMrtdOf(g, objective);
        const QString ratio = model && g.mean && *model > 0.0 ? QString::number(*g.mean / *model, 'f', 2) : u"\u2014"_s;
        addRow(g,
               {groupRowName(), QString(), QString(), kelvin(g.mean), interval, QString::number(g.observers),
                g.meetsStandard ? u"yes"_s : u"no"_s, kelvin(model), ratio},
               true);
        if (model) {
            const ObjectiveMrtd& run = objective.at(g.slot);
            table_->item(table_->rowCount() - 1, Objective)->setToolTip(QString::fromStdString(run.viewing));
        }
    }
    table_->resizeColumnsToContents();
}
