#include "platform/Surface.h"

#include "platform/Dpi.h"

namespace zo {

int FontSizeFromHeight(int height, int pixelsPerInch) { return MulDivRound(-height, 72, pixelsPerInch); }

int FontHeightFromSize(int size, int pixelsPerInch) { return -MulDivRound(size, pixelsPerInch, 72); }

}  // namespace zo
