#include "ui/LocaleText.h"

#include "model/Convert.h"

#include <QLocale>

char localeDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    if (point.size() == 1 && point[0].unicode() > 32 && point[0].unicode() < 127)
        return static_cast<char>(point[0].unicode());
    return '.';
}

QString localeFloatText(double value)
{
    QString text = QString::fromStdString(floatToText(value, '.'));
    text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
    return text;
}
