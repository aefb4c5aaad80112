// Reads a renderer profile the way the menu does: lines up to "NUM_DRIVERS n" are
// skipped, then n "KEY STATE NUMBER" lines are taken. Shared by the profile tests.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct parsed_profile {
  std::vector<std::string> lines;  // without line ends
  bool crlf_everywhere = true;
  int num_drivers = -1;
  std::map<std::string, std::pair<std::string, int>> drivers;  // key -> state, number

  std::string state_of(const std::string& key) const {
    auto found = drivers.find(key);
    return found == drivers.end() ? "<missing>" : found->second.first;
  }
};

inline parsed_profile read_profile(const std::string& text) {
  parsed_profile result;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    bool crlf = end < text.size() && end > start && text[end - 1] == '\r';
    result.crlf_everywhere = result.crlf_everywhere && crlf;
    result.lines.push_back(text.substr(start, end - start - (crlf ? 1 : 0)));
    start = end + 1;
  }
  std::size_t i = 0;
  while (i < result.lines.size() && std::sscanf(result.lines[i].c_str(), "NUM_DRIVERS %d", &result.num_drivers) != 1) {
    ++i;
  }
  for (int taken = 0; taken < result.num_drivers && ++i < result.lines.size(); ++taken) {
    char key[32], state[32];
    int number = 0;
    if (std::sscanf(result.lines[i].c_str(), "%31s %31s %d", key, state, &number) != 3) break;
    result.drivers[key] = {state, number};
  }
  return result;
}
