// JSON text for VellSim.
#include "tools/Json.h"

#include <cstdio>

namespace vell::tool {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

TJsonObject& TJsonObject::Add(const std::string& key, const std::string& rawJson) {
    if (!Body.empty()) Body += ", ";
    Body += JsonString(key) + ": " + rawJson;
    return *this;
}

TJsonObject& TJsonObject::AddString(const std::string& key, const std::string& text) {
    return Add(key, JsonString(text));
}

TJsonObject& TJsonObject::AddInt(const std::string& key, long long v) {
    return Add(key, std::to_string(v));
}

TJsonObject& TJsonObject::AddBool(const std::string& key, bool v) {
    return Add(key, v ? "true" : "false");
}

std::string JsonArray(const std::vector<std::string>& rawItems) {
    std::string out = "[";
    for (std::size_t k = 0; k < rawItems.size(); ++k)
        out += (k ? ", " : "") + rawItems[k];
    return out + "]";
}

} // namespace vell::tool
