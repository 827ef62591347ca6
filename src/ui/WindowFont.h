#pragma once
// windowFont: the font of the program's windows, a sans face at 11 pixels (text height 13).
// Liberation Sans has the widths of the classic Windows sans faces, so the captions fit the
// boxes the layout gives them; DejaVu Sans, wider, is the fallback.
#include <QFont>

QFont windowFont(int pixelSize = 11, bool bold = false);
