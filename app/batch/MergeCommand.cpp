#include "batch/MergeCommand.h"

#include "batch/UsageError.h"
#include "model/Convert.h"

#include <QCommandLineParser>

namespace {

int64_t tickOption(const std::string& value)
{
    int32_t n = 0;
    if (!tryStrToInt(value, n))
        throw UsageError("--fit-range: " + invalidIntegerMessage(value));
    return n;
}

} // namespace

MergeCommand MergeCommand::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Merges the series files of the slices of one experiment (tessavo-batch --runs N --run-range A:B\n"
        "--series FILE.h5) into the roughness statistics, fit and summary of the whole experiment,\n"
        "the same, byte for byte, as one machine running every run writes them.");
    parser.addPositionalArgument("SERIES.h5", "The series files of the slices, in any order.", "SERIES.h5...");
    parser.addOption(QCommandLineOption({"h", "help"}, "Shows this help."));
    parser.addOption(QCommandLineOption("roughness", "Writes the statistics of every tick over the runs as CSV.", "OUT.csv"));
    parser.addOption(QCommandLineOption("fit", "Fits the growth exponent beta and prints it."));
    parser.addOption(QCommandLineOption("fit-range", "The ticks of the fit (as for the experiment).", "T1:T2"));
    parser.addOption(QCommandLineOption("json", "Prints a summary as one JSON object on stdout."));
    parser.addOption(QCommandLineOption("series", "Writes the series of all the runs as one file.", "ALL.h5"));
    // Taken as every other command takes it; merge has no progress bar to hide.
    parser.addOption(QCommandLineOption("quiet", "No progress bar (merge shows none)."));

    MergeCommand m;
    m.helpText = parser.helpText().replace("<executable_name>", "tessavo-batch merge").toStdString();
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText().toStdString());
    if (parser.isSet("help")) {
        m.help = true;
        return m;
    }
    for (const QString& name : parser.positionalArguments())
        m.inputs.push_back(name.toStdString());
    if (m.inputs.empty())
        throw UsageError("merge needs the series files of the slices");
    m.roughnessFile = parser.value("roughness").toStdString();
    m.seriesFile = parser.value("series").toStdString();
    for (const auto& [option, name] : {std::pair{"roughness", &m.roughnessFile}, {"series", &m.seriesFile}})
        if (parser.isSet(option) && name->empty())
            throw UsageError(std::string("--") + option + " needs a file name");
    m.json = parser.isSet("json");
    m.fit = parser.isSet("fit") || parser.isSet("fit-range");
    if (parser.isSet("fit-range")) {
        const std::string v = parser.value("fit-range").toStdString();
        const size_t colon = v.find(':');
        if (colon == std::string::npos)
            throw UsageError("--fit-range expects T1:T2, e.g. 100:2000, not '" + v + "'");
        m.fitFrom = tickOption(v.substr(0, colon));
        m.fitTo = tickOption(v.substr(colon + 1));
        if (*m.fitFrom < 1 || *m.fitTo <= *m.fitFrom)
            throw UsageError("--fit-range needs 1 <= T1 < T2, not '" + v + "'");
    }
    return m;
}
