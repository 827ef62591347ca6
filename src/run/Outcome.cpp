#include "run/Outcome.h"

#include "run/GrowthSettings.h"
#include "run/ScalingStudy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

Outcome Outcome::ofStatistics(const RoughnessStats& stats, int64_t runs, bool fit,
                              const std::optional<GrowthFit::TickRange>& fitRange)
{
    Outcome out;
    out.runs = runs;
    if (stats.ticks() > 0) {
        const int64_t last = stats.ticks() - 1;
        out.finalDeposited = stats.deposited(last);
        out.finalLayers = stats.layers(last);
        out.finalMean = stats.mean(last);
        out.finalStddev = stats.stddev(last);
        out.finalStderr = stats.standardError(last);
        out.finalMin = stats.min(last);
        out.finalMax = stats.max(last);
    }
    if (fit)
        out.fit = GrowthFit::ofRuns(stats, fitRange);
    return out;
}

std::string Outcome::json(const SeriesHeader& h, bool seedFromClock, int32_t jobs) const
{
    QJsonObject settings;
    for (const auto& [name, value] : settingsBlock(h.settings, h.ticks))
        settings[QString::fromStdString(name)] = std::visit(
            [](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string>)
                    return QJsonValue(QString::fromStdString(v));
                else if constexpr (std::is_same_v<T, int64_t>)
                    return QJsonValue(static_cast<qint64>(v));
                else
                    return QJsonValue(v);
            },
            value);
    if (!h.configFile.empty())
        settings["config"] = QString::fromStdString(h.configFile);
    if (!h.layerFile.empty())
        settings["layer"] = QString::fromStdString(h.layerFile);
    if (scaling) {
        QJsonArray sizes;
        for (const Saturation& size : scaling->sizes)
            sizes.append(static_cast<int32_t>(size.size));
        settings.remove("columns");
        settings.remove("rows");
        settings["sizes"] = sizes;
    }

    QJsonObject summary;
    summary["settings"] = settings;
    summary["runs"] = static_cast<qint64>(runs);
    summary["jobs"] = jobs;
    summary["seeds"] = QJsonObject{
        {"first", static_cast<qint64>(h.seed)},
        {"last", static_cast<qint64>(static_cast<uint32_t>(h.seed + runs - 1))},
        {"from_clock", seedFromClock},
    };
    if (scaling) {
        summary["fss"] = ScalingStudy::json(*scaling, showUnsaturated);
    } else {
        summary["final_deposited"] = finalDeposited;
        if (std::isfinite(finalLayers))
            summary["final_layers"] = finalLayers;
        summary["final_roughness"] = QJsonObject{
            {"mean", finalMean}, {"stddev", finalStddev}, {"stderr", finalStderr},
            {"min", finalMin}, {"max", finalMax},
        };
        if (fit) {
            if (fit->ok)
                summary["fit"] = QJsonObject{
                    {"beta", fit->beta}, {"error", fit->error},
                    {"error_method", QString::fromStdString(fit->errorMethod)},
                    {"first_tick", static_cast<qint64>(fit->firstTick)},
                    {"last_tick", static_cast<qint64>(fit->lastTick)},
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
        return ScalingStudy::summary(*scaling, showUnsaturated);
    if (fit)
        return fit->summary(runs) + "\n";
    return {};
}
