// The export server address and its time-outs, fixed at build time: the same sources build the production,
// the local and the test DLLs.
#include "provider/KalventoProvider.h"

namespace provider {

ExportServer ConfiguredExportServer() {
    return {KALVENTO_EXPORT_HOST, KALVENTO_EXPORT_PORT, KALVENTO_RESET_TIMEOUT, KALVENTO_DATA_TIMEOUT};
}

}  // namespace provider
