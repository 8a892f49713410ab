#pragma once

// What the Wine checks print: "ok - <case>" or "not ok - <case>" per case, counted by scripts/windows.sh.

#include <cstdio>
#include <string>

namespace tw::checks {

inline int failures = 0;

inline void check(bool passed, const std::string& name) {
  std::printf("%s - %s\n", passed ? "ok" : "not ok", name.c_str());
  std::fflush(stdout);
  if (!passed) ++failures;
}

}  // namespace tw::checks
