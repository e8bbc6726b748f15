// Texts of the error answers and the small hand-written XML exports.
#include "ExportBodies.h"

#include <array>
#include <vector>

namespace exportserver {
namespace {

constexpr std::array<std::string_view, 8> kErrorBodies = {
    "ERROR 001 Login fehlgeschlagen\r\n",
    "ERROR 002 User unbekannt\r\n",
    "ERROR 003 Passwort nicht korrekt\r\n",
    "ERROR 004\r\n",
    "ERROR 005 Keine aktuellen Daten vorhanden\r\n",
    "ERROR 006 Export nicht vollstaendig\r\n",
    "ERROR 007\r\n",
    "ERROR 008 Datenbankfehler\r\n",
};

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n";

struct Transaction {
    std::string_view date;
    std::string_view kind;
    std::string_view shares;
    std::string_view price;
    std::string_view amount;
};

struct Fund {
    std::string_view isin;
    std::string_view name;
    std::string_view price;
    std::vector<Transaction> transactions;
};

// A handful of funds and transactions, about 2 KB in all; one name carries a windows-1252 umlaut (0xDC).
const std::array<Fund, 4> kDemoFunds = {{
    {"DE000KLV1011",
     "Kalvento Rentenfonds",
     "48.12",
     {{"02.01.2023", "Kauf", "12.500", "47.20", "590.00"},
      {"01.03.2023", "Sparplan", "2.114", "47.30", "100.00"},
      {"03.04.2023", "Sparplan", "2.096", "47.71", "100.00"},
      {"15.06.2023", "Ausschuettung", "0.000", "47.95", "12.36"}}},
    {"DE000KLV2027",
     "Kalvento Aktien \334bersee",
     "131.40",
     {{"16.01.2023", "Kauf", "4.000", "118.25", "473.00"},
      {"14.08.2023", "Kauf", "1.500", "126.90", "190.35"},
      {"20.11.2023", "Verkauf", "-2.000", "129.10", "-258.20"}}},
    {"DE000KLV3041",
     "Kalvento Geldmarkt",
     "101.07",
     {{"05.05.2023", "Kauf", "9.900", "100.21", "992.08"},
      {"05.10.2023", "Kauf", "2.000", "100.66", "201.32"}}},
    {"DE000KLV4059",
     "Kalvento Mischfonds",
     "72.85",
     {{"01.07.2023", "Sparplan", "1.419", "70.45", "100.00"},
      {"01.08.2023", "Sparplan", "1.397", "71.58", "100.00"},
      {"01.09.2023", "Sparplan", "1.405", "71.17", "100.00"},
      {"01.10.2023", "Sparplan", "1.432", "69.83", "100.00"},
      {"01.11.2023", "Sparplan", "1.388", "72.05", "100.00"}}},
}};

std::string Attribute(std::string_view name, std::string_view value) {
    return " " + std::string(name) + "=\"" + std::string(value) + "\"";
}

std::string DemoDepot() {
    std::string xml = "  <depot" + Attribute("number", "4711-01") + Attribute("owner", "Demo Kunde") +
                      Attribute("city", "M\374nchen") + Attribute("currency", "EUR") + ">\r\n";
    for (const Fund& fund : kDemoFunds) {
        xml += "    <fund" + Attribute("isin", fund.isin) + Attribute("name", fund.name) +
               Attribute("price", fund.price) + Attribute("pricedate", "29.12.2023") + ">\r\n";
        for (const Transaction& t : fund.transactions) {
            xml += "      <transaction" + Attribute("date", t.date) + Attribute("kind", t.kind) +
                   Attribute("shares", t.shares) + Attribute("price", t.price) +
                   Attribute("amount", t.amount) + "/>\r\n";
        }
        xml += "    </fund>\r\n";
    }
    xml += "  </depot>\r\n";
    return xml;
}

}  // namespace

std::string_view ErrorBody(int code) {
    if (code < 1 || code > static_cast<int>(kErrorBodies.size())) {
        return kErrorBodies[1];
    }
    return kErrorBodies[static_cast<std::size_t>(code - 1)];
}

std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string DemoExport(RequestType type, std::string_view dateTo) {
    std::string xml(kDeclaration);
    if (type == RequestType::kDelta) {
        xml += "<export kind=\"delta\" dateto=\"" + XmlEscape(dateTo) + "\">\r\n";
    } else {
        xml += "<export kind=\"complete\">\r\n";
    }
    xml += DemoDepot();
    xml += "</export>\r\n";
    return xml;
}

std::string ErrorCodeInXmlDataExport() {
    std::string xml(kDeclaration);
    xml +=
        "<export kind=\"complete\">\r\n"
        "  <depot number=\"003\" owner=\"Demo Kunde\" currency=\"EUR\">\r\n"
        "    <fund isin=\"DE000KLV1011\" name=\"Kalvento Rentenfonds 003\" price=\"48.12\">\r\n"
        "      <transaction date=\"02.01.2023\" kind=\"Kauf\" shares=\"3.003\" price=\"47.20\" "
        "amount=\"141.74\" note=\"ERROR 003\"/>\r\n"
        "    </fund>\r\n"
        "  </depot>\r\n"
        "</export>\r\n";
    return xml;
}

}  // namespace exportserver
