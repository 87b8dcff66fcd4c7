// A small JSON writer for VellSim's machine-readable output.
#pragma once

#include <string>
#include <vector>

namespace vell::tool {

std::string JsonString(const std::string& text);

// Builds one object or array at a time: {"a": 1, "b": [2, 3]}.
class TJsonObject {
  public:
    TJsonObject& Add(const std::string& key, const std::string& rawJson);
    TJsonObject& AddString(const std::string& key, const std::string& text);
    TJsonObject& AddInt(const std::string& key, long long v);
    TJsonObject& AddBool(const std::string& key, bool v);
    std::string Str() const { return "{" + Body + "}"; }

  private:
    std::string Body;
};

std::string JsonArray(const std::vector<std::string>& rawItems);
template <class Int> std::string JsonIntArray(const std::vector<Int>& values) {
    std::vector<std::string> items;
    for (Int v : values)
        items.push_back(std::to_string(v));
    return JsonArray(items);
}

} // namespace vell::tool
