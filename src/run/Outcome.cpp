#include "run/Outcome.h"

#include "model/Symulacja.h"
#include "run/ScalingStudy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

Outcome Outcome::ofStatistics(const RoughnessStats& stats, int64_t runs, bool fit,
                              const std::optional<GrowthFit::TickRange>& fitRange)
{
    Outcome out;
    out.runs = runs;
    if (stats.ticks() > 0) {
        const int64_t last = stats.ticks() - 1;
        out.finalDeposited = stats.deposited(last);
        out.finalMean = stats.mean(last);
        out.finalStddev = stats.stddev(last);
        out.finalStderr = stats.standardError(last);
        out.finalMin = stats.min(last);
        out.finalMax = stats.max(last);
    }
    if (fit)
        out.fit = GrowthFit::of(stats.means(), stats.depositedSeries(), fitRange);
    return out;
}

std::string Outcome::json(const SeriesHeader& h, bool seedFromClock, int32_t jobs) const
{
    QJsonObject settings{
        {"dep", h.ratePosition},
        {"rate", Symulacja::rateOfPosition(h.ratePosition)},
        {"max", QString::fromStdString(h.maxText)},
        {"relax", QString::fromStdString(h.relaxText)},
        {"zmode", h.zmode},
        {"z", h.z},
        {"zx", h.zx},
        {"zy", h.zy},
        {"autoheight", h.autoHeight},
        {"steps", static_cast<qint64>(h.ticks)},
        {"rng", generatorName(h.generator)},
    };
    if (!h.configFile.empty())
        settings["config"] = QString::fromStdString(h.configFile);
    if (!h.layerFile.empty())
        settings["layer"] = QString::fromStdString(h.layerFile);
    if (scaling) {
        QJsonArray sizes;
        for (const Saturation& size : scaling->sizes)
            sizes.append(static_cast<int32_t>(size.size));
        settings["sizes"] = sizes;
    } else {
        settings["columns"] = h.columns;
        settings["rows"] = h.rows;
    }

    QJsonObject summary;
    summary["settings"] = settings;
    summary["runs"] = static_cast<qint64>(runs);
    summary["jobs"] = jobs;
    summary["seeds"] = QJsonObject{
        {"first", static_cast<qint64>(h.seed)},
        {"last", static_cast<qint64>(static_cast<uint32_t>(h.seed + runs - 1))},
        {"fromClock", seedFromClock},
    };
    if (scaling) {
        summary["fss"] = ScalingStudy::json(*scaling);
    } else {
        summary["finalDeposited"] = finalDeposited;
        summary["finalRoughness"] = QJsonObject{
            {"mean", finalMean}, {"stddev", finalStddev}, {"stderr", finalStderr},
            {"min", finalMin}, {"max", finalMax},
        };
        if (fit) {
            if (fit->ok)
                summary["fit"] = QJsonObject{
                    {"beta", fit->beta}, {"error", fit->error},
                    {"firstTick", static_cast<qint64>(fit->firstTick)},
                    {"lastTick", static_cast<qint64>(fit->lastTick)},
                };
            else
                summary["fit"] = QJsonObject{{"message", QString::fromStdString(fit->message)}};
        }
    }
    summary["seconds"] = seconds;
    return QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString();
}

std::string Outcome::text() const
{
    if (scaling)
        return ScalingStudy::summary(*scaling);
    if (fit)
        return fit->summary(runs) + "\n";
    return {};
}
