#pragma once
// Numbers as the user's locale writes them: the decimal separator of QLocale::system().
#include <QString>

// The separator for parsing; one that is not a single plain character reads as ".".
char localeDecimalSeparator();
// The general float format ("0.01", "0.123", "1") with the locale's separator.
QString localeFloatText(double value);
