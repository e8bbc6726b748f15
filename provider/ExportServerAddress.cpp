// The export server address and its time-outs, fixed at build time: the same sources build the production,
// the local, the test kit's and the test DLLs.
#include "provider/KalventoProvider.h"

namespace provider {
namespace {

#define KALVENTO_TEXT_OF(value) #value
#define KALVENTO_TEXT(value) KALVENTO_TEXT_OF(value)

// The address as whoever reads the file finds it: one string in its data (the code may build the host name
// from immediate values, where no search for it would find it).
[[gnu::used]] constexpr char kAddressRecord[] =
    "export server: https://" KALVENTO_EXPORT_HOST ":" KALVENTO_TEXT(KALVENTO_EXPORT_PORT);

}  // namespace

ExportServer ConfiguredExportServer() {
    return {KALVENTO_EXPORT_HOST, KALVENTO_EXPORT_PORT, KALVENTO_RESET_TIMEOUT, KALVENTO_DATA_TIMEOUT};
}

}  // namespace provider
