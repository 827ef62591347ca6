#pragma once
// Pictures for Python: a picture as a rows x columns x (red, green, blue) uint8 array, and the Qt
// GUI application that the chart's text needs.
#include <QImage>

#include <pybind11/numpy.h>

#include <cstdint>

pybind11::array_t<uint8_t> rgbArray(const QImage& image);

// Makes an offscreen QGuiApplication when the process has no Qt application (closed when Python
// exits); a Qt core application already running cannot draw text, and is an error.
void ensureGuiApplication();
