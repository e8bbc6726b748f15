// Query splitting and percent-decoding for export requests.
#include "Query.h"

namespace exportserver {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::vector<QueryParam> SplitQuery(std::string_view query) {
    std::vector<QueryParam> params;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view part = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        if (part.empty()) {
            continue;
        }
        const std::size_t eq = part.find('=');
        if (eq == std::string_view::npos) {
            params.push_back({std::string(part), {}});
        } else {
            params.push_back({std::string(part.substr(0, eq)), PercentDecode(part.substr(eq + 1))});
        }
    }
    return params;
}

ExportQuery ParseExportQuery(std::string_view query) {
    ExportQuery result;
    bool seenUsr = false, seenPwd = false, seenType = false, seenDateTo = false;
    const auto take = [](bool& seen, std::string& field, std::string& value) {
        if (!seen) {
            field = std::move(value);
            seen = true;
        }
    };
    for (QueryParam& param : SplitQuery(query)) {
        if (param.key == "usr") {
            take(seenUsr, result.usr, param.value);
        } else if (param.key == "pwd") {
            take(seenPwd, result.pwd, param.value);
        } else if (param.key == "type") {
            take(seenType, result.type, param.value);
        } else if (param.key == "dateto") {
            take(seenDateTo, result.dateTo, param.value);
        }
    }
    return result;
}

}  // namespace exportserver
