#include "twips.h"

namespace toolkit {

double pixelsToTwips(int pixels)
{
    return double(pixels) * TwipsPerPixel;
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

} // namespace toolkit
