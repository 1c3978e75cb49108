#include "varnic/version.h"

namespace varnic {

const char* LibraryVersion() { return VARNIC_VERSION_STRING; }

}  // namespace varnic
