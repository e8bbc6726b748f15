// Splits and percent-decodes the query strings the export client sends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace exportserver {

struct QueryParam {
    std::string key;
    std::string value;
};

// Decodes %XX in either hex case; malformed escapes and '+' stay as they are, like the real server.
std::string PercentDecode(std::string_view text);

// Splits on '&', then each part at its first '='. Values are decoded, keys are kept raw; empty parts are
// dropped and a part without '=' is a key with an empty value.
std::vector<QueryParam> SplitQuery(std::string_view query);

struct ExportQuery {
    std::string usr;
    std::string pwd;
    std::string type;
    std::string dateTo;
};

// The first occurrence of a key wins; keys other than usr, pwd, type and dateto are ignored.
ExportQuery ParseExportQuery(std::string_view query);

}  // namespace exportserver
