// TForm1: the model menu, one radio item per growth model; choosing one starts a new film.
#include "ui/TForm1.h"

#include "files/IniFile.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>

#include <algorithm>

const std::vector<Caption>& TForm1::modelCaptionTable()
{
    static const std::vector<Caption> table = {
        {"model", "Model1", -1, "&Model", "&Model"},
        {"modeltessavo", "Modeltessavo", -1, "&Tessavo (depozycja i relaksacja)", "&Tessavo (deposition and relaxation)"},
        {"modelrd", "Modelrd", -1, "&Losowa depozycja (RD)", "&Random deposition (RD)"},
        {"modelrdsr", "Modelrdsr", -1, "Losowa depozycja z &relaksacją powierzchni (RDSR)",
         "Random deposition with surface r&elaxation (RDSR)"},
        {"modelbd", "Modelbd", -1, "Depozycja &balistyczna (BD)", "&Ballistic deposition (BD)"},
        {"modelrsos", "Modelrsos", -1, "&Ograniczony model SOS (RSOS)", "Restricted &solid-on-solid (RSOS)"},
        {"modelwv", "Modelwv", -1, "&Wolf-Villain (WV)", "&Wolf-Villain (WV)"},
        {"modeldt", "Modeldt", -1, "&Das Sarma-Tamborenea (DT)", "&Das Sarma-Tamborenea (DT)"},
    };
    return table;
}

void TForm1::ModelClick(GrowthModel model)
{
    for (GrowthModel m : growthModels)
        modelItems[static_cast<size_t>(m)]->setChecked(m == model);
    // The relaxation sweeps and the stay rules belong to Tessavo's own model.
    const bool relaxes = model == GrowthModel::Tessavo;
    GroupBox4->setEnabled(relaxes);
    Panel1->setEnabled(relaxes);
    Button1Click();
}

GrowthModel TForm1::checkedModel() const
{
    for (GrowthModel m : growthModels)
        if (modelItems[static_cast<size_t>(m)]->isChecked())
            return m;
    return GrowthModel::Tessavo;
}

QString TForm1::modelCaption(GrowthModel model) const
{
    QString text = modelItems[static_cast<size_t>(model)]->text();
    // "&&" is a literal ampersand, any other "&" marks the accelerator.
    return text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&')).replace(QChar(1), QLatin1Char('&'));
}

void TForm1::applyModelCaptions(const IniFile& ini, const char* section)
{
    // Read as the window's own captions are, but never saved with them in a configuration.
    for (const Caption& c : modelCaptionTable())
        setCaption(c, QString::fromStdString(ini.ReadString(section, c.key, c.english)));
}
