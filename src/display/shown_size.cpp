#include "shown_size.h"

#include <utility>

Size32 reducedStoredSize(const ShownSizeRule& rule, Size32 stored, unsigned orientation) {
    if (!rule.reduce || stored.width <= 0 || stored.height <= 0) return {};
    // The same turns, in the same order, as the picture gets once decoded.
    bool sideways = rule.exifOrient && orientation >= 5 && orientation <= 8;
    Size32 turned = sideways ? Size32{stored.height, stored.width} : stored;
    if (rule.rotation == 90 || rule.rotation == 270) {
        const Size32 ref = rule.reference;
        const bool keepsShape = rule.rotateAspect && ((ref.width > ref.height && turned.width > turned.height) ||
                                                      (ref.width < ref.height && turned.width < turned.height));
        if (!keepsShape) {
            sideways = !sideways;
            std::swap(turned.width, turned.height);
        }
    }
    const Size32 shown = fitSize(turned, rule.area, rule.zoomPercent, rule.fit);
    if (shown.width <= 0 || shown.height <= 0 || shown.width >= turned.width || shown.height >= turned.height) return {};
    return sideways ? Size32{shown.height, shown.width} : shown;
}
