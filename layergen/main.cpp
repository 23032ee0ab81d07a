// layergen: reads the reference earth model "prem32.mod" and writes
// "modout" and "modout2", the model with the lowermost mantle perturbed
// without and with a 25 km basal low-velocity layer.  No arguments.
#include <iostream>

#include "run.h"

int main() { return layergen::runLayergen("prem32.mod", "modout", "modout2", std::cerr); }
