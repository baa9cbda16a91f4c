#pragma once

#include <cstdint>

namespace pictavo {

// Left, top, right, bottom. Right and bottom are exclusive unless the user of
// the rectangle says otherwise (the selection tool's rectangle is inclusive).
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

}  // namespace pictavo
