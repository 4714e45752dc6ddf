// What a caller wants of a picture it has decoded: the size to decode it at and the pixels to make.
// Pure.
#pragma once

#include "decoding/decode_protocol.h"
#include "decoding/image_probe.h"

// What the caller wants of a picture, decided from what its header and its decoder say.
class DecodeTarget {
public:
    virtual ~DecodeTarget() = default;
    // The size (stored axes) the picture is wanted at, judged from its header: a decoder that can
    // decode at a reduced scale decodes just large enough for it, and a vector picture is allowed
    // the memory of that size. {0, 0}: the whole picture, or not known.
    virtual decoding::Extent wantedSize(const ImageProbe& probe) const = 0;
    // The pixels to make of the decoded picture. A plan of width or height <= 0 turns it down: the
    // picture counts as unreadable.
    virtual decoding::RenderPlan plan(const decoding::OpenedPicture& picture) const = 0;
};
