#pragma once
// Fitting the output picture into a profile's target size.

namespace talvex {

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

// The output size for a source of size source and a profile's target size. A source with
// fewer pixels than the target keeps its own size (a failed probe, 0 x 0, writes no size).
// Otherwise the source's aspect is kept: a landscape source takes the smaller of the two
// widths, a portrait one the smaller of the two heights, and the other side follows.
// Sides are then made even (rounded down): the H.264 encoder the MOV and PSP outputs use
// refuses odd sides in 4:2:0 pictures, and a 16:9 source fitted to 176 wide comes out 99 high.
PictureSize FitPictureSize(PictureSize target, PictureSize source);

}  // namespace talvex
