#ifndef VARNIC_AUDIT_ROW_CODEC_H_
#define VARNIC_AUDIT_ROW_CODEC_H_

#include <string>
#include <string_view>

#include "audit/device_result.h"

namespace varnic::audit {

// A device's row as bytes and back, for rows set aside in a temporary file while a fleet is
// audited: read back by the same process, so the layout is this build's own (host byte order)
// and no stored file depends on it.
void EncodeRow(const CDeviceResult& device, std::string& out);
// False when `bytes` is not a whole row as EncodeRow writes it.
bool DecodeRow(std::string_view bytes, CDeviceResult& device);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_ROW_CODEC_H_
