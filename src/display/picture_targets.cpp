#include "display/picture_targets.h"

using decoding::Extent;
using decoding::RenderKind;
using decoding::RenderPlan;

Extent ViewTarget::wantedSize(const ImageProbe& probe) const {
    if (probe.verdict == ProbeVerdict::RenderAtShownSize) return {};
    const Size32 reduced = reducedStoredSize(rule_, {probe.width, probe.height}, probe.orientation);
    return {reduced.width, reduced.height};
}

RenderPlan ViewTarget::plan(const decoding::OpenedPicture& picture) const {
    if (picture.metafile) return {};
    const Size32 reduced = reducedStoredSize(rule_, {picture.naturalWidth, picture.naturalHeight}, picture.orientation);
    if (reduced.width > 0)
        return {RenderKind::DrawOpaque, reduced.width, reduced.height, 0, rule_.interpolation};
    return {RenderKind::Copy, picture.naturalWidth, picture.naturalHeight, 0, 0};
}

RenderPlan MetafileTarget::plan(const decoding::OpenedPicture& picture) const {
    if (!picture.metafile) return {};
    return {RenderKind::DrawTransparent, width_, height_, 0, 0};
}
