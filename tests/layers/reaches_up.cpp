// Compiled once per layer by the layering checks in tests/CMakeLists.txt, each time including a
// header of the layer just above: the build must refuse it.
#include LAYER_ABOVE_HEADER
