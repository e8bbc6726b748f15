// The download engine's result texts as its users read them (UTF-8 here; Cp1252 gives the bytes).
#pragma once

#include <cstdint>
#include <utility>

namespace testsupport {

inline constexpr std::pair<std::int32_t, const char*> kDownloadTexts[] = {
    {-1, "Unbestimmter Fehler bei Internet-Zugriff"},
    {-2, "Internet-Fehler: Session nicht verfügbar"},
    {-3, "Internet-Fehler: Öffnen der URL fehlgeschlagen"},
    {-4, "Internet-Fehler: Zugriff auf Seite verweigert"},
    {-5, "Internet-Fehler: Seite nicht gefunden"},
    {-6, "Internet-Fehler: Zugriff auf URL fehlgeschlagen"},
    {-7, "Internet-Fehler: Datei unvollständig übertragen"},
    {-8, "Internet-Fehler: Server überlastet. Bitte später erneut versuchen"},
    {-9, "Proxy-Fehler: Authentifizierung erforderlich"},
    {-1015, "Download durch Benutzer abgebrochen"},
};

}  // namespace testsupport
