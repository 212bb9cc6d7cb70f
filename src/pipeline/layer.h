#pragma once
// Drawn layers: from a canvas to FreeImage and blended over the picture.

#include <cstdint>

#include "pipeline/image.h"
#include "platform/canvas.h"

namespace pictorb {

// The picture as a 24-bit bitmap; unchanged when already 24-bit or when it cannot be
// converted (the stages that need 24 bits then leave their drawing out).
Image ConvertTo24Bits(Image image);
// A 32-bit bitmap with the canvas's pixels (straight alpha); empty when it cannot be made.
Image CanvasToImage(const Canvas& canvas);
// A canvas with the pixels of a 32-bit bitmap; invalid for any other depth.
Canvas ImageToCanvas(const Image& image);
// Blends the 32-bit `layer` over the 24-bit `picture` in place, the layer's top-left corner
// at (left, top) counted from the picture's top-left. Gives exactly what FreeImage_Composite
// gives for a picture-sized layer that is transparent elsewhere. False, with the picture
// unchanged, when the layer does not lie wholly inside the picture (FreeImage_Paste refuses
// such a layer too) or a depth is wrong.
bool CompositeLayer(const Image& picture, const Image& layer, int64_t left, int64_t top);

}  // namespace pictorb
