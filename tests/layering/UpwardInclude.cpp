// Compiled by the layering tests, never linked: a header of the features layer,
// which only that layer and those above may see.
#include "features/ShowsFeature.h"
