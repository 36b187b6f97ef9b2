// Rectangles as the layer and its hosts reckon them: right and bottom edges excluded.
#pragma once

#include <algorithm>
#include <cstdint>

#include "portable_win32/gdi.h"

namespace portable_win32 {

inline int32_t Width(const RECT& r) { return r.right - r.left; }
inline int32_t Height(const RECT& r) { return r.bottom - r.top; }
inline bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

inline RECT Intersection(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// The smallest rectangle holding both; an empty one holds nothing.
inline RECT BoundingUnion(const RECT& a, const RECT& b) {
  if (IsEmpty(a)) return b;
  if (IsEmpty(b)) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

}  // namespace portable_win32
