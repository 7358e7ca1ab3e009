#include "ctl/line_diff.h"

#include <algorithm>

namespace ctl {
namespace {

using Lines = std::vector<std::string>;

// The lengths of the longest common subsequences of a[a0, a1) with each
// prefix of b[b0, b1) (forward), or of the reversed ranges with each
// suffix (backward): one row of the table, kept alone.
std::vector<int> LastRow(const Lines& a, std::size_t a0, std::size_t a1, const Lines& b,
                         std::size_t b0, std::size_t b1, bool backward) {
  const std::size_t m = b1 - b0;
  std::vector<int> row(m + 1, 0), next(m + 1, 0);
  for (std::size_t i = 0; i < a1 - a0; ++i) {
    const std::string& x = backward ? a[a1 - 1 - i] : a[a0 + i];
    for (std::size_t j = 1; j <= m; ++j) {
      const std::string& y = backward ? b[b1 - j] : b[b0 + j - 1];
      next[j] = x == y ? row[j - 1] + 1 : std::max(row[j], next[j - 1]);
    }
    row.swap(next);
  }
  return row;
}

void Diff(const Lines& a, std::size_t a0, std::size_t a1, const Lines& b, std::size_t b0,
          std::size_t b1, std::vector<DiffLine>& out) {
  // Common lines at either end go out as they are.
  std::size_t tail = 0;
  while (a0 < a1 && b0 < b1 && a[a0] == b[b0]) out.push_back({LineMark::Same, a[a0++]}), ++b0;
  while (a0 + tail < a1 && b0 + tail < b1 && a[a1 - 1 - tail] == b[b1 - 1 - tail]) ++tail;
  a1 -= tail;
  b1 -= tail;
  if (a0 == a1) {
    for (std::size_t j = b0; j < b1; ++j) out.push_back({LineMark::Added, b[j]});
  } else if (b0 == b1) {
    for (std::size_t i = a0; i < a1; ++i) out.push_back({LineMark::Removed, a[i]});
  } else if (a1 - a0 == 1) {
    // One line: kept where b has it, else removed before b's lines.
    const auto at =
        std::find(b.begin() + static_cast<long>(b0), b.begin() + static_cast<long>(b1), a[a0]);
    if (at == b.begin() + static_cast<long>(b1)) out.push_back({LineMark::Removed, a[a0]});
    for (std::size_t j = b0; j < b1; ++j)
      out.push_back(
          {b.begin() + static_cast<long>(j) == at ? LineMark::Same : LineMark::Added, b[j]});
  } else {
    // Split a in half, and b where the two halves' common lines add up
    // most.
    const std::size_t mid = a0 + (a1 - a0) / 2;
    const auto front = LastRow(a, a0, mid, b, b0, b1, false);
    const auto back = LastRow(a, mid, a1, b, b0, b1, true);
    std::size_t split = 0;
    int best = -1;
    for (std::size_t j = 0; j <= b1 - b0; ++j)
      if (front[j] + back[b1 - b0 - j] > best) best = front[j] + back[b1 - b0 - j], split = j;
    Diff(a, a0, mid, b, b0, b0 + split, out);
    Diff(a, mid, a1, b, b0 + split, b1, out);
  }
  for (std::size_t k = 0; k < tail; ++k) out.push_back({LineMark::Same, a[a1 + k]});
}

}  // namespace

std::vector<DiffLine> DiffLines(const Lines& a, const Lines& b) {
  std::vector<DiffLine> out;
  Diff(a, 0, a.size(), b, 0, b.size(), out);
  return out;
}

}  // namespace ctl
