// Texts of the export job's result codes; download codes are worded by the download engine.
#include "provider/ResultTexts.h"

#include "inet/ImpApiINet.h"
#include "provider/ExportJob.h"

namespace provider {
namespace {

// Windows-1252 bytes written as octal escapes (\334 Ü, \344 ä, \366 ö, \374 ü), which end after three digits.
constexpr char kCheckAccessData[] =
    "\334berpr\374fen Sie Ihre pers\366nlichen Zugangsdaten \374ber die Beraterverwaltung.";
constexpr char kAskPlatform[] = "Bitte wenden Sie sich zur Kl\344rung ggf. direkt an kalvento.";
constexpr char kAskHotline[] = "Bitte Hotline kontaktieren.";

// Each message is a statement and, after CR LF, an advice line.
struct ResultText {
    std::int32_t code;
    const char* statement;
    const char* advice;
};

constexpr ResultText kResultTexts[] = {
    {kCredentialsMissing, "kalvento-Zugangsdaten nicht erfasst.", kCheckAccessData},
    {kResetNotAcknowledged, "Der kalvento-Server meldet Fehler beim Zur\374cksetzen des Datenstands.",
     kAskPlatform},
    {kServerLoginFailed, "Der kalvento-Server meldet Zugangsfehler 001: Login fehlgeschlagen",
     kCheckAccessData},
    {kServerUserUnknown, "Der kalvento-Server meldet Zugangsfehler 002: User unbekannt", kCheckAccessData},
    {kServerPasswordWrong, "Der kalvento-Server meldet Zugangsfehler 003: Passwort nicht korrekt",
     kCheckAccessData},
    {kServerNoCurrentData, "Der kalvento-Server meldet Fehler 005: Keine aktuellen Daten vorhanden",
     kAskPlatform},
    {kServerXmlIncomplete, "Der kalvento-Server meldet Fehler 006: XML nicht vollst\344ndig", kAskPlatform},
    {kServerDatabaseError, "Der kalvento-Server meldet Fehler 008: Datenbankfehler auf kalvento-Server",
     kAskPlatform},
    {kServerUnknownAnswer, "Der kalvento-Server meldet Zugangsfehler ???: Unbekannter Fehler",
     "Bitte Hotline kontaktieren; Server-Antwort findet sich ggf. in XML-Datei."},
    {kExportFileNotWritten, "Die Exportdatei konnte nicht geschrieben werden.",
     "\334berpr\374fen Sie das Importverzeichnis und die Schreibrechte."},
    {kInvalidCall, "Ung\374ltiger Aufruf der Import-Schnittstelle.", kAskHotline},
};

}  // namespace

std::string ExportErrorText(std::int32_t code) {
    std::string text = inet::DownloadResultText(code);
    if (!text.empty()) {
        return text;
    }
    for (const ResultText& entry : kResultTexts) {
        if (entry.code == code) {
            return std::string(entry.statement) + "\r\n" + entry.advice;
        }
    }
    return {};
}

}  // namespace provider
