// TForm1: the language menu and the captions it replaces.
#include "ui/TForm1.h"

#include "files/IniFile.h"
#include "i18n/Caption.h"
#include "i18n/LanguageFile.h"
#include "ui/RadioGroup.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

void TForm1::Polski1Click()
{
    Polski1->setChecked(true);
    English1->setChecked(false);
    changelangClick();
}

void TForm1::English1Click()
{
    Polski1->setChecked(false);
    English1->setChecked(true);
    changelangClick();
}

QString TForm1::languageFile() const
{
    if (!languageFile_.isEmpty())
        return languageFile_;
    return QString::fromStdString(languageFileName(QCoreApplication::applicationDirPath().toStdString()));
}

void TForm1::changelangClick()
{
    const char* section = Polski1->isChecked() ? polishSection : englishSection;
    // Read anew on every choice; a missing file gives every caption its English default.
    const IniFile ini(languageFile().toStdString());
    readCaptions(ini, section, [this](const Caption& c, const std::string& text) {
        setCaption(c, QString::fromStdString(text));
    });
    applyModelCaptions(ini, section);
    applyAnalysisCaptions(ini, section);
}

void TForm1::setCaption(const Caption& c, const QString& text)
{
    QObject* target = findChild<QObject*>(QString::fromLatin1(c.target));
    if (auto* group = qobject_cast<RadioGroup*>(target)) {
        // Items are replaced in place: the selection stays and no click is sent.
        if (c.item >= 0)
            group->setItemText(c.item, text);
        else
            group->setTitle(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(target)) {
        box->setTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(text);
        fitLabel(label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->setText(text);
    } else if (auto* menu = qobject_cast<QMenu*>(target)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(target)) {
        action->setText(text);
    }
}

QString TForm1::caption(const Caption& c) const
{
    QObject* target = findChild<QObject*>(QString::fromLatin1(c.target));
    if (auto* group = qobject_cast<RadioGroup*>(target))
        return c.item >= 0 ? group->itemText(c.item) : group->title();
    if (auto* box = qobject_cast<QGroupBox*>(target))
        return box->title();
    if (auto* label = qobject_cast<QLabel*>(target))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(target))
        return button->text();
    if (auto* menu = qobject_cast<QMenu*>(target))
        return menu->title();
    if (auto* action = qobject_cast<QAction*>(target))
        return action->text();
    return QString();
}

QStringList TForm1::currentCaptions() const
{
    QStringList texts;
    for (const Caption& c : captionTable())
        texts << caption(c);
    return texts;
}
