#include "render/escape_raster.h"

EscapeRowKernel FastestEscapeRowKernel() { return EscapeRowScalar; }
