// What the view asks of the decoder: a picture held at the size it is shown, or a metafile drawn at
// that size. Pure.
#pragma once

#include "decoding/decode_target.h"
#include "display/shown_size.h"

// A picture for the view: whole, or, when `rule` shows it smaller than its pixels, at the size it is
// shown (stored axes), resampled as the painting resamples. A metafile is turned down: it is drawn
// at the size it is shown through MetafileTarget.
class ViewTarget final : public DecodeTarget {
public:
    explicit ViewTarget(const ShownSizeRule& rule) : rule_(rule) {}
    decoding::Extent wantedSize(const ImageProbe& probe) const override;
    decoding::RenderPlan plan(const decoding::OpenedPicture& picture) const override;

private:
    ShownSizeRule rule_;
};

// A vector picture (EMF) drawn at width x height, transparent where it draws nothing; a raster
// picture is turned down.
class MetafileTarget final : public DecodeTarget {
public:
    MetafileTarget(int width, int height) : width_(width), height_(height) {}
    decoding::Extent wantedSize(const ImageProbe&) const override { return {width_, height_}; }
    decoding::RenderPlan plan(const decoding::OpenedPicture& picture) const override;

private:
    int width_, height_;
};
