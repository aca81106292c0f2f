#pragma once
// The five text sizes (0 smallest to 4 largest) as page zoom factors, the same in both
// engines so that a page looks the same size in either. Plain C++: the WebKit host
// process uses it too.

#include <array>

inline constexpr std::array<double, 5> TextSizeZoomFactors = {0.75, 0.9, 1.0, 1.2, 1.5};

// The zoom factor of a text size; 0 for a size out of range.
inline double zoomFactorForTextSize(int size) {
    return size >= 0 && size < static_cast<int>(TextSizeZoomFactors.size()) ? TextSizeZoomFactors[size] : 0.0;
}
