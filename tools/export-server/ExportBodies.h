// The fixed answer texts and small XML exports the export server sends.
#pragma once

#include <string>
#include <string_view>

#include "Scenario.h"

namespace exportserver {

namespace detail {
inline constexpr char kBytesBodyData[] =
    "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<export>"
    "\x00"
    "\377\r\n"
    "\374</export>\r\n";
}  // namespace detail

// Answer of usr=bytes: a NUL, 0xFF, CR LF and a windows-1252 u-umlaut inside the root element.
inline constexpr std::string_view kBytesBody{detail::kBytesBodyData, sizeof(detail::kBytesBodyData) - 1};

inline constexpr std::string_view kResetAck = "007 Exportstatus zurueckgesetzt\r\n";

// Carries both error markers and nothing that looks like XML.
inline constexpr std::string_view kTwoErrorCodesBody =
    "ERROR 003 Passwort nicht korrekt, ERROR 001 Login fehlgeschlagen\r\n";

// "ERROR 00N ...\r\n" for code 1..8. Each text holds its own marker only and never the word XML, so
// the client cannot mistake it for another error or for an export.
std::string_view ErrorBody(int code);

// The demo account's export: a complete history, or a delta stamped with the dateto value.
std::string DemoExport(RequestType type, std::string_view dateTo);

// An export whose data happens to contain 003; the client must take it as success.
std::string ErrorCodeInXmlDataExport();

// Escapes & < > " ' for use inside an attribute value.
std::string XmlEscape(std::string_view text);

}  // namespace exportserver
