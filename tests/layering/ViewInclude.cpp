// Compiled by the layering tests, never linked: the window as the presenters
// see it, which nothing below them may see.
#include "ui/View.h"
