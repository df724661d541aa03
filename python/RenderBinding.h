// kinetra.render: the animation of kinetra-batch render from Python (only in a module built
// with the window's drawing, kinetra_render).
#pragma once

#include <pybind11/pybind11.h>

namespace kinetra::python {

void BindRender(pybind11::module_& m);

}  // namespace kinetra::python
