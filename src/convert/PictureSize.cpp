#include "convert/PictureSize.h"

#include <algorithm>
#include <cstdint>

namespace talvex {

PictureSize FitPictureSize(PictureSize target, PictureSize source) {
    const int64_t sourcePixels = int64_t{source.width} * source.height;
    const int64_t targetPixels = int64_t{target.width} * target.height;
    PictureSize out = source;
    if (sourcePixels >= targetPixels && source.height != 0) {
        const double aspect = static_cast<double>(source.width) / source.height;
        if (aspect >= 1.0) {
            out.width = std::min(target.width, source.width);
            out.height = static_cast<int>(out.width / aspect);
        } else {
            out.height = std::min(target.height, source.height);
            out.width = static_cast<int>(aspect * out.height);
        }
    }
    out.width &= ~1;
    out.height &= ~1;
    return out;
}

}  // namespace talvex
