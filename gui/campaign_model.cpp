#include "gui/campaign_model.h"

#include "console/bench.h"
#include "console/session_statistics.h"
#include "drawing/record_rows.h"
#include "gui/bench_signals.h"

#include <QFont>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

std::vector<CampaignModel::Row> rowsOf(const Session& session) {
    std::vector<CampaignModel::Row> rows;
    for (const SessionGroup& g : sessionStatistics(session)) {
        const GroupCells group = groupCells(g);
        const QStringList head{QString::number(g.slot), QString::fromStdString(g.cameraFile),
                               QString::fromStdString(g.imageModel), QString::fromStdString(g.orientation),
                               group.frequency};
        const QString key = head.join(u'\x1f') + u'\x1f';
        for (const ObserverMrtd& o : g.perObserver) {
            const ObserverCells cells = observerCells(o);
            rows.push_back({key + u"o"_s + cells.observer,
                            head + QStringList{cells.observer, cells.plus, cells.minus, cells.mrtd},
                            false,
                            {}});
        }
        const ObjectiveRun* run =
            objectiveRunBeside(session.objectiveRuns, g.slot, g.cameraFile, g.imageModel, g.orientation);
        const RunFrequency* measured = run ? runFrequencyAt(*run, g.frequency) : nullptr;
        const std::optional<double> model =
            measured && measured->mrtd.hasMean() ? std::optional(measured->mrtd.mean) : std::nullopt;
        const QString ratio = model && g.mean ? QString::number(*g.mean / *model, 'f', 2) : noValueText();
        rows.push_back({key + u"g"_s,
                        head + QStringList{CampaignModel::groupRowName(), QString(), QString(), group.mean,
                                           group.interval, group.observers, group.meets, kelvinText(model), ratio},
                        true, model ? QString::fromStdString(run->viewing.words) : QString()});
    }
    return rows;
}

} // namespace

CampaignModel::CampaignModel(const BenchSignals& bench, QObject* parent)
    : QAbstractTableModel(parent), bench_(bench.bench()) {
    for (auto signal : {&BenchSignals::readingRecorded, &BenchSignals::readingStruck, &BenchSignals::objectiveRunAdded})
        connect(&bench, signal, this, &CampaignModel::rederive);
    connect(&bench, &BenchSignals::stateChanged, this, &CampaignModel::rederive);
    rederive();
}

QString CampaignModel::groupRowName() {
    return u"All observers"_s;
}

void CampaignModel::rederive() {
    const std::vector<Row> next = bench_.blind() ? std::vector<Row>{} : rowsOf(bench_.session());
    // Rows keep their order from one derivation to the next: a group's place follows its key and an
    // observer's their first reading. So one walk finds the rows to insert, change and remove.
    QSet<QString> ahead;
    for (const Row& row : rows_)
        ahead.insert(row.key);
    int at = 0;
    for (const Row& row : next) {
        if (ahead.contains(row.key)) {
            // Rows gone since (an observer's readings all struck) leave before the one that stays.
            int stays = at;
            while (rows_[static_cast<std::size_t>(stays)].key != row.key)
                ahead.remove(rows_[static_cast<std::size_t>(stays++)].key);
            if (stays > at) {
                beginRemoveRows({}, at, stays - 1);
                rows_.erase(rows_.begin() + at, rows_.begin() + stays);
                endRemoveRows();
            }
            ahead.remove(row.key);
            if (!(rows_[static_cast<std::size_t>(at)] == row)) {
                rows_[static_cast<std::size_t>(at)] = row;
                emit dataChanged(index(at, 0), index(at, Columns - 1));
            }
        } else {
            beginInsertRows({}, at, at);
            rows_.insert(rows_.begin() + at, row);
            endInsertRows();
        }
        ++at;
    }
    if (at < static_cast<int>(rows_.size())) {
        beginRemoveRows({}, at, static_cast<int>(rows_.size()) - 1);
        rows_.resize(static_cast<std::size_t>(at));
        endRemoveRows();
    }
}

int CampaignModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CampaignModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant CampaignModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole)
        return row.cells.value(index.column());
    if (role == Qt::FontRole && row.group) {
        QFont font;
        font.setBold(true);
        return font;
    }
    if (role == Qt::ToolTipRole && index.column() == Objective && !row.objectiveTip.isEmpty())
        return row.objectiveTip;
    return {};
}

QVariant CampaignModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList titles{u"Slot"_s,
                                    u"Camera file"_s,
                                    u"Image model"_s,
                                    u"Bars"_s,
                                    u"Frequency"_s,
                                    u"Observer"_s,
                                    u"Mean + [K]"_s,
                                    u"Mean \u2212 [K]"_s,
                                    u"MRTD [K]"_s,
                                    u"95 % interval [K]"_s,
                                    u"n"_s,
                                    u"Meets the standard"_s,
                                    u"Model observer [K]"_s,
                                    u"Observers / model"_s};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return titles.value(section);
}
