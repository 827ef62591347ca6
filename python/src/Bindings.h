#pragma once
// The parts of the module tessavo._tessavo, each defined beside what it binds.
#include <pybind11/pybind11.h>

void bindSimulation(pybind11::module_& m);  // _Simulation
void bindExperiment(pybind11::module_& m);  // _experiment, _run_slice, _Stats
void bindAnalysis(pybind11::module_& m);    // _analyse and the single curves
void bindSeries(pybind11::module_& m);      // _read_series
void bindScaling(pybind11::module_& m);     // _finite_size_scaling
