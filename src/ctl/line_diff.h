#pragma once

// Two texts compared line by line, as a unified diff without its headers:
// a common line with "  " before it, a removed one with "- ", an added one
// with "+ ". The lines of a device's setup can be many (a device may list
// thousands of folders), so the memory it takes grows with the lines, not
// with their product.

#include <string>
#include <vector>

namespace ctl {

enum class LineMark { Same, Removed, Added };
struct DiffLine {
  LineMark mark;
  std::string text;
};

// A shortest edit from `a` to `b`: a longest common subsequence found by
// halving (Hirschberg), O(n·m) time and O(n + m) memory.
std::vector<DiffLine> DiffLines(const std::vector<std::string>& a,
                                const std::vector<std::string>& b);

}  // namespace ctl
