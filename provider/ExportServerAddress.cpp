// The export server address, fixed at build time: the same sources build the production and the local DLL.
#include "provider/KalventoProvider.h"

namespace provider {

ExportServer ConfiguredExportServer() {
    return {KALVENTO_EXPORT_HOST, KALVENTO_EXPORT_PORT};
}

}  // namespace provider
